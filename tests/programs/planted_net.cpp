// A stand-in for a net.exe planted by an attacker in the program's folder or
// working directory: it only records that it ran.
#include <windows.h>

#include <kestrafen_facts.h>  // kPlantedNetRan

int main()
{
    const HANDLE marker = CreateFileW(kPlantedNetRan, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) {
        CloseHandle(marker);
    }
    return 0;
}
