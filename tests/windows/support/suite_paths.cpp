#include "windows/support/suite_paths.h"

#include "lib/test_paths.h"

#include <windows.h>

std::wstring AsFolder(std::wstring path)
{
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') {
        path += L'\\';
    }
    return path;
}

std::wstring ReleaseDir()
{
    return AsFolder(EnvironmentVariable(L"KESTRAFEN_RELEASE_DIR"));
}

std::wstring SuiteDir()
{
    return ThisExecutableDir();
}

std::wstring ArtefactsDir()
{
    std::wstring dir = AsFolder(EnvironmentVariable(L"KESTRAFEN_ARTEFACTS_DIR"));
    if (dir.empty()) {
        dir = SuiteDir() + L"artefacts\\";
    }
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}
