#pragma once

#include <string>

// The command line that runs the system's own net.exe on the spooler service
// with the given verb ("stop" or "start"):  "C:\Windows\system32\net.exe" stop spooler
// The full, quoted path keeps a net.exe planted in the program's folder or in
// the working directory from running in its place. Empty if the system
// directory can't be found, which no command runs with.
std::wstring SpoolerCommand(const wchar_t* verb);
