#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A message box seen on this thread: its text, caption and which standard
// icon it shows (MB_ICONERROR, MB_ICONINFORMATION, or 0 for another/none),
// and whether it shows a cancel button.
struct SeenBox {
    std::wstring text;
    std::wstring caption;
    UINT icon = 0;
    bool cancel = false;
};

// While alive, reads every message box that this thread opens and presses
// its OK button, so code under test that shows boxes runs to its end.
class MessageBoxWatch {
public:
    explicit MessageBoxWatch(std::function<void(const SeenBox&)> onBox = {});
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch&) = delete;
    MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;
    MessageBoxWatch(MessageBoxWatch&&) = delete;
    MessageBoxWatch& operator=(MessageBoxWatch&&) = delete;

    const std::vector<SeenBox>& Boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::vector<SeenBox> boxes_;
    std::function<void(const SeenBox&)> onBox_;
};

// Reads a message box window (of this or another process) without closing it.
SeenBox ReadMessageBox(HWND box);
