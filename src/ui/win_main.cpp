#include "loader/common_controls.h"
#include "loader/dll_search.h"
#include "ui/captions.h"
#include "ui/centring.h"
#include "ui/main_window.h"

#include <windows.h>

namespace {
const wchar_t kRegisterFailed[] = L"注册窗口类失败";
const wchar_t kCreateFailed[] = L"窗口创建失败";
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): winbase.h names them in its own style
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    RestrictDllSearchToSystem32();
    // A run reads no messages until its result box, and may take longer than
    // the few seconds after which Windows would hide an unresponsive window
    // behind a frozen copy of it. Closing that copy would end the program
    // halfway through a run, leaving the spooler stopped. The window stays
    // itself, and keeps showing each stage.
    DisableProcessWindowsGhosting();
    InitProgressBarClass();
    if (!RegisterMainClass(instance)) {
        MessageBoxW(nullptr, kRegisterFailed, kCaptionError, MB_ICONERROR);
        return 1;
    }
    const HWND window = CreateMainWindow(instance);
    if (!window) {
        MessageBoxW(nullptr, kCreateFailed, kCaptionError, MB_ICONERROR);
        return 1;
    }
    // Centred while still empty and invisible, so it never shows elsewhere.
    CentreOnDesktop(window);
    CreateControls(window, instance);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
