#include "lib/test_prefix.h"

#include <windows.h>

testing::AssertionResult InThrowawayPrefix()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) {
        return testing::AssertionFailure() << "not running under Wine: refusing to touch the "
                                              "machine's print queue or spooler";
    }
    if (GetFileAttributesW(L"C:\\kestrafen-test-prefix") == INVALID_FILE_ATTRIBUTES) {
        return testing::AssertionFailure() << "the Wine prefix is not the harness's throwaway "
                                              "prefix (no C:\\kestrafen-test-prefix marker)";
    }
    return testing::AssertionSuccess();
}
