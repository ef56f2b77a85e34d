#include "lib/test_prefix.h"

#include <kestrafen_facts.h>  // kPrefixMarker
#include <windows.h>

#include <string>

testing::AssertionResult OnThrowawayMachine()
{
    wchar_t drive[MAX_PATH] = L"C:";
    const DWORD length = GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        drive[0] = L'C', drive[1] = L':', drive[2] = L'\0';
    }
    const std::wstring marker = std::wstring(drive) + L"\\" + kPrefixMarker;
    if (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return testing::AssertionFailure() << "no " << marker << " marker, so this is not a throwaway test "
                                              "machine or prefix";
    }
    return testing::AssertionSuccess() << marker;
}

testing::AssertionResult InThrowawayPrefix()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) {
        return testing::AssertionFailure() << "not running under Wine: refusing to touch the "
                                              "machine's print queue or spooler";
    }
    return OnThrowawayMachine();
}
