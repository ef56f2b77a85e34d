#include "cleanup/system_paths.h"

#include <kestrafen_facts.h>  // kJobSubdirectory
#include <windows.h>

std::wstring SystemPath(const wchar_t* relative)
{
    wchar_t systemDir[MAX_PATH];
    // The length without the terminator if it fit; the size needed if not.
    const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::wstring path(systemDir, length);
    // No trailing backslash, unless the system directory is a drive's root.
    if (path.back() != L'\\') {
        path += L'\\';
    }
    return path + relative;
}

std::wstring JobDirectory()
{
    return SystemPath(kJobSubdirectory);
}
