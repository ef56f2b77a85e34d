#include "ui/status_display.h"

#include <commctrl.h>

// The two handles the main window publishes once, before any run can start.
HWND hStatus = nullptr;    // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
HWND hProgress = nullptr;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

namespace {
constexpr UINT kRepaintNow = RDW_INVALIDATE | RDW_UPDATENOW;
}

void UpdateStatus(const wchar_t* text, int progress)
{
    // The message loop is not running during a cleanup run, so each control
    // is repainted straight after its change.
    if (hStatus) {
        SendMessageW(hStatus, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        RedrawWindow(hStatus, nullptr, nullptr, kRepaintNow);
    }
    if (hProgress) {
        SendMessageW(hProgress, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
        RedrawWindow(hProgress, nullptr, nullptr, kRepaintNow);
    }
    Sleep(kStagePauseMs);
}
