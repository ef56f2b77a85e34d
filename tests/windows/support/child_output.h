#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// Runs a command line as a child process with its standard output and error
// going to `out`, chunk by chunk as it writes them, and waits for it to end:
// its exit code, or nothing if it could not be started. Reading stops when
// the child ends, not when the pipe closes: a process the child started may
// hold the pipe's write end for as long as it lives (under Wine every child
// gets its parent's standard handles, inheritance asked for or not).
std::optional<DWORD> RunWithOutput(std::wstring commandLine, const std::function<void(const std::string&)>& out);
