// Stack protection for the MinGW builds (-fstack-protector-strong): the guard
// value that every protected frame carries a copy of, and the end of a
// process whose copy no longer matches. mingw-w64 10's C runtime has neither,
// and GCC's libssp would start the CryptoAPI on every start-up, so the
// program keeps its own, in the manner of MSVC's /GS.
#include <windows.h>

#include <cstdint>

namespace {
// The value the Windows loader recognises as "not yet chosen": listed as the
// image's security cookie in its load configuration (load_config.cpp), the
// guard is replaced with a random value before any code of the image runs.
constexpr std::uintptr_t kUnchosenGuard = 0x00002B992DDFA232ULL;
// As MSVC's runtime does, a chosen guard keeps its top 16 bits clear.
constexpr std::uintptr_t kGuardMask = 0x0000FFFFFFFFFFFFULL;
constexpr unsigned kHighHalf = 32;
} // namespace

extern "C" {

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the compiler names it, the loader writes it
std::uintptr_t __stack_chk_guard = kUnchosenGuard;

// A smashed stack: end at once through the system's fast-fail, which neither
// unwinds nor runs any handler the overwrite may have planted.
[[noreturn]] void __stack_chk_fail()  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): named by the compiler
{
    __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE));
    __builtin_unreachable();
}

} // extern "C"

namespace {

// A build without a load configuration (GNU ld) gets no value from the
// loader: choose one here, before WinMain, as MSVC's runtime does. No
// protected frame is live yet, and this function must not have one itself.
__attribute__((constructor, no_stack_protector)) void ChooseGuardIfTheLoaderDidNot()
{
    if (__stack_chk_guard != kUnchosenGuard) {
        return;
    }
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uintptr_t guard = static_cast<std::uintptr_t>(counter.QuadPart);
    guard ^= static_cast<std::uintptr_t>(GetCurrentProcessId()) << kHighHalf;
    guard ^= GetCurrentThreadId();
    guard ^= GetTickCount64();
    guard ^= reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    __stack_chk_guard = guard & kGuardMask;
}

} // namespace
