#include "ui/main_window.h"
#include "ui/status_display.h"

#include "fakes/clean.h"
#include "lib/quit_message.h"
#include "lib/window_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

DWORD StyleOf(HWND window)
{
    return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
}

// Where the user's roads to another size lead on a window, once shown: the
// hit tests at its bottom-right corner and at its left edge, then whether a
// double click on its title bar maximised it.
struct Resizing {
    LRESULT corner;
    LRESULT leftEdge;
    bool maximised;
};

Resizing TryToResize(HWND window)
{
    ShowWindow(window, SW_SHOWNORMAL);
    RECT rect{};
    GetWindowRect(window, &rect);
    Resizing result{};
    result.corner = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(rect.right - 1, rect.bottom - 1));
    result.leftEdge = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(rect.left, (rect.top + rect.bottom) / 2));
    SendMessageW(window, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    result.maximised = IsZoomed(window) != 0;
    return result;
}

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(RegisterMainClass(GetModuleHandleW(nullptr)));
    }

    void SetUp() override
    {
        window_ = CreateMainWindow(GetModuleHandleW(nullptr));
        ASSERT_NE(window_, nullptr);
        CreateControls(window_, GetModuleHandleW(nullptr));
        fake::cleanRuns.clear();
        TakeQuit();
    }

    void TearDown() override
    {
        if (IsWindow(window_)) {
            DestroyWindow(window_);
        }
        TakeQuit();
        hStatus = hProgress = nullptr;
    }

    HWND window_ = nullptr;
};

TEST_F(MainWindow, ClassTitleStyleAndOuterSize)
{
    EXPECT_EQ(WindowClass(window_), L"KestrafenClass");
    EXPECT_EQ(WindowText(window_), L"打印任务清理工具");
    const DWORD style = StyleOf(window_);
    // Caption, system menu and minimise box; no sizing border, no maximise
    // box, and invisible until shown.
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_VISIBLE | WS_CHILD | WS_POPUP), 0u);
    RECT rect{};
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);

    WNDCLASSW wc{};
    ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"KestrafenClass", &wc));
    EXPECT_EQ(wc.style, 0u);
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(MainWindow, FourControlsInOrderWithTheirFacts)
{
    const struct {
        const wchar_t* className;
        const wchar_t* text;
        DWORD style;
        RECT rect;  // client coordinates
        int id;
    } expected[] = {
        {L"Static", L"就绪", WS_CHILD | WS_VISIBLE | SS_CENTER, {50, 50, 350, 70}, ID_STATUS},
        {L"msctls_progress32", L"", WS_CHILD | WS_VISIBLE, {50, 80, 350, 100}, ID_PROGRESS},
        {L"Button", L"清理打印任务并重启服务", WS_CHILD | WS_VISIBLE, {75, 120, 325, 160}, ID_CLEAN},
        {L"Button", L"退出", WS_CHILD | WS_VISIBLE, {150, 170, 250, 200}, ID_EXIT},
    };
    HWND child = GetWindow(window_, GW_CHILD);
    for (const auto& e : expected) {
        ASSERT_NE(child, nullptr) << "missing control " << e.id;
        EXPECT_EQ(_wcsicmp(WindowClass(child).c_str(), e.className), 0) << e.id;
        EXPECT_EQ(WindowText(child), e.text) << e.id;
        // Exactly: plain push buttons, no default-button style, no tab stop.
        EXPECT_EQ(StyleOf(child), e.style) << e.id;
        EXPECT_EQ(GetDlgCtrlID(child), e.id);
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_TRUE(EqualRect(&rect, &e.rect)) << e.id << " at " << rect.left << "," << rect.top
                                               << " " << rect.right << "," << rect.bottom;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more than four controls";

    EXPECT_EQ(hStatus, GetDlgItem(window_, ID_STATUS));
    EXPECT_EQ(hProgress, GetDlgItem(window_, ID_PROGRESS));
    PBRANGE range{};
    SendMessageW(hProgress, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(SendMessageW(hProgress, PBM_GETPOS, 0, 0), 0);
}

TEST_F(MainWindow, CommandsDispatchOnTheLowWordOnly)
{
    const struct {
        WPARAM wParam;
        size_t cleanRuns;
        int quit;
    } cases[] = {
        {MAKEWPARAM(ID_CLEAN, BN_CLICKED), 1, -1},
        {MAKEWPARAM(ID_CLEAN, 1), 1, -1},  // an accelerator's code is not looked at
        {MAKEWPARAM(ID_EXIT, BN_CLICKED), 0, 0},
        {MAKEWPARAM(0, 0), 0, -1},
        {MAKEWPARAM(3, 0), 0, -1},
        {MAKEWPARAM(ID_STATUS, 0), 0, -1},
        {MAKEWPARAM(ID_PROGRESS, 0), 0, -1},
        {MAKEWPARAM(0xFFFF, 0), 0, -1},
    };
    for (const auto& c : cases) {
        fake::cleanRuns.clear();
        EXPECT_EQ(SendMessageW(window_, WM_COMMAND, c.wParam, 0), 0) << c.wParam;
        EXPECT_EQ(fake::cleanRuns.size(), c.cleanRuns) << c.wParam;
        if (!fake::cleanRuns.empty()) {
            EXPECT_EQ(fake::cleanRuns[0], window_);
        }
        EXPECT_EQ(TakeQuit(), c.quit) << c.wParam;
        EXPECT_TRUE(IsWindow(window_)) << "the window must outlive the command " << c.wParam;
    }
}

TEST_F(MainWindow, ButtonsReachTheWindowProcedure)
{
    SendMessageW(GetDlgItem(window_, ID_CLEAN), BM_CLICK, 0, 0);
    EXPECT_EQ(fake::cleanRuns.size(), 1u);
    EXPECT_EQ(TakeQuit(), -1);
    SendMessageW(GetDlgItem(window_, ID_EXIT), BM_CLICK, 0, 0);
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MainWindow, CloseBoxDestroysTheWindowAndQuitsWithZero)
{
    SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(TakeQuit(), 0);
}

TEST_F(MainWindow, CannotBeResizedOrMaximised)
{
    // The user's roads: no maximise box, so a double click on the title bar
    // does nothing, and no sizing border to drag.
    const Resizing mainWindow = TryToResize(window_);
    EXPECT_FALSE(mainWindow.maximised);
    EXPECT_NE(mainWindow.corner, HTBOTTOMRIGHT);
    EXPECT_NE(mainWindow.leftEdge, HTLEFT);

    // The control: on a window of the same class with a sizing border and a
    // maximise box, the same roads do lead somewhere.
    const HWND sizable = CreateWindowExW(0, L"KestrafenClass", L"sizable", WS_OVERLAPPEDWINDOW, 100, 100,
                                         400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(sizable, nullptr);
    const Resizing control = TryToResize(sizable);
    DestroyWindow(sizable);
    EXPECT_TRUE(control.maximised) << "control";
    EXPECT_EQ(control.corner, HTBOTTOMRIGHT) << "control";
    EXPECT_EQ(control.leftEdge, HTLEFT) << "control";
}

} // namespace
