#include "../src/cleanup/clean_print_jobs.h"
#include "../src/cleanup/run_command.h"

#include "support/message_box_watch.h"
#include "support/running_program.h"
#include "support/test_paths.h"
#include "support/test_prefix.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const wchar_t kPlantedRan[] = L"C:\\kestrafen-planted-net-ran";

// A net.exe planted beside this executable (the build puts one there) and in
// a working directory of its own; the test works from that directory.
class Planting : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_THROWAWAY_PREFIX();
        ASSERT_TRUE(PathExists(ThisExecutableDir() + L"net.exe")) << "the build plants net.exe";
        workDir_ = MakeScratchDir(L"kestrafen-planted-cwd");
        ASSERT_TRUE(CopyFileW((ThisExecutableDir() + L"net.exe").c_str(),
                              (workDir_ + L"net.exe").c_str(), FALSE));
        GetCurrentDirectoryW(MAX_PATH, savedDir_);
        ASSERT_TRUE(SetCurrentDirectoryW(workDir_.c_str()));
        DeleteFileW(kPlantedRan);
    }

    void TearDown() override
    {
        SetCurrentDirectoryW(savedDir_);
        RemoveTree(workDir_);
        DeleteFileW(kPlantedRan);
    }

    std::wstring workDir_;
    wchar_t savedDir_[MAX_PATH] = {};
};

TEST_F(Planting, ABareNetCommandWouldRunThePlantedCopy)
{
    // Shows that the plant is effective: the search order finds it first.
    RunCommand(L"net stop spooler");
    EXPECT_TRUE(PathExists(kPlantedRan));
}

TEST_F(Planting, TheCleanupRunsOnlyTheSystemsOwnNet)
{
    MessageBoxWatch watch;
    CleanPrintJobs(nullptr);
    EXPECT_FALSE(PathExists(kPlantedRan)) << "a planted net.exe ran";
    ASSERT_EQ(watch.Boxes().size(), 1u);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

const wchar_t kPlantedDllLoaded[] = L"C:\\kestrafen-planted-comctl32-loaded";

// Runs a program to its end (or, for the real program, until its window is
// up and it is closed); its exit code.
long long RunToEnd(const std::wstring& exe, bool hasWindow)
{
    RunningProgram program(exe, SW_SHOWNORMAL);
    if (hasWindow) {
        if (!program.MainWindow()) {
            return -2;
        }
        EXPECT_NE(program.Control(101), nullptr) << "the progress bar needs the system's comctl32";
        program.CloseBox();
    }
    return program.WaitForExit(15000);
}

TEST(PlantedComctl32, IsNeverLoadedByTheProgram)
{
    REQUIRE_THROWAWAY_PREFIX();
    const std::wstring dir = MakeScratchDir(L"kestrafen-planted-dll");
    const std::wstring built = ThisExecutableDir();
    ASSERT_TRUE(CopyFileW((built + L"..\\kestrafen.exe").c_str(), (dir + L"kestrafen.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((built + L"planted_comctl32.dll").c_str(), (dir + L"comctl32.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((built + L"static_comctl32_importer.exe").c_str(),
                          (dir + L"importer.exe").c_str(), FALSE));
    // Wine prefers its own comctl32 whatever lies beside a program; Windows
    // looks in the program's folder first. ctest asks Wine for Windows' order
    // (Wine reads it from the environment it starts in).
    wchar_t overrides[64] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 64);
    ASSERT_STREQ(overrides, L"comctl32=n,b");
    DeleteFileW(kPlantedDllLoaded);

    EXPECT_EQ(RunToEnd(dir + L"importer.exe", false), 0);
    EXPECT_TRUE(PathExists(kPlantedDllLoaded)) << "control: a static import must take the plant";
    DeleteFileW(kPlantedDllLoaded);

    EXPECT_EQ(RunToEnd(dir + L"kestrafen.exe", true), 0);
    EXPECT_FALSE(PathExists(kPlantedDllLoaded)) << "the program loaded a planted comctl32.dll";

    DeleteFileW(kPlantedDllLoaded);
    RemoveTree(dir);
}

} // namespace
