// The stack guard, run for real in a program built with the program's
// hardening, twice: by the shipped build, whose load configuration hands the
// guard to the loader to choose, and by the tests' toolchain, whose linker
// makes no load configuration, so that the program's own fallback chooses
// it. An overrun buffer must end either at once with the fast-fail code, not
// return through its damaged frame, and each start must have a guard of its
// own.
#include "lib/exit_code.h"
#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace {

// The value a guard has until someone chooses it.
constexpr unsigned long long kUnchosen = 0x00002B992DDFA232ULL;

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
    const std::wstring dir = MakeScratchDir(L"kestrafen-stack-guard");
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        std::set<unsigned long long> guards;
        constexpr int kStarts = 3;
        for (int start = 0; start < kStarts; ++start) {
            const std::wstring report = dir + L"guard-" + std::to_wstring(start);
            ASSERT_EQ(ExitOf(build, L"guard " + report), "0x00000007");
            unsigned long long guard = 0;
            int loaderKnows = -1;
            std::ifstream(report.c_str()) >> std::hex >> guard >> std::dec >> loaderKnows;
            std::printf("%s, start %d: guard %016llx, named in the load configuration: %d\n", build.name,
                        start, guard, loaderKnows);
            ASSERT_EQ(loaderKnows, build.loaderChooses ? 1 : 0) << "not the build this case is about";
            EXPECT_NE(guard, kUnchosen) << "the guard was never chosen";
            EXPECT_NE(guard, 0u);
            // As MSVC's runtime and Windows' loader keep it: the top 16 bits
            // clear, so that a guard can't be taken for a canonical pointer.
            EXPECT_EQ(guard >> 48, 0u) << std::hex << guard;
            guards.insert(guard);
        }
        EXPECT_EQ(guards.size(), static_cast<size_t>(kStarts)) << "starts shared a guard";
    }
    RemoveTree(dir);
}

} // namespace
