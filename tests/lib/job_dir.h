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

// The job directory of another Windows, in the folder `windows` (ending in a
// backslash): made, with each folder above it; it ends in a backslash.
std::wstring MakeJobDirOf(const std::wstring& windows);

// Sorted relative paths of everything below the job directory ("sub\\a.spl").
std::vector<std::wstring> ListJobDir();
