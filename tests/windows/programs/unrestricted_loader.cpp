// The control for the planted-DLL check: loads each DLL named on its command
// line by name, with the system's default search (the program's folder
// first), as a program without any restriction on its DLL search would.
// Ends with the number of DLLs it could not load.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    int missing = 0;
    for (int i = 1; i < argc; ++i) {
        // Loaded for the life of the process, as a program's libraries are.
        // cppcheck-suppress leakReturnValNotUsed
        if (!LoadLibraryW(argv[i])) {
            ++missing;
        }
    }
    return missing;
}
