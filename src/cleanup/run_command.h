#pragma once

#include <string>

// Runs one command line as a hidden child process and waits for it to end.
// True exactly when the process was created and ended with exit code 0.
// A command line that does not fit the runner's 256-character buffer is
// refused (nothing runs) rather than cut short.
bool RunCommand(const std::wstring& command);
