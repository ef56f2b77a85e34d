#include "lib/job_dir.h"

#include "lib/test_paths.h"

#include <kestrafen_facts.h>  // kJobSubdirectory

#include <algorithm>

// The test prefix's system directory is C:\Windows\System32.
const std::wstring kJobDir = std::wstring(L"C:\\Windows\\System32\\") + kJobSubdirectory;

void ResetJobDir()
{
    RemoveTree(kJobDir);
    CreateDirectoryW(kJobDir.c_str(), nullptr);
}

std::wstring MakeJobDirOf(const std::wstring& windows)
{
    const std::wstring dir = windows + L"system32\\" + kJobSubdirectory;
    for (size_t end = windows.size() - 1; end != std::wstring::npos; end = dir.find(L'\\', end + 1)) {
        CreateDirectoryW(dir.substr(0, end).c_str(), nullptr);
    }
    return dir;
}

void MakeJobFile(const std::wstring& name, DWORD attributes)
{
    WriteFileText(L"\\\\?\\" + kJobDir + name, "%!PS job data", attributes);
}

namespace {
void ListInto(const std::wstring& base, const std::wstring& relative, std::vector<std::wstring>& out)
{
    for (const WIN32_FIND_DATAW& entry : FindAll(base + relative + L"*")) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const std::wstring dir = relative + entry.cFileName + L"\\";
            out.push_back(dir);
            ListInto(base, dir, out);
        } else {
            out.push_back(relative + entry.cFileName);
        }
    }
}
} // namespace

std::vector<std::wstring> ListJobDir()
{
    std::vector<std::wstring> out;
    ListInto(kJobDir, L"", out);
    std::sort(out.begin(), out.end());
    return out;
}
