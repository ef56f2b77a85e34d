#include "lib/running_program.h"

#include "lib/test_paths.h"

#include "ui/main_window.h"

#include <cstdio>
#include <string>

HWND FindWindowOf(DWORD pid, const wchar_t* className)
{
    for (const HWND window : TopLevelWindows()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid && WindowClass(window) == className) {
            return window;
        }
    }
    return nullptr;
}

RunningProgram::RunningProgram(const std::wstring& exe, WORD showCommand, const std::wstring& workDir)
    : exe_(exe)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    // As from Explorer: no standard handles to inherit. (Under Wine a test's
    // own are Unix pipes, which a console child would quietly write to
    // instead of opening a console window of its own.)
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = showCommand;
    std::wstring commandLine = L"\"" + exe + L"\"";
    const std::wstring dir = workDir.empty() ? MakeScratchDir(L"kestrafen-e2e-cwd") : workDir;
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       dir.c_str(), &si, &pi_)) {
        process_ = pi_.hProcess;
        CloseHandle(pi_.hThread);
        WaitForInputIdle(process_, 10000);
    } else {
        startError_ = GetLastError();
        PrintWhyNoWindow();
    }
}

RunningProgram::~RunningProgram()
{
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

HWND RunningProgram::MainWindow()
{
    if (main_) {
        return main_;
    }
    // The window exists before its controls: it counts once the exit
    // button, created last, is there too.
    HWND window = nullptr;
    for (int i = 0; process_ && i < 500; ++i) {
        window = FindWindowOf(pi_.dwProcessId, L"KestrafenClass");
        if (window && GetDlgItem(window, ID_EXIT)) {
            break;
        }
        window = nullptr;
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
            break;  // it won't come now
        }
        Sleep(20);
    }
    // The controls exist before the window is shown: a message sent from
    // here is answered only once the program reads its queue, that is, from
    // its message loop, after ShowWindow. Asked once: during a run the
    // program reads no messages.
    if (window) {
        constexpr UINT kLoopTimeoutMs = 10000;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kLoopTimeoutMs, nullptr);
    }
    main_ = window;
    if (!main_ && process_) {
        PrintWhyNoWindow();
    }
    return main_;
}

void RunningProgram::PrintWhyNoWindow()
{
    if (!process_) {
        wchar_t* text = nullptr;
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, startError_, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string reason = Utf8(text ? text : L"");
        reason.erase(reason.find_last_not_of(" \r\n") + 1);  // FormatMessage ends it with a line break
        std::printf("%s did not start: error %lu, %s\n", Utf8(exe_).c_str(), startError_, reason.c_str());
        LocalFree(text);
    } else if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(process_, &exitCode);
        std::printf("%s exited with code 0x%08lX before its window existed\n", Utf8(exe_).c_str(), exitCode);
    } else {
        std::printf("%s is running, but no window of it came within 10 s\n", Utf8(exe_).c_str());
    }
    // Under Wine, what Wine itself saw (its err: lines) went to the same
    // output, above.
    static_cast<void>(std::fflush(stdout));
}

void RunningProgram::Press(int id)
{
    // What a click on the button sends its parent: WM_COMMAND with
    // BN_CLICKED. Posted BM_CLICK may fail when the window is not active
    // (Microsoft's BM_CLICK page, for dialog boxes); this does not depend on
    // activation. A disabled button takes no click.
    const HWND button = Control(id);
    if (button && IsWindowEnabled(button)) {
        PostMessageW(MainWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
}

void RunningProgram::CloseBox()
{
    PostMessageW(MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

HWND RunningProgram::FindBox() const
{
    const HWND box = FindWindowOf(pi_.dwProcessId, L"#32770");
    return box && IsWindowVisible(box) ? box : nullptr;
}

HWND RunningProgram::WaitForBox(DWORD ms) const
{
    for (DWORD waited = 0;; waited += 10) {
        const HWND box = FindBox();
        if (box || waited >= ms) {
            return box;
        }
        Sleep(10);
    }
}

RunningProgram::Cleanup RunningProgram::Clean(const Watchers& watchers)
{
    Cleanup run;
    const HWND label = Control(ID_STATUS);
    const auto see = [&run, &watchers](const std::wstring& text) {
        if (run.stages.empty() || run.stages.back() != text) {
            run.stages.push_back(text);
            if (watchers.atStage) {
                watchers.atStage(text);
            }
        }
    };
    // The label as it stands before the press, read before it can change: a
    // loaded machine may run the whole first stage before this thread looks.
    see(WindowText(label));
    Press(ID_CLEAN);
    constexpr ULONGLONG kRunLimitMs = 60000;
    HWND box = nullptr;
    for (const ULONGLONG end = GetTickCount64() + kRunLimitMs; !box && GetTickCount64() < end;) {
        box = FindBox();
        see(WindowText(label));
        if (!box && watchers.between) {
            watchers.between();
        } else if (!box) {
            Sleep(10);
        }
    }
    if (box) {
        if (watchers.atBox) {
            watchers.atBox(box);
        }
        run.box = ReadMessageBox(box);
        Dismiss(box);
    }
    return run;
}

void RunningProgram::Dismiss(HWND box)
{
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

long long RunningProgram::WaitForExit(DWORD ms)
{
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process_, &exitCode);
    return exitCode;
}
