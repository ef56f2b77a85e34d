// The control for the planted-DLL test: a bare program that only uses
// user32, as the tool does, with a window, two common controls and a message
// box. What a plant manages to load into it, the system loads for any such
// program, before or beneath the program's own code.
#include <windows.h>

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): winbase.h names them in its own style
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"bare user32 program", WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr,
                                        instance, nullptr);
    if (!window || !CreateWindowExW(0, L"BUTTON", L"button", WS_CHILD | WS_VISIBLE, 10, 10, 100, 30,
                                    window, nullptr, instance, nullptr)) {
        return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MessageBoxW(nullptr, L"bare user32 program", L"control", MB_OK | MB_ICONINFORMATION);
    DestroyWindow(window);
    return 0;
}
