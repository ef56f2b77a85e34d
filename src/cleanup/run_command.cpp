#include "cleanup/run_command.h"

#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <iterator>

namespace {
constexpr std::size_t kCommandCapacity = 256;  // wide characters, terminator included
}

bool RunCommand(const std::wstring& command)
{
    // CreateProcessW may write into the command line, so it gets a buffer of
    // our own. A command that would not fit, or that hides a terminator in
    // the middle, would run as something other than what was asked: refuse it.
    wchar_t cmd[kCommandCapacity];
    if (command.size() >= std::size(cmd) || command.find(L'\0') != std::wstring::npos) {
        return false;
    }
    std::wmemcpy(cmd, command.c_str(), command.size() + 1);

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &si, &pi)) {
        return false;
    }

    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD exitCode = 0;
    const BOOL gotExitCode = GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return gotExitCode && exitCode == 0;
}
