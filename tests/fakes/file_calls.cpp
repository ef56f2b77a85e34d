#include "fakes/file_calls.h"

#include <windows.h>

namespace fake {
std::vector<std::wstring> fileCalls;
}

namespace {

template <typename Function>
Function Real(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

HANDLE WINAPI FakeFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found)
{
    fake::fileCalls.push_back(L"find " + std::wstring(pattern));
    return Real<HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW)>("FindFirstFileW")(pattern, found);
}

BOOL WINAPI FakeDeleteFileW(LPCWSTR path)
{
    fake::fileCalls.push_back(L"delete " + std::wstring(path));
    return Real<BOOL(WINAPI*)(LPCWSTR)>("DeleteFileW")(path);
}

} // namespace

// The program's calls go through these import slots, so defining them here
// takes the place of kernel32's.
extern "C" {
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the import slots' own names
HANDLE(WINAPI* __imp_FindFirstFileW)(LPCWSTR, LPWIN32_FIND_DATAW) = FakeFindFirstFileW;
BOOL(WINAPI* __imp_DeleteFileW)(LPCWSTR) = FakeDeleteFileW;
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables)
}
