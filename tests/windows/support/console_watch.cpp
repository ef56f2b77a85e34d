#include "windows/support/console_watch.h"

#include "lib/process_tree.h"
#include "lib/window_text.h"

#include <algorithm>

namespace {

thread_local WindowWatch* activeWatch = nullptr;

} // namespace

bool IsConsoleWindowClass(const std::wstring& name)
{
    return name == L"ConsoleWindowClass" || name == L"CASCADIA_HOSTING_WINDOW_CLASS";
}

WindowWatch::WindowWatch()
    : hook_(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, OnEvent, 0, 0,
                            WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS)),
      before_(TopLevelWindows())
{
    activeWatch = this;
}

WindowWatch::~WindowWatch()
{
    activeWatch = nullptr;
    if (hook_) {
        UnhookWinEvent(hook_);
    }
}

void WindowWatch::Pump(DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (activeWatch) {
            activeWatch->Look();
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

std::vector<ShownWindow> WindowWatch::Consoles() const
{
    std::vector<ShownWindow> consoles;
    std::copy_if(shown_.begin(), shown_.end(), std::back_inserter(consoles),
                 [](const ShownWindow& window) { return window.console; });
    return consoles;
}

void CALLBACK WindowWatch::OnEvent(HWINEVENTHOOK /*hook*/, DWORD /*event*/, HWND window, LONG object,
                                   LONG child, DWORD /*thread*/, DWORD /*time*/)
{
    if (activeWatch && window && object == OBJID_WINDOW && child == CHILDID_SELF &&
        GetAncestor(window, GA_ROOT) == window && IsWindowVisible(window)) {
        activeWatch->Note(window);
    }
}

void WindowWatch::Look()
{
    for (const HWND window : TopLevelWindows()) {
        if (IsWindowVisible(window) && std::find(before_.begin(), before_.end(), window) == before_.end() &&
            IsConsoleWindowClass(WindowClass(window))) {
            Note(window);
        }
    }
}

void WindowWatch::Note(HWND window)
{
    if (std::find(noted_.begin(), noted_.end(), window) != noted_.end()) {
        return;
    }
    noted_.push_back(window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    ShownWindow shown{WindowClass(window), ImageOf(pid), false};
    shown.console = IsConsoleWindowClass(shown.className);
    shown_.push_back(shown);
}
