#include "lib/test_prefix.h"

#include "lib/test_paths.h"

#include <kestrafen_facts.h>  // kPrefixMarker
#include <windows.h>

#include <string>

testing::AssertionResult OnThrowawayMachine()
{
    const std::wstring drive = EnvironmentVariable(L"SystemDrive");
    const std::wstring marker = (drive.empty() ? L"C:" : drive) + L"\\" + kPrefixMarker;
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
