#include "lib/message_box_watch.h"

#include "lib/window_text.h"

#include <utility>

namespace {

thread_local MessageBoxWatch* activeWatch = nullptr;
thread_local HHOOK activeHook = nullptr;

bool IsDialog(HWND window)
{
    return WindowClass(window) == L"#32770";
}

struct IconSearch {
    HICON icon = nullptr;
};

BOOL CALLBACK FindIcon(HWND child, LPARAM lParam)
{
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        auto* search = reinterpret_cast<IconSearch*>(lParam);
        search->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

} // namespace

SeenBox ReadMessageBox(HWND box)
{
    SeenBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kMessageBoxTextId));
    IconSearch search;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&search));
    if (search.icon && search.icon == LoadIconW(nullptr, IDI_ERROR)) {
        seen.icon = MB_ICONERROR;
    } else if (search.icon && search.icon == LoadIconW(nullptr, IDI_INFORMATION)) {
        seen.icon = MB_ICONINFORMATION;
    }
    const HWND cancel = GetDlgItem(box, IDCANCEL);
    seen.cancel = cancel && (GetWindowLongW(cancel, GWL_STYLE) & WS_VISIBLE);
    return seen;
}

MessageBoxWatch::MessageBoxWatch(std::function<void(const SeenBox&)> onBox)
    : hook_(SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId())), onBox_(std::move(onBox))
{
    activeWatch = this;
    activeHook = hook_;
}

MessageBoxWatch::~MessageBoxWatch()
{
    activeWatch = nullptr;
    activeHook = nullptr;
    if (hook_) {
        UnhookWindowsHookEx(hook_);
    }
}

LRESULT CALLBACK MessageBoxWatch::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && activeWatch) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        if (IsDialog(window) && GetDlgItem(window, kMessageBoxTextId)) {
            const SeenBox seen = ReadMessageBox(window);
            activeWatch->boxes_.push_back(seen);
            if (activeWatch->onBox_) {
                activeWatch->onBox_(seen);
            }
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(activeHook, code, wParam, lParam);
}
