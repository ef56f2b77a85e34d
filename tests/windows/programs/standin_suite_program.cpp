// A stand-in for a program of the Windows suite, for the checks on the suite
// runner: a GoogleTest program whose one check does what its file name says
// (copies of it are named so): *passes*, *fails*, *skips*, *crashes* (ends
// with an access violation's status before writing results),
// *stops_spooler* (stops the Spooler and fails, as a broken check would), or
// *leaves_a_child* (passes, leaving behind a process that holds its output
// until the artefacts folder has a file named stop-lingering).
#include "lib/services.h"
#include "lib/test_paths.h"
#include "windows/support/suite_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

bool Named(const wchar_t* behaviour)
{
    const std::wstring name = ThisExecutable();
    return name.find(behaviour, name.find_last_of(L"\\/") + 1) != std::wstring::npos;
}

// A copy of this program, started with every inheritable handle (this
// program's output among them), that lingers until it is told to stop.
void LeaveAChild()
{
    std::wstring command = L"\"" + ThisExecutable() + L"\" --linger";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &pi));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST(StandIn, DoesWhatItsNameSays)
{
    if (Named(L"leaves_a_child")) {
        LeaveAChild();
        return;
    }
    if (Named(L"skips")) {
        GTEST_SKIP() << "a stand-in check that skips";
    }
    if (Named(L"fails")) {
        FAIL() << "a stand-in check that fails";
    }
    if (Named(L"stops_spooler")) {
        ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_STOPPED));
        FAIL() << "a stand-in check that stopped the Spooler and failed";
    }
    EXPECT_TRUE(Named(L"passes")) << "a stand-in named for no behaviour";
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wstring(argv[1]) == L"--linger") {
        const std::wstring stop = ArtefactsDir() + L"stop-lingering";
        for (int i = 0; i < 1200 && GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
            Sleep(100);
        }
        return 0;
    }
    if (Named(L"crashes")) {
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
