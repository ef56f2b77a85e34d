#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The spooler's job directory as the cleanup knows it, ending in a backslash.
extern const std::wstring kJobDir;

// Empties the job directory (creating it if missing).
void ResetJobDir();

// Creates a file in the job directory, relative name, with some content and
// the given attributes.
void MakeJobFile(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// Sorted relative paths of everything below the job directory ("sub\\a.spl").
std::vector<std::wstring> ListJobDir();
