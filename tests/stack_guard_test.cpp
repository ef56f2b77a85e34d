// The stack guard's failure path, run for real: a program built as the
// shipped one is, whose stack buffer is overrun, must end at once with the
// fast-fail code, not return through its damaged frame.
#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <iomanip>
#include <sstream>
#include <string>

namespace {

// Runs the overrun program with the argument; its exit code, or a note of
// what went wrong instead.
std::string ExitOf(const wchar_t* argument)
{
    const std::wstring exe = ThisExecutableDir() + L"..\\stack_overrun.exe";
    if (!PathExists(exe)) {
        return "stack_overrun.exe not built beside the tests";
    }
    std::wstring commandLine = L"\"" + exe + L"\" " + argument;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        return "could not start it";
    }
    std::string result = "still running after 10 s";
    if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(pi.hProcess, &exitCode);
        std::ostringstream hex;
        hex << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << exitCode;
        result = hex.str();
    } else {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

TEST(StackGuard, AnOverrunBufferEndsTheProgramThroughFastFail)
{
    EXPECT_EQ(ExitOf(L"fits"), "0x00000007");        // the copy that fits returns
    EXPECT_EQ(ExitOf(L"overrun"), "0xC0000409");     // STATUS_STACK_BUFFER_OVERRUN
}

} // namespace
