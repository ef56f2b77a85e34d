#include "cleanup/clean_print_jobs.h"

#include "fakes/file_calls.h"
#include "fakes/steps.h"
#include "fakes/system_directory.h"
#include "lib/job_dir.h"
#include "lib/message_box_watch.h"
#include "lib/handle_count.h"
#include "lib/heap_usage.h"
#include "lib/quit_message.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include <string>
#include <vector>

namespace {

void ResetFakes()
{
    fake::log.clear();
    fake::commandResults.clear();
    fake::onCommand = nullptr;
    fake::onStatus = nullptr;
    fake::systemDirectory.reset();
}

using Log = std::vector<std::wstring>;

std::wstring SystemNet(const wchar_t* verb)
{
    wchar_t systemDir[MAX_PATH] = {};
    GetSystemDirectoryW(systemDir, MAX_PATH);
    return L"run \"" + std::wstring(systemDir) + L"\\net.exe\" " + verb + L" spooler";
}

std::wstring Box(const SeenBox& box)
{
    const wchar_t* icon = L"other";
    if (box.icon == MB_ICONERROR) {
        icon = L"error";
    } else if (box.icon == MB_ICONINFORMATION) {
        icon = L"information";
    }
    return L"box " + box.text + L" | " + box.caption + L" | " + icon + (box.cancel ? L" | cancel button" : L"");
}

// Each test runs the real sequence for the real main window, with scripted
// commands and a recorded status display; the message boxes and the job
// directory are real.
class CleanPrintJobsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterMainClass(GetModuleHandleW(nullptr))); }

    void SetUp() override
    {
        REQUIRE_THROWAWAY_PREFIX();
        ResetFakes();
        ResetJobDir();
        window_ = CreateMainWindow(GetModuleHandleW(nullptr));
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOWNORMAL);
        TakeQuit();
    }

    void TearDown() override
    {
        ResetFakes();
        if (window_) {
            DestroyWindow(window_);
        }
        TakeQuit();
    }

    // Runs the sequence once; returns the quit code (-1 if none was posted).
    // Each box is logged with whether the main window could still be used
    // while it was up.
    int RunCleanup()
    {
        MessageBoxWatch watch([this](const SeenBox& box) {
            fake::log.push_back(Box(box) + (IsWindowEnabled(window_) ? L"" : L" | main window disabled"));
        });
        CleanPrintJobs(window_);
        return TakeQuit();
    }

    HWND window_ = nullptr;
};

TEST_F(CleanPrintJobsTest, EachEndShowsItsStagesBoxAndQuitsOnlyOnSuccess)
{
    const Log stopFailed = {
        L"status 正在停止打印服务... 30",
        SystemNet(L"stop"),
        L"status 停止服务失败 0",
        L"box 无法停止打印服务 | 错误 | error",
    };
    const Log restartFailed = {
        L"status 正在停止打印服务... 30",
        SystemNet(L"stop"),
        L"status 正在删除打印任务... 60",
        L"status 正在重启打印服务... 100",
        SystemNet(L"start"),
        L"status 重启服务失败 0",
        L"box 无法重启打印服务 | 错误 | error",
    };
    const Log success = {
        L"status 正在停止打印服务... 30",
        SystemNet(L"stop"),
        L"status 正在删除打印任务... 60",
        L"status 正在重启打印服务... 100",
        SystemNet(L"start"),
        L"status 清理完成！ 0",
        L"box 打印任务已清理并重启服务！ | 成功 | information",
    };
    const struct {
        const char* name;
        std::deque<bool> commands;
        Log expected;
        int quit;
        bool jobsGone;
    } ends[] = {
        {"stop failed", {false}, stopFailed, -1, false},
        {"restart failed", {true, false}, restartFailed, -1, true},
        {"success", {true, true}, success, 0, true},
    };
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        ResetJobDir();
        MakeJobFile(L"00017.SPL");
        MakeJobFile(L"00017.SHD");
        ResetFakes();
        fake::commandResults = end.commands;

        EXPECT_EQ(RunCleanup(), end.quit);
        EXPECT_EQ(fake::log, end.expected);
        EXPECT_EQ(ListJobDir().empty(), end.jobsGone);
    }
}

TEST_F(CleanPrintJobsTest, JobsAreDeletedOnlyWhileTheSpoolerIsDown)
{
    MakeJobFile(L"00042.SPL");
    std::vector<size_t> jobsAtCommand;
    // cppcheck-suppress danglingLifetime ; TearDown clears the fake before the locals go
    fake::onCommand = [&](const std::wstring&) { jobsAtCommand.push_back(ListJobDir().size()); };
    RunCleanup();
    EXPECT_EQ(jobsAtCommand, (std::vector<size_t>{1, 0}));
}

TEST_F(CleanPrintJobsTest, EveryKindOfJobFileGoesAndSubdirectoriesStay)
{
    CreateDirectoryW((std::wstring(kJobDir) + L"sub").c_str(), nullptr);
    CreateDirectoryW((std::wstring(kJobDir) + L"sub\\deeper").c_str(), nullptr);
    MakeJobFile(L"sub\\inner.SPL");
    MakeJobFile(L"sub\\deeper\\inner.SHD");
    CreateDirectoryW((std::wstring(kJobDir) + L"空目录").c_str(), nullptr);
    const wchar_t* jobs[] = {L"00001.SPL", L"00001.SHD", L"打印任务 一.SPL", L"job with spaces",
                             L"noextension", L".leadingdot", L"FP00002.SPL"};
    for (const wchar_t* name : jobs) {
        MakeJobFile(name);
    }
    MakeJobFile(L"hidden.SPL", FILE_ATTRIBUTE_HIDDEN);
    MakeJobFile(L"system.SHD", FILE_ATTRIBUTE_SYSTEM);
    ASSERT_EQ(ListJobDir().size(), 14u);

    EXPECT_EQ(RunCleanup(), 0);
    EXPECT_EQ(ListJobDir(), (Log{L"sub\\", L"sub\\deeper\\", L"sub\\deeper\\inner.SHD",
                                 L"sub\\inner.SPL", L"空目录\\"}));
}

TEST_F(CleanPrintJobsTest, FilesThatCannotBeDeletedStayAndTheRunGoesOn)
{
    MakeJobFile(L"a.SPL");
    MakeJobFile(L"readonly.SPL", FILE_ATTRIBUTE_READONLY);
    MakeJobFile(L"locked.SPL");
    MakeJobFile(L"z.SHD");
    // Held open by the spooler, say: no delete sharing.
    const HANDLE locked = CreateFileW((std::wstring(kJobDir) + L"locked.SPL").c_str(),
                                      GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);

    EXPECT_EQ(RunCleanup(), 0);
    CloseHandle(locked);
    EXPECT_EQ(ListJobDir(), (Log{L"locked.SPL", L"readonly.SPL"}));
    EXPECT_EQ(fake::log.back(), L"box 打印任务已清理并重启服务！ | 成功 | information");
    SetFileAttributesW((std::wstring(kJobDir) + L"readonly.SPL").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CleanPrintJobsTest, EmptyOrMissingJobDirectoryStillRestartsSilently)
{
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "missing" : "empty");
        ResetJobDir();
        if (missing) {
            RemoveTree(kJobDir);
            ASSERT_FALSE(PathExists(kJobDir));
        }
        ResetFakes();
        EXPECT_EQ(RunCleanup(), 0);
        ASSERT_EQ(fake::log.size(), 7u);
        EXPECT_EQ(fake::log[4], SystemNet(L"start"));
        EXPECT_EQ(fake::log[6], L"box 打印任务已清理并重启服务！ | 成功 | information");
        EXPECT_EQ(PathExists(kJobDir), !missing);
    }
    ResetJobDir();
}

TEST_F(CleanPrintJobsTest, ARunAfterAFailureStartsAgainFromTheStop)
{
    fake::commandResults = {false, true, true};
    EXPECT_EQ(RunCleanup(), -1);
    MakeJobFile(L"00003.SPL");
    fake::log.clear();
    EXPECT_EQ(RunCleanup(), 0);
    ASSERT_GE(fake::log.size(), 2u);
    EXPECT_EQ(fake::log[1], SystemNet(L"stop"));
    EXPECT_TRUE(ListJobDir().empty());
}

TEST_F(CleanPrintJobsTest, NamesTheUsualPathFormWouldMangleAreDeletedToo)
{
    // Legal names that the usual path form trims or that exceed MAX_PATH
    // once the directory is in front of them.
    const std::wstring names[] = {L"trailing dot.", L"trailing space ", L"twin.SPL", L"twin.SPL.",
                                  std::wstring(230, L'L') + L".SPL"};
    for (const std::wstring& name : names) {
        MakeJobFile(name);
    }
    ASSERT_EQ(ListJobDir().size(), std::size(names));
    EXPECT_EQ(RunCleanup(), 0);
    EXPECT_EQ(ListJobDir(), Log{});
}

TEST_F(CleanPrintJobsTest, AJobDirectoryThatIsAFileIsLeftAlone)
{
    const std::wstring asFile = kJobDir.substr(0, kJobDir.size() - 1);
    RemoveTree(kJobDir);
    WriteFileText(asFile, "not a directory");
    EXPECT_EQ(RunCleanup(), 0);
    EXPECT_EQ(ReadFileText(asFile).value_or("<missing>"), "not a directory");
    EXPECT_EQ(fake::log.size(), 7u);
    DeleteFileW(asFile.c_str());
    ResetJobDir();
}

TEST_F(CleanPrintJobsTest, EntriesVanishingDuringTheSearchAreHarmless)
{
    for (int i = 0; i < 3000; ++i) {
        MakeJobFile(L"vanishing-" + std::to_wstring(i) + L".SPL");
    }
    const std::wstring canary = kJobDir + L"..\\kestrafen-canary.txt";
    WriteFileText(canary, "beside the job directory");

    // Another process starts emptying the directory just before the search.
    const HANDLE started = CreateEventW(nullptr, TRUE, FALSE, L"kestrafen-deleter-started");
    PROCESS_INFORMATION deleter{};
    // cppcheck-suppress danglingLifetime ; TearDown clears the fake before the locals go
    fake::onStatus = [&](int progress) {
        if (progress != 60) {
            return;
        }
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring dir = kJobDir;
        dir.pop_back();  // a backslash before the closing quote would escape it
        std::wstring command = L"\"" + ThisExecutable() + L"\" --delete-all \"" + dir + L"\"";
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &deleter));
        EXPECT_EQ(WaitForSingleObject(started, 10000), WAIT_OBJECT_0);
    };
    EXPECT_EQ(RunCleanup(), 0);
    EXPECT_EQ(WaitForSingleObject(deleter.hProcess, 60000), WAIT_OBJECT_0);
    CloseHandle(deleter.hProcess);
    CloseHandle(deleter.hThread);
    CloseHandle(started);

    EXPECT_EQ(ListJobDir(), Log{});
    EXPECT_EQ(ReadFileText(canary).value_or("<missing>"), "beside the job directory");
    DeleteFileW(canary.c_str());
}

TEST_F(CleanPrintJobsTest, AHundredRunsLeaveNoHandleOrSearchBehind)
{
    RunCleanup();  // the first message box may set up per-process state
    const DWORD before = OpenHandleCount();
    const SIZE_T heapBefore = ProcessHeapBusyBytes();
    const std::deque<bool> outcomes[] = {{false}, {true, false}, {true, true}};
    for (int run = 0; run < 100; ++run) {
        MakeJobFile(L"00001.SPL");
        MakeJobFile(L"00001.SHD");
        fake::commandResults = outcomes[run % 3];
        RunCleanup();
    }
    const DWORD after = OpenHandleCount();
    const SIZE_T heapAfter = ProcessHeapBusyBytes();
    std::printf("handles before 100 runs: %lu, after: %lu; process heap in use: %llu bytes, after: %llu\n",
                before, after, static_cast<unsigned long long>(heapBefore),
                static_cast<unsigned long long>(heapAfter));
    EXPECT_EQ(after, before);
    // Wine closes a finished search's directory handle by itself, so a
    // missing FindClose shows only as the search's own memory, left on the
    // process heap by each run (hundreds of bytes at least). What else the
    // runs leave there stays well under one of those per run.
    EXPECT_LT(heapAfter, heapBefore + (SIZE_T{100} * 64)) << "a directory search left open in each run?";
}

TEST_F(CleanPrintJobsTest, JobsGoWhereWindowsKeepsThemAndNowhereElse)
{
    // A Windows in another folder keeps its jobs in its own system
    // directory; the usual folder, with jobs of its own here, is not its.
    const std::wstring windows = L"C:\\kestrafen-other-windows\\";
    RemoveTree(windows);
    const std::wstring otherJobs = MakeJobDirOf(windows);
    WriteFileText(otherJobs + L"00031.SPL", "job");
    WriteFileText(otherJobs + L"00031.SHD", "job");
    ASSERT_TRUE(PathExists(otherJobs + L"00031.SPL")) << "no job of the other Windows to clear";
    MakeJobFile(L"00017.SPL");
    fake::systemDirectory = windows + L"system32";

    EXPECT_EQ(RunCleanup(), 0);
    EXPECT_EQ(fake::log[1], L"run \"" + windows + L"system32\\net.exe\" stop spooler");
    EXPECT_FALSE(PathExists(otherJobs + L"00031.SPL"));
    EXPECT_FALSE(PathExists(otherJobs + L"00031.SHD"));
    EXPECT_EQ(ListJobDir(), Log{L"00017.SPL"});
    RemoveTree(windows);
}

TEST_F(CleanPrintJobsTest, WithoutASystemDirectoryNothingIsSearchedOrDeleted)
{
    // Without the system directory there is no net.exe to run, and no job
    // directory either. Lost after the stop (the delete stage asks for it
    // again), the delete stage must not go on with an empty directory: it
    // would search the working directory and aim a delete at each name
    // found there, under the literal prefix alone.
    const struct {
        const char* name;
        bool lostAfterTheStop;
        const wchar_t* box;
    } cases[] = {
        {"from the start", false, L"box 无法停止打印服务 | 错误 | error"},
        {"after the stop", true, L"box 无法重启打印服务 | 错误 | error"},
    };
    const std::wstring scratch = MakeScratchDir(L"kestrafen-working-dir");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetFakes();
        ResetJobDir();
        MakeJobFile(L"00017.SPL");
        WriteFileText(scratch + L"00017.SPL", "not a job of the spooler");
        if (c.lostAfterTheStop) {
            fake::onCommand = [](const std::wstring&) { fake::systemDirectory = L""; };
        } else {
            fake::systemDirectory = L"";
        }
        SetCurrentDirectoryW(scratch.c_str());
        fake::fileCalls.clear();
        RunCleanup();
        const std::vector<std::wstring> fileCalls = fake::fileCalls;
        SetCurrentDirectoryW(previous);

        EXPECT_EQ(fileCalls, Log{}) << "a search or a delete without a job directory";
        ASSERT_FALSE(fake::log.empty());
        EXPECT_EQ(fake::log.back(), c.box);
        EXPECT_EQ(ListJobDir(), Log{L"00017.SPL"});
        EXPECT_TRUE(PathExists(scratch + L"00017.SPL"));
    }
    RemoveTree(scratch);
}

} // namespace
