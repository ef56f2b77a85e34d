// The real WinMain, run as a program whose user32 window calls are logged
// and, on request, fail (fakes/window_calls.cpp): what it calls before its
// window exists, and how it ends when the window can't be made.
#include "lib/message_box_watch.h"
#include "lib/running_program.h"
#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Runs the program with its window calls logged and the failure asked for
// (none if empty) in its environment.
class WinMain : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeScratchDir(L"kestrafen-window-calls");
        SetEnvironmentVariableW(L"KESTRAFEN_FAKE_WINDOW_LOG", (dir_ + L"calls.txt").c_str());
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"KESTRAFEN_FAKE_WINDOW_LOG", nullptr);
        SetEnvironmentVariableW(L"KESTRAFEN_FAKE_WINDOW_FAILURE", nullptr);
        RemoveTree(dir_);
    }

    static std::wstring Program() { return ThisExecutableDir() + L"window_calls_program.exe"; }

    static void Fail(const wchar_t* what) { SetEnvironmentVariableW(L"KESTRAFEN_FAKE_WINDOW_FAILURE", what); }

    Lines Calls() const
    {
        Lines lines;
        std::ifstream log((dir_ + L"calls.txt").c_str());
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The calls of a run whose window is shown, then closed.
    Lines CallsOfAClosedWindow() const
    {
        {
            RunningProgram program(Program(), SW_SHOWNORMAL);
            EXPECT_NE(program.MainWindow(), nullptr);
            program.CloseBox();
            EXPECT_EQ(program.WaitForExit(10000), 0);
        }
        return Calls();
    }

    std::wstring dir_;
};

bool IsWindowCreation(const std::string& line)
{
    return line.rfind("CreateWindowExW ", 0) == 0;
}

Lines::difference_type FirstStartingWith(const Lines& lines, const std::string& start)
{
    return std::find_if(lines.begin(), lines.end(),
                        [&](const std::string& line) { return line.rfind(start, 0) == 0; }) -
           lines.begin();
}

TEST_F(WinMain, GhostingIsTurnedOffOnceBeforeAnyWindowExists)
{
    const Lines calls = CallsOfAClosedWindow();
    ASSERT_FALSE(calls.empty()) << "no window call logged";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "DisableProcessWindowsGhosting"), 1);
    const auto ghosting = FirstStartingWith(calls, "DisableProcessWindowsGhosting");
    const auto firstWindow = FirstStartingWith(calls, "CreateWindowExW ");
    ASSERT_LT(firstWindow, static_cast<Lines::difference_type>(calls.size())) << "no window created";
    EXPECT_EQ(calls[static_cast<size_t>(firstWindow)].rfind("CreateWindowExW KestrafenClass ", 0), 0U);
    EXPECT_LT(ghosting, firstWindow) << "ghosting turned off after the window was created";
}

TEST_F(WinMain, NoneOfTheFiveWindowsHasAnExtendedStyle)
{
    // The main window and its four controls. One such as WS_EX_TOPMOST would
    // hold the window above the result box, which has no owner.
    const Lines calls = CallsOfAClosedWindow();
    Lines windows;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(windows), IsWindowCreation);
    EXPECT_EQ(windows.size(), 5U);
    for (const std::string& window : windows) {
        EXPECT_EQ(window.substr(window.rfind(' ') + 1), "0") << window;
    }
}

TEST_F(WinMain, AWindowThatCannotBeMadeIsReportedAndEndsWithOne)
{
    const struct {
        const wchar_t* failure;
        const wchar_t* text;
        Lines::difference_type windowsAttempted;
    } cases[] = {
        {L"register", L"注册窗口类失败", 0},
        {L"create", L"窗口创建失败", 1},
    };
    for (const auto& c : cases) {
        const std::string failure(c.failure, c.failure + std::wcslen(c.failure));
        SCOPED_TRACE(failure);
        DeleteFileW((dir_ + L"calls.txt").c_str());
        Fail(c.failure);
        RunningProgram program(Program(), SW_SHOWNORMAL);
        ASSERT_TRUE(program.Started());
        const HWND box = program.WaitForBox(10000);
        ASSERT_NE(box, nullptr) << "no message box";
        const SeenBox seen = ReadMessageBox(box);
        EXPECT_EQ(seen.text, c.text);
        EXPECT_EQ(seen.caption, L"错误");
        EXPECT_EQ(FindWindowOf(GetProcessId(program.Process()), L"KestrafenClass"), nullptr);
        RunningProgram::Dismiss(box);
        EXPECT_EQ(program.WaitForExit(10000), 1);

        const Lines calls = Calls();
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), IsWindowCreation), c.windowsAttempted);
    }
}

} // namespace
