#include "lib/test_prefix.h"

#include <kestrafen_facts.h>  // kPrefixMarker
#include <windows.h>

#include <string>

testing::AssertionResult InThrowawayPrefix()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) {
        return testing::AssertionFailure() << "not running under Wine: refusing to touch the "
                                              "machine's print queue or spooler";
    }
    const std::wstring marker = std::wstring(L"C:\\") + kPrefixMarker;
    if (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return testing::AssertionFailure() << "the Wine prefix is not the harness's throwaway "
                                              "prefix (no " << marker << " marker)";
    }
    return testing::AssertionSuccess();
}
