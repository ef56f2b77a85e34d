#include "fakes/file_calls.h"
#include "fakes/real_call.h"

#include <windows.h>

namespace fake {
std::vector<std::wstring> fileCalls;
}

namespace {

HANDLE WINAPI FakeFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found)
{
    fake::fileCalls.push_back(L"find " + std::wstring(pattern));
    using FindFirst = HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW);
    return fake::Real<FindFirst>(L"kernel32.dll", "FindFirstFileW")(pattern, found);
}

BOOL WINAPI FakeDeleteFileW(LPCWSTR path)
{
    fake::fileCalls.push_back(L"delete " + std::wstring(path));
    return fake::Real<BOOL(WINAPI*)(LPCWSTR)>(L"kernel32.dll", "DeleteFileW")(path);
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
