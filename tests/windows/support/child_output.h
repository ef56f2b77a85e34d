#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// Runs a command line as a child process with its standard output and error
// going to `out`, chunk by chunk as it writes them, and waits for it to end:
// its exit code, or nothing if it could not be started.
std::optional<DWORD> RunWithOutput(std::wstring commandLine, const std::function<void(const std::string&)>& out);
