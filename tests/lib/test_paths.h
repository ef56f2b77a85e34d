#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Full path of the running executable.
std::wstring ThisExecutable();

// Directory of the running executable, ending in a backslash.
std::wstring ThisExecutableDir();

// True if a file or directory exists at path.
bool PathExists(const std::wstring& path);

// Writes a file whole, replacing any, with the attributes it is made with;
// false if it can't be made.
bool WriteFileText(const std::wstring& path, const std::string& text = {},
                   DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// A file's whole content; nothing if it can't be opened.
std::optional<std::string> ReadFileText(const std::wstring& path);

// What a search for the pattern ("dir\\*") finds, without "." and "..".
std::vector<WIN32_FIND_DATAW> FindAll(const std::wstring& pattern);

// An environment variable's value; empty if it is not set.
std::wstring EnvironmentVariable(const wchar_t* name);

// A fresh, empty directory of this process under the system's temporary
// directory; ends in a backslash.
std::wstring MakeScratchDir(const wchar_t* name);

// Deletes a directory tree (attributes cleared first); missing is fine.
void RemoveTree(const std::wstring& path);
