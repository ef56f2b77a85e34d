// Built with the program's hardening. Started with "overrun" it copies more
// into a buffer on its stack than the buffer holds, as a malformed input
// would; the stack guard must end it there, with the fast-fail code, before
// the damaged frame returns. Started with "guard PATH" it writes its stack
// guard to PATH as "<hex value> <1 if the image's load configuration names
// the guard as its security cookie, else 0> <the guard's RVA, hex>" and ends
// with kReturned.
// Started with anything else it copies what fits and ends with kReturned.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the stack protector's guard
extern std::uintptr_t __stack_chk_guard;
}

namespace {

constexpr int kReturned = 7;
constexpr std::size_t kBuffer = 16;
constexpr std::size_t kOverrun = 256;
constexpr std::size_t kSecurityCookieOffset = 0x58;  // in IMAGE_LOAD_CONFIG_DIRECTORY64

// Where the copy is read back, so that the compiler keeps it.
volatile char lastCopied = 0;

__attribute__((noinline)) void Copy(const char* input, std::size_t length)
{
    char buffer[kBuffer];
    std::memcpy(buffer, input, length);
    lastCopied = buffer[kBuffer - 1];
}

// Whether the loader is told where the guard is (and so may choose it).
bool LoaderKnowsTheGuard()
{
    const auto* const base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* const nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY config = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    if (config.VirtualAddress == 0 || config.Size < kSecurityCookieOffset + sizeof(ULONGLONG)) {
        return false;
    }
    ULONGLONG cookie = 0;
    std::memcpy(&cookie, base + config.VirtualAddress + kSecurityCookieOffset, sizeof(cookie));
    return cookie == reinterpret_cast<ULONGLONG>(&__stack_chk_guard);
}

int ReportGuard(const char* path)
{
    char text[48] = {};
    const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
    const int length = std::snprintf(text, sizeof(text), "%016llx %d %llx\n",
                                     static_cast<unsigned long long>(__stack_chk_guard),
                                     LoaderKnowsTheGuard() ? 1 : 0,
                                     static_cast<unsigned long long>(
                                         reinterpret_cast<std::uintptr_t>(&__stack_chk_guard) - base));
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (length <= 0 || file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    return wrote ? kReturned : 1;
}

} // namespace

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): winbase.h names them in its own style
int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR commandLine, int /*showCommand*/)
{
    if (const char* const guard = std::strstr(commandLine, "guard ")) {
        return ReportGuard(guard + std::strlen("guard "));
    }
    static char input[kOverrun];
    std::memset(input, 'A', sizeof(input));
    const bool overrun = std::strstr(commandLine, "overrun") != nullptr;
    Copy(input, overrun ? sizeof(input) : kBuffer);
    return kReturned;
}
