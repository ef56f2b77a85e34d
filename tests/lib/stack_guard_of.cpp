#include "lib/stack_guard_of.h"

#include <winternl.h>

ULONGLONG StackGuardOf(HANDLE process)
{
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0 ||
        !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr)) {
        return 0;
    }
    auto* const base = static_cast<BYTE*>(peb.Reserved3[1]);  // ImageBaseAddress
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
    ULONGLONG cookieAddress = 0;
    ULONGLONG guard = 0;
    constexpr size_t kSecurityCookieOffset = 0x58;  // in IMAGE_LOAD_CONFIG_DIRECTORY64
    if (!ReadProcessMemory(process, base, &dos, sizeof(dos), nullptr) ||
        !ReadProcessMemory(process, base + dos.e_lfanew, &nt, sizeof(nt), nullptr)) {
        return 0;
    }
    const IMAGE_DATA_DIRECTORY config =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    if (config.Size <= kSecurityCookieOffset ||
        !ReadProcessMemory(process, base + config.VirtualAddress + kSecurityCookieOffset, &cookieAddress,
                           sizeof(cookieAddress), nullptr) ||
        !ReadProcessMemory(process, reinterpret_cast<void*>(cookieAddress), &guard, sizeof(guard), nullptr)) {
        return 0;
    }
    return guard;
}
