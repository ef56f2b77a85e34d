#include "lib/exit_code.h"

std::optional<DWORD> ExitCodeOf(std::wstring commandLine, DWORD ms)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return std::nullopt;
    }
    std::optional<DWORD> result;
    DWORD exitCode = 0;
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &exitCode)) {
        result = exitCode;
    } else {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, ms);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}
