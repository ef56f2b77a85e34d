#include "windows/support/child_output.h"

std::optional<DWORD> RunWithOutput(std::wstring commandLine, const std::function<void(const std::string&)>& out)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return std::nullopt;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &pi) != 0;
    // Only the child, and whatever it starts, hold the write end now.
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return std::nullopt;
    }
    // What the pipe holds now, passed on; false once nothing more can come
    // (every write end closed).
    const auto passOn = [&out, readEnd] {
        char buffer[4096];
        for (;;) {
            DWORD waiting = 0;
            DWORD read = 0;
            if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) {
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
    while (passOn() && WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT) {
    }
    passOn();  // what it wrote just before it ended
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    const bool known = GetExitCodeProcess(pi.hProcess, &code) != 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return known ? std::optional<DWORD>(code) : std::nullopt;
}
