// Windows on another drive: the program, built to see its system directory
// as D:\Windows\system32 (a second drive of the throwaway prefix), runs that
// drive's net.exe and clears that drive's queue. C:'s job folder belongs to
// no Windows here and must stay as it is.
#include "lib/job_dir.h"
#include "lib/running_program.h"
#include "lib/services.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"

#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const wchar_t kOtherWindows[] = L"D:\\Windows\\";

TEST(OtherDrive, TheJobsOfWindowsOnDriveDGoAndCsFolderStays)
{
    REQUIRE_THROWAWAY_PREFIX();
    ASSERT_TRUE(PathExists(L"D:\\")) << "the harness maps D: to a folder of the build tree";
    ASSERT_TRUE(SpoolerIsStandIn());
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));

    // The other Windows: its own net.exe and a jammed queue.
    RemoveTree(kOtherWindows);
    const std::wstring otherJobDir = MakeJobDirOf(kOtherWindows);
    ASSERT_TRUE(CopyFileW(L"C:\\windows\\system32\\net.exe", L"D:\\Windows\\system32\\net.exe", FALSE));
    const std::vector<std::wstring> otherJobs = {L"00051.SPL", L"00051.SHD", L"打印 任务.SPL"};
    for (const std::wstring& job : otherJobs) {
        WriteFileText(otherJobDir + job);
    }
    ResetJobDir();
    MakeJobFile(L"00017.SPL");

    SetEnvironmentVariableW(L"KESTRAFEN_FAKE_SYSTEM_DIRECTORY", L"D:\\Windows\\system32");
    RunningProgram program(ThisExecutableDir() + L"other_drive_program.exe", SW_SHOWNORMAL);
    SetEnvironmentVariableW(L"KESTRAFEN_FAKE_SYSTEM_DIRECTORY", nullptr);
    ASSERT_NE(program.MainWindow(), nullptr);
    EXPECT_EQ(program.Clean().box.text, L"打印任务已清理并重启服务！");
    EXPECT_EQ(program.WaitForExit(10000), 0);

    for (const std::wstring& job : otherJobs) {
        EXPECT_FALSE(PathExists(otherJobDir + job)) << "left in D:'s queue: " << testing::PrintToString(job);
    }
    EXPECT_EQ(ListJobDir(), std::vector<std::wstring>{L"00017.SPL"});
    EXPECT_EQ(QueryService(L"Spooler").state, static_cast<DWORD>(SERVICE_RUNNING));
    ResetJobDir();
    RemoveTree(kOtherWindows);
}

} // namespace
