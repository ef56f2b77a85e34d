#include "ui/main_window.h"

#include "ui/status_display.h"
#include "cleanup/clean_print_jobs.h"

#include <commctrl.h>
#include <kestrafen_facts.h>  // kWindowTitle, kCleanButtonBox

namespace {

const wchar_t kClassName[] = L"KestrafenClass";
const wchar_t kStatusReady[] = L"就绪";
const wchar_t kCleanButton[] = L"清理打印任务并重启服务";
const wchar_t kExitButton[] = L"退出";

// Fixed outer size: frame and title bar included. No sizing border and no
// maximise box, so the layout below never has to move.
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr WORD kProgressMax = 100;  // the bar runs from 0 to this

struct Control {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    int id;
};

HWND CreateControl(HWND parent, HINSTANCE instance, const Control& control)
{
    return CreateWindowExW(0, control.className, control.text, control.style,
                           control.x, control.y, control.width, control.height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                           instance, nullptr);
}

} // namespace

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ID_CLEAN:
            CleanPrintJobs(window);
            break;
        case ID_EXIT:
            // The window goes with the process once the loop has ended.
            PostQuitMessage(0);
            break;
        default:
            break;
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kClassName;
    return RegisterClassW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    return CreateWindowExW(0, kClassName, kWindowTitle, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           kWidth, kHeight, nullptr, nullptr, instance, nullptr);
}

void CreateControls(HWND window, HINSTANCE instance)
{
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    const Control label{L"STATIC", kStatusReady, kChild | SS_CENTER, 50, 50, 300, 20, ID_STATUS};
    const Control bar{PROGRESS_CLASSW, nullptr, kChild, 50, 80, 300, 20, ID_PROGRESS};
    const Control clean{L"BUTTON", kCleanButton, kChild, kCleanButtonBox[0], kCleanButtonBox[1],
                        kCleanButtonBox[2], kCleanButtonBox[3], ID_CLEAN};
    const Control exit{L"BUTTON", kExitButton, kChild, 150, 170, 100, 30, ID_EXIT};

    hStatus = CreateControl(window, instance, label);
    hProgress = CreateControl(window, instance, bar);
    SendMessageW(hProgress, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressMax));
    CreateControl(window, instance, clean);
    CreateControl(window, instance, exit);
}
