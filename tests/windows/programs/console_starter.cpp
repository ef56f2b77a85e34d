// The control for the console-window check: a windowed program that starts a
// console command without CREATE_NO_WINDOW, so the system gives the command
// a console window of its own. The command waits for a key; the check ends
// both once it has looked (or, at the latest, the program ends the command
// after two minutes, longer than any wait of the check's).
#include <windows.h>

#include <string>

namespace {
constexpr DWORD kConsoleShownMs = 120000;
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): winbase.h names them in its own style
int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*showCommand*/)
{
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 1;
    }
    std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c pause";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return 2;
    }
    if (WaitForSingleObject(pi.hProcess, kConsoleShownMs) == WAIT_TIMEOUT) {
        TerminateProcess(pi.hProcess, 0);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return 0;
}
