#include "../src/cleanup/clean_print_jobs.h"
#include "../src/cleanup/run_command.h"

#include "support/message_box_watch.h"
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

} // namespace
