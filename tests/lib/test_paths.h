#pragma once

#include <string>

// Full path of the running executable.
std::wstring ThisExecutable();

// Directory of the running executable, ending in a backslash.
std::wstring ThisExecutableDir();

// True if a file or directory exists at path.
bool PathExists(const std::wstring& path);

// A fresh, empty directory of this process under the system's temporary
// directory; ends in a backslash.
std::wstring MakeScratchDir(const wchar_t* name);

// Deletes a directory tree (attributes cleared first); missing is fine.
void RemoveTree(const std::wstring& path);
