#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Full path of the running executable.
std::wstring ThisExecutable();

// Directory of the running executable, ending in a backslash.
std::wstring ThisExecutableDir();

// True if a file or directory exists at path.
bool PathExists(const std::wstring& path);

// What a search for the pattern ("dir\\*") finds, without "." and "..".
std::vector<WIN32_FIND_DATAW> FindAll(const std::wstring& pattern);

// An environment variable's value; empty if it is not set.
std::wstring EnvironmentVariable(const wchar_t* name);

// A fresh, empty directory of this process under the system's temporary
// directory; ends in a backslash.
std::wstring MakeScratchDir(const wchar_t* name);

// Deletes a directory tree (attributes cleared first); missing is fine.
void RemoveTree(const std::wstring& path);
