// The stack guard, run for real in a program built with the program's
// hardening, twice: by the shipped build, whose load configuration hands the
// guard to the loader to choose, and by the tests' toolchain, whose linker
// makes no load configuration, so that the program's own fallback chooses
// it. An overrun buffer must end either at once with the fast-fail code, not
// return through its damaged frame, and each start must choose its guard.
#include "lib/exit_code.h"
#include "lib/stack_guard_of.h"
#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const struct Build {
    const char* name;
    const wchar_t* exe;  // relative to the tests' folder
    bool loaderChooses;
} kBuilds[] = {
    {"shipped build", L"..\\stack_overrun.exe", true},
    {"no load configuration", L"stack_overrun_fallback.exe", false},
};

// Runs the program with the argument; its exit code, or a note of what
// went wrong instead.
std::string ExitOf(const Build& build, const std::wstring& argument)
{
    const std::wstring exe = ThisExecutableDir() + build.exe;
    if (!PathExists(exe)) {
        return "not built beside the tests";
    }
    const std::optional<DWORD> exitCode = ExitCodeOf(L"\"" + exe + L"\" " + argument, 10000);
    if (!exitCode) {
        return "could not start it, or still running after 10 s";
    }
    std::ostringstream hex;
    hex << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << *exitCode;
    return hex.str();
}

TEST(StackGuard, AnOverrunBufferEndsTheProgramThroughFastFail)
{
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        EXPECT_EQ(ExitOf(build, L"fits"), "0x00000007");     // the copy that fits returns
        EXPECT_EQ(ExitOf(build, L"overrun"), "0xC0000409");  // STATUS_STACK_BUFFER_OVERRUN
    }
}

TEST(StackGuard, EachStartChoosesItsOwnGuard)
{
    // The rule is StackGuardFaults'. These builds run under Wine (ctest's
    // emulator), whose loader promises no guard of each start's own; the
    // Windows suite asks that of the released program on Windows.
    const std::wstring dir = MakeScratchDir(L"kestrafen-stack-guard");
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        std::vector<ULONGLONG> guards;
        DWORD rva = 0;
        constexpr int kStarts = 3;
        for (int start = 0; start < kStarts; ++start) {
            const std::wstring report = dir + L"guard-" + std::to_wstring(start);
            ASSERT_EQ(ExitOf(build, L"guard " + report), "0x00000007");
            ULONGLONG guard = 0;
            int loaderKnows = -1;
            std::ifstream(report.c_str()) >> std::hex >> guard >> std::dec >> loaderKnows >> std::hex >> rva;
            std::printf("%s, start %d: guard %016llx, named in the load configuration: %d\n", build.name,
                        start, guard, loaderKnows);
            ASSERT_EQ(loaderKnows, build.loaderChooses ? 1 : 0) << "not the build this case is about";
            guards.push_back(guard);
        }
        const ULONGLONG built = BuiltStackGuard(ThisExecutableDir() + build.exe, rva).value_or(0);
        ASSERT_NE(built, 0u) << "no guard at RVA 0x" << std::hex << rva << " in the exe file";
        std::printf("%s: the exe file holds %016llx\n", build.name, built);
        const std::vector<std::string> faults = StackGuardFaults(guards, built, !build.loaderChooses);
        for (const std::string& fault : faults) {
            ADD_FAILURE() << fault;
        }
    }
    RemoveTree(dir);
}

} // namespace
