#include "loader/dll_search.h"

#include <windows.h>

namespace {

// System DLLs that are loaded by name after start-up, by comctl32 and
// user32 rather than by the program. None is a known DLL, so without the
// rule below Windows would look for them in the program's folder first.
const wchar_t* const kLoadedLater[] = {L"uxtheme.dll"};

} // namespace

void RestrictDllSearchToSystem32()
{
    // The program runs with administrator rights, often from a Downloads
    // folder or a USB stick: a DLL planted beside it must never be loaded.
    // From here on every load by name searches System32 only. (The load
    // configuration's DependentLoadFlags does the same for what the static
    // imports load while the process starts.)
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // Not every loader applies that rule to every load (Wine ignores it for
    // delay-loads): load these from System32 now, so that a later load by
    // name finds them already in the process. They stay for its life.
    for (const wchar_t* name : kLoadedLater) {
        // cppcheck-suppress leakReturnValNotUsed ; loaded for the life of the process
        LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}
