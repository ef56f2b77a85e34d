// A run that takes longer than the few seconds after which Windows hides a
// window that doesn't answer behind a ghost: the program's window must stay
// itself and keep showing its stage. The run is held at its first stage by a
// running service that depends on the Spooler, which makes net.exe ask
// whether to stop that too, and wait for an answer that never comes.
#include "lib/services.h"
#include "windows/support/platform.h"
#include "windows/support/suite_paths.h"
#include "windows/support/window_cover.h"

#include "lib/process_tree.h"
#include "lib/running_program.h"

#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

const char kWineNeverGhosts[] = "Wine never puts a ghost window in place of a window that stops answering";
const wchar_t kStopping[] = L"正在停止打印服务...";
// Windows ghosts a window that hasn't read its messages for 5 s.
constexpr DWORD kPastGhostingMs = 6500;
constexpr int kGhostWaitSteps = 40;
constexpr DWORD kStepMs = 100;

std::set<HWND> Ghosts()
{
    std::set<HWND> ghosts;
    for (const HWND window : TopLevelWindows()) {
        if (IsWindowVisible(window) && WindowClass(window) == L"Ghost") {
            ghosts.insert(window);
        }
    }
    return ghosts;
}

// Clicks the middle of a window with real input, as a user waiting for the
// program would. The number of input events the system took.
UINT ClickOn(HWND window)
{
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    RECT rect{};
    GetWindowRect(window, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT));
}

// Waits up to 4 s for a ghost window that was not there before.
std::set<HWND> NewGhosts(const std::set<HWND>& before)
{
    std::set<HWND> fresh;
    for (int i = 0; i < kGhostWaitSteps && fresh.empty(); ++i) {
        Sleep(kStepMs);
        for (const HWND ghost : Ghosts()) {
            if (before.count(ghost) == 0) {
                fresh.insert(ghost);
            }
        }
    }
    return fresh;
}

TEST(NoGhost, AWindowThatStopsAnsweringIsGhosted)
{
    WINDOWS_ONLY(kWineNeverGhosts);
    // The control: a window whose program doesn't ask to keep it.
    const std::set<HWND> before = Ghosts();
    RunningProgram control(SuiteDir() + L"hung_window.exe", SW_SHOWNORMAL, SuiteDir());
    ASSERT_TRUE(control.Started());
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i) {
        window = FindWindowOf(GetProcessId(control.Process()), L"Static");
        Sleep(kStepMs);
    }
    ASSERT_NE(window, nullptr);
    // Before it can be ghosted: the click must land on the control's window.
    const std::string hidden = NotInView(GetAncestor(window, GA_ROOT), GetProcessId(control.Process()));
    ASSERT_TRUE(hidden.empty()) << hidden;
    Sleep(kPastGhostingMs);
    const UINT sent = ClickOn(window);
    const std::set<HWND> ghosts = NewGhosts(before);
    std::printf("control: %u input events taken; ghost windows: %zu; its window %s\n", sent, ghosts.size(),
                IsWindowVisible(window) ? "visible" : "hidden");
    EXPECT_FALSE(ghosts.empty()) << "control: a window that stops answering must be ghosted";
}

TEST(NoGhost, TheProgramKeepsShowingItsStageWhileARunWaits)
{
    WINDOWS_ONLY(kWineNeverGhosts);
    const SpoolerRestorer restorer;
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    const DependentService dependent(SuiteDir() + L"standin_spooler.exe");
    ASSERT_TRUE(dependent.Running()) << "a service that depends on the Spooler, to hold the stop";

    const std::set<HWND> before = Ghosts();
    RunningProgram program(ReleaseDir() + L"kestrafen.exe", SW_SHOWNORMAL, ReleaseDir());
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    const HWND label = program.Control(ID_STATUS);
    const std::string hidden = NotInView(window, GetProcessId(program.Process()));
    ASSERT_TRUE(hidden.empty()) << hidden;
    program.Press(ID_CLEAN);
    for (int i = 0; i < 100 && WindowText(label) != kStopping; ++i) {
        Sleep(kStepMs);
    }
    ASSERT_EQ(WindowText(label), kStopping);
    Sleep(kPastGhostingMs);
    const UINT sent = ClickOn(label);
    const std::set<HWND> ghosts = NewGhosts(before);

    const DWORD pid = GetProcessId(program.Process());
    std::printf("%u input events taken; ghost windows: %zu; window %s; label \"%s\"\n", sent, ghosts.size(),
                IsWindowVisible(window) ? "visible" : "hidden", Utf8(WindowText(label)).c_str());
    for (const TreeMember& member : ProcessTree(pid)) {
        std::printf("held run: %s (%lu)\n", Utf8(member.image).c_str(), member.pid);
    }
    EXPECT_EQ(program.WaitForExit(0), -1) << "the run must still be waiting at the stop";
    EXPECT_TRUE(ghosts.empty()) << "a ghost window took the program's place";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(WindowText(label), kStopping);
    EndProcessTree(pid);
}

} // namespace
