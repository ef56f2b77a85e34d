#include "cleanup/run_command.h"

#include "fakes/wait_calls.h"
#include "lib/exit_code.h"
#include "lib/handle_count.h"
#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

std::wstring ChildExiting(DWORD code)
{
    return Quoted(ThisExecutable()) + L" --exit-with " + std::to_wstring(code);
}

// A child that leaves a file behind, padded with ignored arguments to exactly
// `length` characters, so the test can tell whether it ran at all.
std::wstring ChildTouching(const std::wstring& marker, size_t length)
{
    std::wstring command = Quoted(ThisExecutable()) + L" --touch " + Quoted(marker) + L" ";
    command.resize(length, L'x');
    return command;
}

TEST(RunCommand, OnlyExitCodeZeroIsSuccess)
{
    const struct {
        DWORD exitCode;
        bool expected;
    } cases[] = {{0, true}, {1, false}, {2, false}, {259, false}, {0xC0000005, false}};
    for (const auto& c : cases) {
        // The child really ends with the code the case is about.
        EXPECT_EQ(ExitCodeOf(ChildExiting(c.exitCode), 10000), c.exitCode) << std::hex << c.exitCode;
        EXPECT_EQ(RunCommand(ChildExiting(c.exitCode)), c.expected) << "exit code " << std::hex << c.exitCode;
    }
}

TEST(RunCommand, WaitsForTheCommandWithoutATimeOut)
{
    // A stop that takes long goes on after any time-out: reported as failed,
    // it would leave the spooler stopped with nothing to restart it.
    const fake::WaitCalls calls = fake::WaitsOf([] { EXPECT_TRUE(RunCommand(ChildExiting(0))); });
    EXPECT_EQ(calls.waitTimeouts, std::vector<DWORD>{INFINITE});
}

TEST(RunCommand, MissingProgramFailsWithoutLeakingHandles)
{
    // Whatever the runner opens before the process exists (a job object to
    // hold the command, a pipe for its output) must be closed when the
    // creation fails too.
    const DWORD before = OpenHandleCount();
    EXPECT_FALSE(RunCommand(L"kestrafen-no-such-program-anywhere.exe stop spooler"));
    EXPECT_FALSE(RunCommand(L"\"C:\\no such dir\\net.exe\" stop spooler"));
    EXPECT_FALSE(RunCommand(L""));
    EXPECT_EQ(OpenHandleCount(), before);
}

TEST(RunCommand, ManyCallsLeaveNoHandleBehind)
{
    // Warm up once: the first process creation may open handles that stay
    // for the life of the process.
    RunCommand(ChildExiting(0));
    const DWORD before = OpenHandleCount();
    for (int i = 0; i < 100; ++i) {
        // Children that succeed, fail, and programs that can't be started.
        const bool missing = i % 10 == 9;
        const std::wstring command = missing ? L"kestrafen-missing.exe"
                                             : ChildExiting(static_cast<DWORD>(i % 2));
        EXPECT_EQ(RunCommand(command), i % 2 == 0) << "call " << i;
    }
    const DWORD after = OpenHandleCount();
    std::printf("handles before 100 calls: %lu, after: %lu\n", before, after);
    EXPECT_EQ(after, before);
}

TEST(RunCommand, CommandThatFillsTheBufferRunsOneThatOverflowsIsRefused)
{
    const std::wstring dir = MakeScratchDir(L"kestrafen-run-command");
    const struct {
        size_t length;
        bool runs;
    } cases[] = {{255, true}, {256, false}, {300, false}};
    for (const auto& c : cases) {
        const std::wstring marker = dir + L"ran-" + std::to_wstring(c.length);
        const std::wstring command = ChildTouching(marker, c.length);
        ASSERT_EQ(command.size(), c.length);
        EXPECT_EQ(RunCommand(command), c.runs) << "length " << c.length;
        EXPECT_EQ(PathExists(marker), c.runs) << "length " << c.length;
    }
    RemoveTree(dir);
}

TEST(RunCommand, EmbeddedTerminatorIsRefusedNotCutShort)
{
    const std::wstring dir = MakeScratchDir(L"kestrafen-run-command-nul");
    const std::wstring marker = dir + L"ran";
    std::wstring command = Quoted(ThisExecutable()) + L" --touch " + Quoted(marker);
    command += L'\0';
    command += L" and more";
    EXPECT_FALSE(RunCommand(command));
    EXPECT_FALSE(PathExists(marker));
    RemoveTree(dir);
}

} // namespace
