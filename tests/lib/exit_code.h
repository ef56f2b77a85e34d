#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// Where a child's standard output and error go, chunk by chunk as it writes them.
using OutputSink = std::function<void(const std::string&)>;

// Runs a command line as a child process, in workDir if one is given, and
// waits up to `ms` for it to end: its exit code, or nothing if it could not be
// started or did not end in time (it is then ended). Its process id goes to
// *pid if asked.
//
// With `out`, its standard output and error go there. Reading stops when the
// child ends, not when the pipe closes: a process the child started may hold
// the pipe's write end for as long as it lives (under Wine every child gets
// its parent's standard handles, inheritance asked for or not). Without
// `out`, a console child gets a console without a window.
std::optional<DWORD> ExitCodeOf(std::wstring commandLine, DWORD ms, const OutputSink& out = {},
                                const std::wstring& workDir = {}, DWORD* pid = nullptr);
