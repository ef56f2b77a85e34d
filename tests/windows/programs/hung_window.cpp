// The control for the ghost-window check: a window that stops reading its
// messages a second after it shows, as a program busy on its window's thread
// does, without asking the system to leave its window alone. Windows puts a
// ghost window in its place once it has not answered for 5 s.
#include <windows.h>

namespace {
constexpr ULONGLONG kAnsweringMs = 1000;
constexpr DWORD kHungMs = 60000;
} // namespace

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): winbase.h names them in its own style
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"hung window control", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    const ULONGLONG hangAt = GetTickCount64() + kAnsweringMs;
    while (GetTickCount64() < hangAt) {
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    Sleep(kHungMs);
    DestroyWindow(window);
    return 0;
}
