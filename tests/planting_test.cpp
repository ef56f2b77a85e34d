#include "cleanup/clean_print_jobs.h"
#include "cleanup/run_command.h"
#include "ui/main_window.h"

#include "lib/job_dir.h"
#include "lib/message_box_watch.h"
#include "lib/planted_markers.h"
#include "lib/quit_message.h"
#include "lib/running_program.h"
#include "lib/services.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"

#include <gtest/gtest.h>
#include <kestrafen_facts.h>  // kPlantedNetRan

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

namespace {

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
        DeleteFileW(kPlantedNetRan);
    }

    void TearDown() override
    {
        SetCurrentDirectoryW(savedDir_);
        RemoveTree(workDir_);
        DeleteFileW(kPlantedNetRan);
    }

    std::wstring workDir_;
    wchar_t savedDir_[MAX_PATH] = {};
};

TEST_F(Planting, ABareNetCommandWouldRunThePlantedCopy)
{
    // Shows that the plant is effective: the search order finds it first.
    RunCommand(L"net stop spooler");
    EXPECT_TRUE(PathExists(kPlantedNetRan));
}

TEST_F(Planting, TheCleanupRunsOnlyTheSystemsOwnNet)
{
    // With the spooler running, the run ends in success only if a net.exe
    // stopped and started it; the planted one would leave its mark.
    ASSERT_TRUE(SpoolerIsStandIn()) << "the harness must install the stand-in spooler";
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    MessageBoxWatch watch;
    CleanPrintJobs(nullptr);
    EXPECT_FALSE(PathExists(kPlantedNetRan)) << "a planted net.exe ran";
    ASSERT_EQ(watch.Boxes().size(), 1u);
    EXPECT_EQ(watch.Boxes()[0].caption, L"成功") << "no net.exe stopped and started the spooler";
    EXPECT_EQ(TakeQuit(), 0);
}

// What a planted DLL can be called (the build names them, in
// tests/CMakeLists.txt).
const wchar_t* const kPlantedNames[] = {KESTRAFEN_PLANTED_NAMES};

using Names = PlantNames;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());  // the names are ASCII
}

// The plants in a directory of their own beside the programs, and in the
// working directory the programs are started in.
class PlantedDlls : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_THROWAWAY_PREFIX();
        ASSERT_TRUE(SpoolerIsStandIn()) << "the harness must install the stand-in spooler";
        // ctest asks Wine for Windows' order for every planted name.
        ASSERT_TRUE(WineTakesPlantsFirst(kPlantedNames, std::size(kPlantedNames)));

        programDir_ = MakeScratchDir(L"kestrafen-planted-dlls");
        workDir_ = MakeScratchDir(L"kestrafen-planted-cwd");
        const std::wstring built = ThisExecutableDir();
        const std::pair<std::wstring, const wchar_t*> programs[] = {
            {built + L"..\\kestrafen.exe", L"kestrafen.exe"},
            {built + L"unprotected_program.exe", L"unprotected.exe"},
            {built + L"bare_user32_program.exe", L"bare.exe"},
            {built + L"static_comctl32_importer.exe", L"importer.exe"}};
        for (const auto& [from, to] : programs) {
            ASSERT_TRUE(CopyFileW(from.c_str(), (programDir_ + to).c_str(), FALSE)) << Narrow(from);
        }
        for (const wchar_t* name : kPlantedNames) {
            for (const std::wstring& dir : {programDir_, workDir_}) {
                ASSERT_TRUE(CopyFileW((built + L"planted_dll.dll").c_str(),
                                      (dir + name + L".dll").c_str(), FALSE));
            }
        }
        RemoveTree(kPlantedMarkers);
        ResetJobDir();
    }

    void TearDown() override
    {
        RemoveTree(programDir_);
        RemoveTree(workDir_);
        RemoveTree(kPlantedMarkers);
        ResetJobDir();
        SetServiceState(L"Spooler", SERVICE_RUNNING);
    }

    std::wstring programDir_;
    std::wstring workDir_;
};

TEST_F(PlantedDlls, TheProgramLoadsNoneBeyondWhatABareUser32ProgramLoads)
{
    {  // The control: a window, a button and a message box.
        RunningProgram bare(programDir_ + L"bare.exe", SW_SHOWNORMAL, workDir_);
        const HWND box = bare.WaitForBox(10000);
        ASSERT_NE(box, nullptr);
        RunningProgram::Dismiss(box);
        EXPECT_EQ(bare.WaitForExit(10000), 0);
    }
    {  // Importing comctl32 the usual way takes the plant.
        RunningProgram importer(programDir_ + L"importer.exe", SW_SHOWNORMAL, workDir_);
        EXPECT_EQ(importer.WaitForExit(10000), 0);
    }
    {  // The program without its protection: start-up and the close box.
        RunningProgram unprotected(programDir_ + L"unprotected.exe", SW_SHOWNORMAL, workDir_);
        ASSERT_NE(unprotected.MainWindow(), nullptr);
        unprotected.CloseBox();
        EXPECT_EQ(unprotected.WaitForExit(10000), 0);
    }

    // The shipped program: start-up, a failed run with its error box, a
    // successful run that clears the queue, and the end.
    RunningProgram program(programDir_ + L"kestrafen.exe", SW_SHOWNORMAL, workDir_);
    ASSERT_NE(program.MainWindow(), nullptr);
    const HWND bar = program.Control(ID_PROGRESS);
    ASSERT_NE(bar, nullptr) << "the progress bar needs the system's comctl32";
    EXPECT_EQ(_wcsicmp(WindowClass(bar).c_str(), L"msctls_progress32"), 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100) << "not a real progress bar";

    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_STOPPED));
    EXPECT_EQ(program.Clean().box.caption, L"错误");

    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    MakeJobFile(L"00031.SPL");
    MakeJobFile(L"00031.SHD");
    EXPECT_EQ(program.Clean().box.caption, L"成功");
    EXPECT_EQ(program.WaitForExit(10000), 0);
    EXPECT_TRUE(ListJobDir().empty()) << "the queue was not cleared";

    auto loaded = PlantsLoaded();
    for (const wchar_t* exe : {L"bare.exe", L"importer.exe", L"unprotected.exe", L"kestrafen.exe"}) {
        std::printf("%-16s loaded planted: %s\n", Narrow(exe).c_str(), Listed(loaded[exe]).c_str());
    }
    // What README's Hardening section claims, no more: no plant beyond those
    // the loader takes for a bare user32 program. (Wine's loader ignores the
    // load configuration's DependentLoadFlags, which keeps those in System32
    // on Windows, so under Wine the control loads some.)
    const Names& control = loaded[L"bare.exe"];
    // The plants work: without the protection the program takes one that
    // the bare program does not, and a usual comctl32 import takes its plant.
    EXPECT_TRUE(loaded[L"importer.exe"].count(L"comctl32.dll")) << "control: the plant must load";
    EXPECT_FALSE(PlantsBeyondTheBareProgram(loaded[L"unprotected.exe"], control).empty())
        << "control: without the protection a plant must load";
    const Names beyond = PlantsBeyondTheBareProgram(loaded[L"kestrafen.exe"], control);
    EXPECT_TRUE(beyond.empty()) << "the program loaded planted " << Listed(beyond);
}

} // namespace
