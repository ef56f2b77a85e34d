#include "loader/common_controls.h"

#include <windows.h>

#include <commctrl.h>

void InitProgressBarClass()
{
    // comctl32 is not a known DLL, so an import would be resolved from the
    // program's own folder first: a planted copy would run with the user's
    // rights. Load it from System32 by full search rule instead. It stays
    // loaded for the life of the process, since the bar's window procedure
    // lives in it.
    const HMODULE comctl32 = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!comctl32) {
        return;
    }
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = reinterpret_cast<InitFn>(
        reinterpret_cast<void*>(GetProcAddress(comctl32, "InitCommonControlsEx")));
    if (!init) {
        // cppcheck-suppress resourceLeak ; comctl32 stays loaded for the life of the process
        return;
    }
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_PROGRESS_CLASS;
    init(&icc);
}
