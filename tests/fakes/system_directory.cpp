#include "fakes/system_directory.h"
#include "fakes/real_call.h"

#include <windows.h>

#include <cwchar>

namespace {

std::optional<std::wstring> FromEnvironment()
{
    wchar_t value[MAX_PATH + 2] = {};
    const DWORD length = GetEnvironmentVariableW(L"KESTRAFEN_FAKE_SYSTEM_DIRECTORY", value, MAX_PATH + 2);
    if (length == 0 || length >= MAX_PATH + 2) {
        return std::nullopt;
    }
    return std::wstring(value, length);
}

// As the system's: the length without the terminator if the directory fits
// the buffer, else the size the buffer would need; 0 on failure.
UINT WINAPI FakeGetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    if (!fake::systemDirectory) {
        return fake::Real<UINT(WINAPI*)(LPWSTR, UINT)>(L"kernel32.dll", "GetSystemDirectoryW")(buffer, size);
    }
    const std::wstring& directory = *fake::systemDirectory;
    if (directory.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (directory.size() >= size) {
        return static_cast<UINT>(directory.size() + 1);
    }
    std::wmemcpy(buffer, directory.c_str(), directory.size() + 1);
    return static_cast<UINT>(directory.size());
}

} // namespace

namespace fake {
std::optional<std::wstring> systemDirectory = FromEnvironment();
}

// The program's calls go through this import slot, so defining it here
// takes the place of kernel32's.
extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the import slot's own name
UINT(WINAPI* __imp_GetSystemDirectoryW)(LPWSTR, UINT) = FakeGetSystemDirectoryW;
}
