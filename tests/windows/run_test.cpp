// Whole runs of the released program, started from the folder its zip was
// unzipped to and driven through its own window: a jammed queue cleared,
// no console window on the way, and the two failures a real Spooler can give.
#include "lib/services.h"
#include "windows/support/console_watch.h"
#include "windows/support/job_corpus.h"
#include "windows/support/platform.h"
#include "windows/support/screenshot.h"
#include "windows/support/suite_paths.h"
#include "windows/support/window_cover.h"

#include "lib/job_dir.h"
#include "lib/process_tree.h"
#include "lib/running_program.h"
#include "lib/test_paths.h"

#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::wstring>;

const wchar_t kSpooler[] = L"Spooler";
const wchar_t kReady[] = L"就绪";
const wchar_t kStopping[] = L"正在停止打印服务...";
const wchar_t kDeleting[] = L"正在删除打印任务...";
const wchar_t kRestarting[] = L"正在重启打印服务...";
const char kWineShowsNoConsoles[] =
    "Wine shows no console window for a console program started from a windowed one, flag or no flag "
    "(and tells a window-event hook of no other process's windows)";

void Print(const char* label, const Texts& texts)
{
    std::string line;
    for (const std::wstring& text : texts) {
        line += (line.empty() ? "" : " | ") + Utf8(text);
    }
    std::printf("%s: %s\n", label, line.c_str());
}

// Presses the clean button and follows the run, pumping this thread's
// messages meanwhile (for a window watch); prints what it saw.
RunningProgram::Cleanup RunCleanup(RunningProgram& program, RunningProgram::Watchers watchers = {})
{
    watchers.between = [] { WindowWatch::Pump(5); };
    const RunningProgram::Cleanup outcome = program.Clean(watchers);
    Print("stages", outcome.stages);
    std::printf("box: %s: %s\n", Utf8(outcome.box.caption).c_str(), Utf8(outcome.box.text).c_str());
    return outcome;
}

void TakeScreenshot(const std::vector<HWND>& windows, const wchar_t* name)
{
    // The picture must be of the program's windows, on the desktop a user
    // sees: not a first-run screen or another program's window over them.
    DWORD pid = 0;
    GetWindowThreadProcessId(windows.front(), &pid);
    for (const HWND window : windows) {
        const std::string hidden = NotInView(window, pid);
        // Under Wine other tests' windows share the virtual display.
        if (!hidden.empty() && OnWine() && hidden.rfind("the program's window is covered", 0) == 0) {
            std::printf("%s: %s (noted: under Wine other tests' windows share the display)\n",
                        Utf8(name).c_str(), hidden.c_str());
            continue;
        }
        ASSERT_TRUE(hidden.empty()) << Utf8(name) << ": " << hidden;
    }
    // A window that has just come up may not be on the screen yet.
    const std::wstring path = ArtefactsDir() + name;
    Shot shot = SaveScreenshot(windows, path);
    for (int i = 0; i < 20 && shot.colours < 3; ++i) {
        Sleep(100);
        shot = SaveScreenshot(windows, path);
    }
    std::printf("screenshot %s: %dx%d, %d%s colours\n", Utf8(path).c_str(), shot.width, shot.height,
                shot.colours, shot.colours >= 64 ? " or more" : "");
    EXPECT_TRUE(shot.saved) << Utf8(path);
    EXPECT_GE(shot.colours, 3) << Utf8(path) << ": a blank picture";
}

// The deciding half of the view check, on recorded points: the program's
// own windows on top pass; anything else fails, named.
TEST(InView, ACoverIsNamedByWhatLiesOnTop)
{
    const DWORD program = 1200;
    const auto points = [](DWORD centre, const char* owner) {
        const char* const own = "a window of class KestrafenMainWindow of kestrafen.exe";
        return std::vector<PointOnTop>{{"top-left corner", 1200, own},     {"top-right corner", 1200, own},
                                       {"bottom-left corner", 1200, own},  {"bottom-right corner", 1200, own},
                                       {"centre", centre, owner}};
    };
    const struct {
        const char* name;
        std::vector<PointOnTop> seen;
        const char* problem;  // empty: in view
    } cases[] = {
        {"in view", points(program, "a window of class #32770 of kestrafen.exe"), ""},
        {"a first-run screen over it", points(4711, "a window of class Windows.UI.Core.CoreWindow of ShellHost.exe"),
         "the program's window is covered: at its centre: a window of class Windows.UI.Core.CoreWindow of ShellHost.exe"},
        {"no window at all", std::vector<PointOnTop>{{"centre", 0, "nothing"}},
         "the program's window is covered: at its centre: nothing"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CoverProblem(c.seen, program), c.problem) << c.name;
    }
}

// Each check leaves the Spooler as it found it: its start type put back, and
// running.
class ReleasedProgram : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QueryService(kSpooler).exists) << "no Spooler service";
        ASSERT_TRUE(PathExists(Program())) << "no release to test: " << Utf8(Program());
    }

    static std::wstring Program() { return ReleaseDir() + L"kestrafen.exe"; }

    // The program as a user starts it from the unzipped folder.
    static RunningProgram* Start(std::unique_ptr<RunningProgram>& holder)
    {
        holder = std::make_unique<RunningProgram>(Program(), SW_SHOWNORMAL, ReleaseDir());
        return holder.get();
    }

    SpoolerRestorer restorer_;
};

TEST_F(ReleasedProgram, ClearsAJammedQueueAndRestartsTheSpooler)
{
    ASSERT_TRUE(SetServiceState(kSpooler, SERVICE_RUNNING));
    const JobCorpus corpus;
    std::printf("planted:\n%s", corpus.Describe().c_str());
    ASSERT_EQ(ListJobDir(), corpus.All()) << "the job directory holds more than the corpus";

    std::unique_ptr<RunningProgram> holder;
    RunningProgram& program = *Start(holder);
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    TakeScreenshot({window}, L"1-start.bmp");
    bool shotDuringRun = false;
    const RunningProgram::Cleanup outcome = RunCleanup(
        program, {[&](const std::wstring& stage) {
                      if (stage == kStopping && !shotDuringRun) {
                          TakeScreenshot({window}, L"2-during-run.bmp");
                          shotDuringRun = true;
                      }
                  },
                  [&](HWND box) {
                      Sleep(500);  // the box is up before its text is drawn
                      TakeScreenshot({window, box}, L"3-outcome.bmp");
                  },
                  {}});

    EXPECT_EQ(outcome.stages, (Texts{kReady, kStopping, kDeleting, kRestarting, L"清理完成！"}));
    EXPECT_EQ(outcome.box.text, L"打印任务已清理并重启服务！");
    EXPECT_EQ(outcome.box.caption, L"成功");
    const long long exitCode = program.WaitForExit(10000);
    std::printf("exit code: %lld\n", exitCode);
    EXPECT_EQ(exitCode, 0);
    const Texts left = ListJobDir();
    Print("left in the job directory", left);
    EXPECT_EQ(left, corpus.Staying());
    const ServiceFacts spooler = QueryService(kSpooler);
    std::printf("Spooler afterwards: %s\n", StateName(spooler.state));
    EXPECT_EQ(spooler.state, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ReleasedProgram, NoConsoleWindowShowsDuringARun)
{
    WINDOWS_ONLY(kWineShowsNoConsoles);
    ASSERT_TRUE(SetServiceState(kSpooler, SERVICE_RUNNING));
    const WindowWatch watch;
    ASSERT_TRUE(watch.Hooked());
    std::unique_ptr<RunningProgram> holder;
    RunningProgram& program = *Start(holder);
    ASSERT_NE(program.MainWindow(), nullptr);
    const RunningProgram::Cleanup outcome = RunCleanup(program);
    EXPECT_EQ(outcome.box.caption, L"成功");
    EXPECT_EQ(program.WaitForExit(10000), 0);
    WindowWatch::Pump(500);
    for (const ShownWindow& shown : watch.Shown()) {
        std::printf("window shown: class %s of %s\n", Utf8(shown.className).c_str(), Utf8(shown.image).c_str());
    }
    EXPECT_TRUE(watch.Consoles().empty()) << "a console window showed during the run";
}

TEST_F(ReleasedProgram, TheConsoleWatchSeesTheWindowOfACommandStartedWithoutTheFlag)
{
    WINDOWS_ONLY(kWineShowsNoConsoles);
    const WindowWatch watch;
    ASSERT_TRUE(watch.Hooked());
    // Started without waiting for it to go idle: it has no window, so it
    // never would. Its console stays up until the tree is ended here, longer
    // than the watch waits, and the watch pumps its events while it waits.
    std::wstring command = L"\"" + SuiteDir() + L"console_starter.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, SuiteDir().c_str(),
                               &si, &pi));
    CloseHandle(pi.hThread);
    for (int i = 0; i < 100 && watch.Consoles().empty(); ++i) {
        WindowWatch::Pump(50);
    }
    EndProcessTree(pi.dwProcessId);
    CloseHandle(pi.hProcess);
    for (const ShownWindow& shown : watch.Shown()) {
        std::printf("window shown: class %s of %s\n", Utf8(shown.className).c_str(), Utf8(shown.image).c_str());
    }
    EXPECT_FALSE(watch.Consoles().empty()) << "control: a console command started without CREATE_NO_WINDOW";
}

// Which of the windows a watch saw are console windows, on recorded classes.
TEST(ConsoleWatch, ConsolesAreTheConsoleHostsWindows)
{
    const struct {
        const wchar_t* className;
        bool console;
    } cases[] = {
        {L"ConsoleWindowClass", true},              // conhost.exe
        {L"CASCADIA_HOSTING_WINDOW_CLASS", true},   // Windows Terminal hosting a console
        {L"PseudoConsoleWindow", false},            // ConPTY's window, never shown
        {L"#32770", false},                         // the program's own message box
        {L"KestrafenMainWindow", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsConsoleWindowClass(c.className), c.console) << Utf8(c.className);
    }
}

TEST_F(ReleasedProgram, AStoppedSpoolerFailsTheStopAndTouchesNoFile)
{
    ASSERT_TRUE(SetServiceState(kSpooler, SERVICE_STOPPED));
    const JobCorpus corpus;
    std::unique_ptr<RunningProgram> holder;
    RunningProgram& program = *Start(holder);
    ASSERT_NE(program.MainWindow(), nullptr);
    const RunningProgram::Cleanup outcome = RunCleanup(program);

    EXPECT_EQ(outcome.stages, (Texts{kReady, kStopping, L"停止服务失败"}));
    EXPECT_EQ(outcome.box.text, L"无法停止打印服务");
    EXPECT_EQ(outcome.box.caption, L"错误");
    EXPECT_EQ(program.WaitForExit(500), -1) << "the program must stay open";
    const Texts left = ListJobDir();
    Print("left in the job directory", left);
    EXPECT_EQ(left, corpus.All());

    program.Press(ID_EXIT);
    const long long exitCode = program.WaitForExit(10000);
    std::printf("exit code after 退出: %lld\n", exitCode);
    EXPECT_EQ(exitCode, 0);
}

TEST_F(ReleasedProgram, ADisabledSpoolerFailsTheRestartAfterTheJobsWent)
{
    ASSERT_TRUE(SetServiceState(kSpooler, SERVICE_RUNNING));
    ASSERT_TRUE(SetStartType(kSpooler, SERVICE_DISABLED));
    std::printf("Spooler start type: %s (found %s)\n", StartTypeName(QueryService(kSpooler).startType),
                StartTypeName(restorer_.FoundStartType()));
    const JobCorpus corpus;
    std::unique_ptr<RunningProgram> holder;
    RunningProgram& program = *Start(holder);
    ASSERT_NE(program.MainWindow(), nullptr);
    const RunningProgram::Cleanup outcome = RunCleanup(program);

    EXPECT_EQ(outcome.stages, (Texts{kReady, kStopping, kDeleting, kRestarting, L"重启服务失败"}));
    EXPECT_EQ(outcome.box.text, L"无法重启打印服务");
    EXPECT_EQ(outcome.box.caption, L"错误");
    EXPECT_EQ(program.WaitForExit(500), -1) << "the program must stay open";
    EXPECT_EQ(ListJobDir(), corpus.Staying());
    EXPECT_EQ(QueryService(kSpooler).state, static_cast<DWORD>(SERVICE_STOPPED));
    program.Press(ID_EXIT);
    EXPECT_EQ(program.WaitForExit(10000), 0);
}

} // namespace
