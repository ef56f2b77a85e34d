#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A top-level window that some process showed while a watch was alive.
struct ShownWindow {
    std::wstring className;
    std::wstring image;  // the owning process's image name
    bool console = false;
};

// Whether a window of this class is a console's: conhost's, or Windows
// Terminal's where Terminal hosts consoles.
bool IsConsoleWindowClass(const std::wstring& name);

// While alive, notes every top-level window that any process creates or
// shows on this desktop: a window-event hook, called on this thread while
// it pumps messages, and a look at the top-level windows at each pump. A console program started without CREATE_NO_WINDOW
// shows a console window (class ConsoleWindowClass, or Windows Terminal's
// CASCADIA_HOSTING_WINDOW_CLASS where Terminal hosts consoles).
class WindowWatch {
public:
    WindowWatch();
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;
    WindowWatch(WindowWatch&&) = delete;
    WindowWatch& operator=(WindowWatch&&) = delete;

    bool Hooked() const { return hook_ != nullptr; }

    // Delivers the events so far: pumps this thread's messages for `ms`.
    static void Pump(DWORD ms);

    const std::vector<ShownWindow>& Shown() const { return shown_; }
    std::vector<ShownWindow> Consoles() const;

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time);
    void Note(HWND window);
    void Look();
    HWINEVENTHOOK hook_ = nullptr;
    std::vector<HWND> before_;
    std::vector<HWND> noted_;
    std::vector<ShownWindow> shown_;
};
