#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Runs a command line as a child process and waits up to `ms` for it to end:
// its exit code, or nothing if it could not be started or did not end in
// time (it is then ended).
std::optional<DWORD> ExitCodeOf(std::wstring commandLine, DWORD ms);
