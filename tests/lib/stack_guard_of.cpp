#include "lib/stack_guard_of.h"

#include <winternl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

// Where a load configuration holds the address of the stack guard.
constexpr DWORD kSecurityCookieOffset = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, SecurityCookie);

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

namespace {

// The NT headers of an exe file, and where they are in it; false if it has
// none.
bool NtHeadersOf(const std::vector<BYTE>& file, IMAGE_NT_HEADERS64& nt, size_t& at)
{
    IMAGE_DOS_HEADER dos{};
    if (file.size() < sizeof(dos)) {
        return false;
    }
    std::memcpy(&dos, file.data(), sizeof(dos));
    at = static_cast<size_t>(dos.e_lfanew);
    if (file.size() < at + sizeof(nt)) {
        return false;
    }
    std::memcpy(&nt, file.data() + at, sizeof(nt));
    return true;
}

// The file's offset of an RVA, through its section table; 0 if no section's
// raw data holds eight bytes there.
size_t FileOffsetOf(const std::vector<BYTE>& file, DWORD rva)
{
    IMAGE_NT_HEADERS64 nt{};
    size_t ntAt = 0;
    if (!NtHeadersOf(file, nt, ntAt)) {
        return 0;
    }
    const size_t sectionsAt = ntAt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section{};
        const size_t at = sectionsAt + (i * sizeof(section));
        if (file.size() < at + sizeof(section)) {
            return 0;
        }
        std::memcpy(&section, file.data() + at, sizeof(section));
        if (rva >= section.VirtualAddress && rva + sizeof(ULONGLONG) <= section.VirtualAddress + section.SizeOfRawData) {
            return section.PointerToRawData + (rva - section.VirtualAddress);
        }
    }
    return 0;
}

std::optional<ULONGLONG> EightBytesAt(const std::vector<BYTE>& file, DWORD rva)
{
    const size_t offset = FileOffsetOf(file, rva);
    if (offset == 0 || file.size() < offset + sizeof(ULONGLONG)) {
        return std::nullopt;
    }
    ULONGLONG value = 0;
    std::memcpy(&value, file.data() + offset, sizeof(value));
    return value;
}

std::string Hex(ULONGLONG value)
{
    char text[20] = {};
    static_cast<void>(std::snprintf(text, sizeof(text), "%016llx", value));
    return text;
}

} // namespace

std::optional<ULONGLONG> BuiltStackGuard(const std::wstring& exe, DWORD rva)
{
    std::ifstream in(exe.c_str(), std::ios::binary);
    const std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (rva == 0) {
        IMAGE_NT_HEADERS64 nt{};
        size_t ntAt = 0;
        if (!NtHeadersOf(file, nt, ntAt)) {
            return std::nullopt;
        }
        const IMAGE_DATA_DIRECTORY config = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
        const std::optional<ULONGLONG> cookie =
            config.Size > kSecurityCookieOffset ? EightBytesAt(file, config.VirtualAddress + kSecurityCookieOffset)
                                                : std::nullopt;
        if (!cookie || *cookie <= nt.OptionalHeader.ImageBase) {
            return std::nullopt;
        }
        rva = static_cast<DWORD>(*cookie - nt.OptionalHeader.ImageBase);
    }
    return EightBytesAt(file, rva);
}

std::vector<std::string> StackGuardFaults(const std::vector<ULONGLONG>& guards, ULONGLONG built,
                                          bool distinctPromised)
{
    std::vector<std::string> faults;
    std::set<ULONGLONG> seen;
    for (size_t start = 0; start < guards.size(); ++start) {
        const ULONGLONG guard = guards[start];
        const std::string which = "start " + std::to_string(start) + ": guard " + Hex(guard);
        if (guard == 0) {
            faults.push_back(which + ", none to read");
        } else if (guard == built) {
            faults.push_back(which + ", left as the exe file holds it");
        } else if (guard >> 48 != 0) {
            faults.push_back(which + ", its top 16 bits not clear");
        }
        if (!seen.insert(guard).second && distinctPromised) {
            faults.push_back(which + ", the same as an earlier start's");
        }
    }
    return faults;
}
