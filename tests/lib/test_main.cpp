// Entry point of every test executable. Besides running the tests, the
// executable can act as a child process for the tests that start programs:
//   --exit-with N        ends at once with exit code N
//   --touch PATH [...]   creates the file PATH, then ends with 0 (extra
//                        arguments are ignored, so command lines can be padded)
//   --delete-all DIR     deletes every file in DIR,
//                        last first, signalling the event
//                        "kestrafen-deleter-started" once it has begun
#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Another process emptying the job directory while the cleanup searches it.
int DeleteAll(std::wstring dir)
{
    dir += L'\\';
    const std::vector<WIN32_FIND_DATAW> entries = FindAll(dir + L"*");
    const HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"kestrafen-deleter-started");
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (!(entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileW((dir + entry->cFileName).c_str());
            if (started) {
                SetEvent(started);
            }
        }
    }
    if (started) {
        CloseHandle(started);
    }
    return 0;
}

bool RunAsChild(int argc, wchar_t** argv, int& exitCode)
{
    if (argc >= 3 && std::wcscmp(argv[1], L"--exit-with") == 0) {
        // Unsigned: an exit code such as 0xC0000005 must come out as it is,
        // not clamped to the largest long.
        exitCode = static_cast<int>(std::wcstoul(argv[2], nullptr, 10));
        return true;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"--touch") == 0) {
        exitCode = WriteFileText(argv[2]) ? 0 : 3;
        return true;
    }
    if (argc >= 3 && std::wcscmp(argv[1], L"--delete-all") == 0) {
        exitCode = DeleteAll(argv[2]);
        return true;
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int exitCode = 0;
    if (RunAsChild(argc, argv, exitCode)) {
        return exitCode;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
