#pragma once

#include "lib/message_box_watch.h"
#include "lib/window_text.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The first top-level window of the given class that process pid owns, or null.
HWND FindWindowOf(DWORD pid, const wchar_t* className);

// The built program, started as a user would start it, and driven from
// outside through its real windows. It works in workDir, or in a scratch
// directory of its own.
class RunningProgram {
public:
    RunningProgram(const std::wstring& exe, WORD showCommand, const std::wstring& workDir = {});
    ~RunningProgram();  // ends the process if a test left it running
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    RunningProgram(RunningProgram&&) = delete;
    RunningProgram& operator=(RunningProgram&&) = delete;

    bool Started() const { return process_ != nullptr; }
    HANDLE Process() const { return process_; }
    // The main window, once it and its controls exist (waits up to 10 s);
    // null if it never came, and then what became of the program is
    // printed: that it never started and why, its exit code, or that it is
    // still running without one.
    HWND MainWindow();
    HWND Control(int id) { return GetDlgItem(MainWindow(), id); }

    // Presses a button as a click does, whichever window is active, without
    // waiting for the program to handle it (a cleanup run holds up the
    // program's thread).
    void Press(int id);
    // Clicks the title bar's close box (as the system menu's Close does).
    void CloseBox();

    // What a press of the clean button showed: every distinct text of the
    // status label, in order, from the one before the press, and the message
    // box the run ended with (empty if none came within 60 s), dismissed.
    struct Cleanup {
        std::vector<std::wstring> stages;
        SeenBox box;
    };
    // What a test does while Clean follows the run: with each new text of the
    // label, with the box before it is read, and between two looks (by
    // default, sleeps 10 ms).
    struct Watchers {
        std::function<void(const std::wstring&)> atStage;
        std::function<void(HWND)> atBox;
        std::function<void()> between;
    };
    Cleanup Clean(const Watchers& watchers = {});

    // A message box of the program, once one is up (waits up to `ms`); null
    // if none came.
    HWND WaitForBox(DWORD ms) const;

    // Presses OK in a message box.
    static void Dismiss(HWND box);

    // Waits up to `ms` for the process to end; its exit code, or -1 if it is
    // still running.
    long long WaitForExit(DWORD ms);

private:
    HWND FindBox() const;
    void PrintWhyNoWindow();
    std::wstring exe_;
    DWORD startError_ = ERROR_SUCCESS;
    PROCESS_INFORMATION pi_{};
    HANDLE process_ = nullptr;
    HWND main_ = nullptr;
};

