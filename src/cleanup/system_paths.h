#pragma once

#include <string>

// A path in the Windows system directory: SystemPath(L"net.exe") is
// "C:\Windows\system32\net.exe" on a standard machine, and follows Windows to
// another drive or folder. Empty if the system directory can't be had.
std::wstring SystemPath(const wchar_t* relative);

// The spooler's job directory, the system directory's spool\PRINTERS\,
// ending in one backslash. Empty if the system directory can't be had: there
// is then no folder to clean.
std::wstring JobDirectory();
