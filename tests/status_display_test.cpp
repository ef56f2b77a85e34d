#include "ui/status_display.h"

#include "fakes/wait_calls.h"
#include "lib/window_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

// How much earlier than asked a timed pause may seem to end, by the timers' grain.
constexpr long long kTimerSlackMs = 20;

LONGLONG Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

long long Milliseconds(LONGLONG from, LONGLONG to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to - from) * 1000 / frequency.QuadPart;
}

// Counts the WM_PAINT messages a control receives, through a subclass, and
// notes each one in order with its time.
struct Paint {
    char control;  // 'L' label, 'B' bar
    LONGLONG at;
};
std::vector<Paint> paints;
WNDPROC labelProc = nullptr;
WNDPROC barProc = nullptr;

template <char control>
LRESULT CALLBACK Counting(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        paints.push_back({control, Now()});
    }
    return CallWindowProcW(control == 'L' ? labelProc : barProc, window, message, wParam, lParam);
}

std::ptrdiff_t PaintsOf(char control)
{
    return std::count_if(paints.begin(), paints.end(),
                         [control](const Paint& paint) { return paint.control == control; });
}

WNDPROC Subclass(HWND window, WNDPROC proc)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// A visible test window holding a real label and a real progress bar, like
// the main window's. The handles are published only where a test asks.
class StatusDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        parent_ = CreateWindowExW(0, L"STATIC", L"status display test",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        label_ = CreateWindowExW(0, L"STATIC", L"就绪", WS_CHILD | WS_VISIBLE | SS_CENTER, 50, 50,
                                 300, 20, parent_, nullptr, nullptr, nullptr);
        bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 50, 80, 300,
                               20, parent_, nullptr, nullptr, nullptr);
        ASSERT_NE(label_, nullptr);
        ASSERT_NE(bar_, nullptr);
        SendMessageW(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageW(bar_, PBM_SETPOS, 42, 0);
        labelProc = Subclass(label_, Counting<'L'>);
        barProc = Subclass(bar_, Counting<'B'>);
        PumpUntilPainted();
        paints.clear();
    }

    void TearDown() override
    {
        hStatus = nullptr;
        hProgress = nullptr;
        DestroyWindow(parent_);
    }

    void PumpUntilPainted()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        UpdateWindow(parent_);
    }

    LRESULT BarPosition() const { return SendMessageW(bar_, PBM_GETPOS, 0, 0); }

    static bool HasPendingPaint(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != 0; }

    // Milliseconds that one UpdateStatus call took.
    static long long TimedUpdate(const wchar_t* text, int progress)
    {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        UpdateStatus(text, progress);
        QueryPerformanceCounter(&end);
        return (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    }

    HWND parent_ = nullptr;
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
};

TEST_F(StatusDisplay, ShowsTextAndPositionPaintedBeforeReturningAndPauses)
{
    hStatus = label_;
    hProgress = bar_;
    // The repeated stage changes nothing, so only an explicit repaint paints it.
    const struct {
        const wchar_t* text;
        int progress;
    } stages[] = {{L"正在停止打印服务...", 30}, {L"正在删除打印任务...", 60},
                  {L"正在重启打印服务...", 100}, {L"清理完成！", 0}, {L"清理完成！", 0}};
    for (const auto& stage : stages) {
        paints.clear();
        EXPECT_GE(TimedUpdate(stage.text, stage.progress), kStagePauseMs - kTimerSlackMs);
        EXPECT_GE(PaintsOf('L'), 1) << "label not painted at " << stage.progress;
        EXPECT_GE(PaintsOf('B'), 1) << "bar not painted at " << stage.progress;
        // Nothing was dispatched in between: what shows must already be painted.
        EXPECT_EQ(WindowText(label_), stage.text);
        EXPECT_EQ(BarPosition(), stage.progress);
        EXPECT_FALSE(HasPendingPaint(label_)) << "label not repainted at " << stage.progress;
        EXPECT_FALSE(HasPendingPaint(bar_)) << "bar not repainted at " << stage.progress;
    }
}

TEST_F(StatusDisplay, PaintsLabelThenBarThenPausesAndDispatchesNothing)
{
    hStatus = label_;
    hProgress = bar_;
    for (const int progress : {30, 60, 100, 0}) {
        SCOPED_TRACE(progress);
        // A click made during a run: it must wait for the run's end, not
        // start a second run inside this one.
        ASSERT_TRUE(PostMessageW(parent_, WM_APP, 0, progress));
        paints.clear();
        const LONGLONG start = Now();
        UpdateStatus(L"正在删除打印任务...", progress);
        const LONGLONG end = Now();

        std::string order;
        for (const Paint& paint : paints) {
            if (order.empty() || order.back() != paint.control) {
                order += paint.control;
            }
        }
        EXPECT_EQ(order, "LB") << "label (L) and bar (B) painted in this order";
        ASSERT_FALSE(paints.empty());
        EXPECT_LT(Milliseconds(start, paints.front().at), 100) << "painted only after a pause";
        EXPECT_GE(Milliseconds(paints.back().at, end), kStagePauseMs - kTimerSlackMs) << "no pause after the painting";
        MSG msg{};
        EXPECT_TRUE(PeekMessageW(&msg, parent_, WM_APP, WM_APP, PM_REMOVE)) << "a queued message was taken";
        EXPECT_EQ(msg.lParam, progress);
    }
}

TEST_F(StatusDisplay, EachStagePausesFiveHundredMilliseconds)
{
    // The stage pause is the product's fixed 500 ms, stated here on its own:
    // the header's constant would follow any value.
    hStatus = label_;
    hProgress = bar_;
    const fake::WaitCalls calls = fake::WaitsOf([] { UpdateStatus(L"正在删除打印任务...", 60); });
    EXPECT_EQ(calls.sleeps, std::vector<DWORD>{500});
}

TEST_F(StatusDisplay, WithoutControlsStillPausesAndTouchesNothing)
{
    EXPECT_GE(TimedUpdate(L"正在停止打印服务...", 30), kStagePauseMs - kTimerSlackMs);
    EXPECT_EQ(WindowText(label_), L"就绪");
    EXPECT_EQ(BarPosition(), 42);
    EXPECT_EQ(paints.size(), 0u);
}

TEST_F(StatusDisplay, OnlyThePublishedControlChanges)
{
    hStatus = label_;
    UpdateStatus(L"停止服务失败", 0);
    EXPECT_EQ(WindowText(label_), L"停止服务失败");
    EXPECT_EQ(BarPosition(), 42);

    hStatus = nullptr;
    hProgress = bar_;
    UpdateStatus(L"重启服务失败", 100);
    EXPECT_EQ(WindowText(label_), L"停止服务失败");
    EXPECT_EQ(BarPosition(), 100);
}

} // namespace
