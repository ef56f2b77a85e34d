#include "lib/exit_code.h"

#include <algorithm>

std::optional<DWORD> ExitCodeOf(std::wstring commandLine, DWORD ms, const OutputSink& out,
                                const std::wstring& workDir, DWORD* pid)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (out) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
            return std::nullopt;
        }
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
    }
    PROCESS_INFORMATION pi{};
    const wchar_t* const dir = workDir.empty() ? nullptr : workDir.c_str();
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, out ? TRUE : FALSE,
                                        out ? 0 : CREATE_NO_WINDOW, nullptr, dir, &startup, &pi) != 0;
    if (out) {
        CloseHandle(writeEnd);  // only the child, and whatever it starts, hold it now
    }
    if (!started) {
        if (out) {
            CloseHandle(readEnd);
        }
        return std::nullopt;
    }
    if (pid) {
        *pid = pi.dwProcessId;
    }
    // What the pipe holds now, passed on; false once nothing more can come
    // (every write end closed), or if there is no pipe.
    const auto passOn = [&out, readEnd] {
        char buffer[4096];
        for (;;) {
            DWORD waiting = 0;
            DWORD read = 0;
            if (!readEnd || !PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) {
                return false;
            }
            if (waiting == 0) {
                return true;
            }
            if (!ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) || read == 0) {
                return false;
            }
            out(std::string(buffer, read));
        }
    };
    const ULONGLONG deadline = GetTickCount64() + ms;
    const auto left = [ms, deadline]() -> DWORD {
        if (ms == INFINITE) {
            return INFINITE;
        }
        const ULONGLONG now = GetTickCount64();
        return now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    };
    while (passOn() && WaitForSingleObject(pi.hProcess, std::min<DWORD>(20, left())) == WAIT_TIMEOUT && left() > 0) {
    }
    if (out) {
        passOn();  // what it wrote just before it ended
        CloseHandle(readEnd);
    }
    std::optional<DWORD> result;
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, left()) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code)) {
        result = code;
    } else {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}
