// Entry point of every test executable. Besides running the tests, the
// executable can act as a child process for the tests that start programs:
//   --exit-with N        ends at once with exit code N
//   --touch PATH [...]   creates the file PATH, then ends with 0 (extra
//                        arguments are ignored, so command lines can be padded)
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <cwchar>

namespace {

bool RunAsChild(int& exitCode)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        return false;
    }
    bool child = false;
    if (argc >= 3 && std::wcscmp(argv[1], L"--exit-with") == 0) {
        child = true;
        exitCode = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    } else if (argc >= 3 && std::wcscmp(argv[1], L"--touch") == 0) {
        child = true;
        const HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        exitCode = file == INVALID_HANDLE_VALUE ? 3 : 0;
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    LocalFree(argv);
    return child;
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (RunAsChild(exitCode)) {
        return exitCode;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
