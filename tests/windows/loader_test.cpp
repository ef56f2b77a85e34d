// The released program as the system's loader sets it up: DLLs planted where
// it runs, the mitigations the loader applies, its stack guard, and the end
// of a program whose stack guard is hit.
#include "lib/services.h"
#include "windows/support/mitigations.h"
#include "windows/support/platform.h"
#include "windows/support/suite_paths.h"

#include "lib/exit_code.h"
#include "lib/planted_markers.h"
#include "lib/process_tree.h"
#include "lib/running_program.h"
#include "lib/stack_guard_of.h"
#include "lib/test_paths.h"

#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// What a planted DLL can be called (tests/CMakeLists.txt names them).
const wchar_t* const kPlantedNames[] = {KESTRAFEN_PLANTED_NAMES};
using Names = PlantNames;

TEST(PlantingRule, DecidedOnRecordedLoads)
{
    const struct {
        const char* name;
        Names program, bare, beyond;
    } cases[] = {
        {"none loaded", {}, {}, {}},
        {"what the bare program loads too (Wine's user32)", {L"version"}, {L"version"}, {}},
        {"one of the program's own", {L"version", L"uxtheme"}, {L"version"}, {L"uxtheme"}},
        {"the bare program's alone don't excuse others", {L"comctl32"}, {L"version"}, {L"comctl32"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlantsBeyondTheBareProgram(c.program, c.bare), c.beyond) << c.name;
    }
}

// A folder holding copies of the programs, and a working directory, each
// with the marker DLL under every planted name.
class PlantedDlls : public testing::Test {
protected:
    void SetUp() override
    {
        if (OnWine()) {
            // ctest tells Wine, for each name.
            ASSERT_TRUE(WineTakesPlantsFirst(kPlantedNames, std::size(kPlantedNames)));
        }
        programDir_ = MakeScratchDir(L"kestrafen-suite-programs");
        workDir_ = MakeScratchDir(L"kestrafen-suite-cwd");
        const std::pair<std::wstring, const wchar_t*> programs[] = {
            {ReleaseDir() + L"kestrafen.exe", L"kestrafen.exe"},
            {SuiteDir() + L"bare_user32_program.exe", L"bare.exe"},
            {SuiteDir() + L"unrestricted_loader.exe", L"loader.exe"}};
        for (const auto& [from, to] : programs) {
            ASSERT_TRUE(CopyFileW(from.c_str(), (programDir_ + to).c_str(), FALSE)) << Utf8(from);
        }
        for (const wchar_t* name : kPlantedNames) {
            for (const std::wstring& dir : {programDir_, workDir_}) {
                ASSERT_TRUE(CopyFileW((SuiteDir() + L"planted_dll.dll").c_str(), (dir + name + L".dll").c_str(),
                                      FALSE));
            }
        }
        RemoveTree(kPlantedMarkers);
    }

    void TearDown() override
    {
        RemoveTree(programDir_);
        RemoveTree(workDir_);
        RemoveTree(kPlantedMarkers);
    }

    std::wstring programDir_;
    std::wstring workDir_;
    SpoolerRestorer restorer_;
};

TEST_F(PlantedDlls, NoneLoadsIntoTheReleasedProgram)
{
    {  // A window, a button and a message box: what the system loads for any such program.
        RunningProgram bare(programDir_ + L"bare.exe", SW_SHOWNORMAL, workDir_);
        const HWND box = bare.WaitForBox(10000);
        ASSERT_NE(box, nullptr);
        RunningProgram::Dismiss(box);
        EXPECT_EQ(bare.WaitForExit(10000), 0);
    }
    // The control: loads by name without any restriction.
    std::wstring names;
    for (const wchar_t* name : kPlantedNames) {
        names += std::wstring(name) + L".dll ";
    }
    const std::optional<DWORD> missing =
        ExitCodeOf(L"\"" + programDir_ + L"loader.exe\" " + names, 30000, {}, workDir_);
    std::printf("control could not load %ld of the names\n", missing ? static_cast<long>(*missing) : -1L);

    // The released program: start-up, a successful run, the end.
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    {
        RunningProgram program(programDir_ + L"kestrafen.exe", SW_SHOWNORMAL, workDir_);
        ASSERT_NE(program.MainWindow(), nullptr);
        EXPECT_EQ(program.Clean().box.caption, L"成功");
        EXPECT_EQ(program.WaitForExit(10000), 0);
    }

    auto loaded = PlantsLoaded();
    for (const wchar_t* exe : {L"bare.exe", L"loader.exe", L"kestrafen.exe"}) {
        std::printf("%-14s loaded planted: %s\n", Utf8(exe).c_str(), Listed(loaded[exe]).c_str());
    }
    EXPECT_FALSE(loaded[L"loader.exe"].empty()) << "control: a load without restriction must take a plant";
    // What the system loads for any windowed program before its code runs
    // (under Wine, user32 loads version.dll) is a fact about the platform,
    // logged, not a fault of the program's.
    std::printf("the platform loads for a bare user32 program: %s\n", Listed(loaded[L"bare.exe"]).c_str());
    const Names beyond = PlantsBeyondTheBareProgram(loaded[L"kestrafen.exe"], loaded[L"bare.exe"]);
    EXPECT_TRUE(beyond.empty()) << "the program loaded planted " << Listed(beyond);
}

const char kWineReportsNoMitigations[] = "Wine 8's GetProcessMitigationPolicy returns TRUE and fills in nothing";

std::string Joined(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : ", ") + item;
    }
    return joined.empty() ? "none" : joined;
}

TEST(Hardening, TheReleasedProgramRunsWithItsMitigations)
{
    RunningProgram program(ReleaseDir() + L"kestrafen.exe", SW_SHOWNORMAL, ReleaseDir());
    ASSERT_NE(program.MainWindow(), nullptr);
    const Mitigations mitigations = MitigationsOf(program.Process());
    program.Press(ID_EXIT);
    EXPECT_EQ(program.WaitForExit(10000), 0);
    std::printf("kestrafen.exe: %s\n", Describe(mitigations).c_str());
    WINDOWS_ONLY(kWineReportsNoMitigations);
    const std::vector<std::string> gaps = HardeningGaps(mitigations);
    EXPECT_TRUE(gaps.empty()) << "missing: " << Joined(gaps);
}

TEST(Hardening, AProgramBuiltWithoutThemFailsTheCheck)
{
    // The control: built without Control Flow Guard or high-entropy ASLR.
    RunningProgram control(SuiteDir() + L"unhardened_program.exe", SW_SHOWNORMAL, SuiteDir());
    const HWND box = control.WaitForBox(10000);
    ASSERT_NE(box, nullptr);
    const Mitigations mitigations = MitigationsOf(control.Process());
    RunningProgram::Dismiss(box);
    EXPECT_EQ(control.WaitForExit(10000), 0);
    std::printf("unhardened_program.exe: %s\n", Describe(mitigations).c_str());
    WINDOWS_ONLY(kWineReportsNoMitigations);
    const std::vector<std::string> gaps = HardeningGaps(mitigations);
    std::printf("the check finds missing: %s\n", Joined(gaps).c_str());
    EXPECT_NE(std::find(gaps.begin(), gaps.end(), "Control Flow Guard"), gaps.end());
    EXPECT_NE(std::find(gaps.begin(), gaps.end(), "high-entropy ASLR"), gaps.end());
}

// The deciding half of the two checks above, on recorded policies: one
// policy that can't be read is reported alone, and names no other gap.
TEST(Hardening, GapsAreDecidedPolicyByPolicy)
{
    Mitigations hardened;
    hardened.aslrRead = hardened.cfgRead = true;
    hardened.aslrBottomUp = hardened.aslrHighEntropy = hardened.cfg = true;
    Mitigations cfgUnread = hardened;
    cfgUnread.cfgRead = false;
    cfgUnread.cfg = false;
    Mitigations unhardened = hardened;  // as unhardened_program.exe reads on Windows
    unhardened.aslrHighEntropy = false;
    unhardened.cfg = false;
    Mitigations lowEntropy = hardened;
    lowEntropy.aslrHighEntropy = false;
    const struct {
        const char* name;
        Mitigations mitigations;
        std::vector<std::string> gaps;
    } cases[] = {
        {"hardened", hardened, {}},
        {"CFG unread", cfgUnread, {"Control Flow Guard unread"}},
        {"nothing read (Wine 8)", Mitigations{}, {"high-entropy ASLR unread", "Control Flow Guard unread"}},
        {"unhardened", unhardened, {"high-entropy ASLR", "Control Flow Guard"}},
        {"bottom-up ASLR without high entropy", lowEntropy, {"high-entropy ASLR"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HardeningGaps(c.mitigations), c.gaps) << c.name << ": " << Describe(c.mitigations);
    }
}

TEST(StackGuard, EachStartOfTheReleasedProgramChoosesItsOwn)
{
    const std::wstring exe = ReleaseDir() + L"kestrafen.exe";
    std::vector<ULONGLONG> guards(2);
    for (ULONGLONG& guard : guards) {
        RunningProgram program(exe, SW_SHOWNORMAL, ReleaseDir());
        ASSERT_NE(program.MainWindow(), nullptr);
        guard = StackGuardOf(program.Process());
        program.Press(ID_EXIT);
        EXPECT_EQ(program.WaitForExit(10000), 0);
    }
    const ULONGLONG built = BuiltStackGuard(exe).value_or(0);
    ASSERT_NE(built, 0u) << "no security cookie in the exe file";
    std::printf("stack guards of two starts: %016llx, %016llx (in the exe file: %016llx)\n", guards[0], guards[1],
                built);
    // Only Windows' loader promises each start a guard of its own (see
    // StackGuardFaults): demanded on Windows, and wherever KESTRAFEN_REQUIRE_WINDOWS
    // says this is Windows.
    for (const std::string& fault : StackGuardFaults(guards, built, !OnWine() || SkipsAreFailures())) {
        ADD_FAILURE() << fault;
    }
}

// Visible top-level windows, and the processes they belong to.
std::map<HWND, DWORD> VisibleWindows()
{
    std::map<HWND, DWORD> windows;
    for (const HWND window : TopLevelWindows()) {
        if (IsWindowVisible(window)) {
            GetWindowThreadProcessId(window, &windows[window]);
        }
    }
    return windows;
}

TEST(FastFail, AHitStackGuardEndsTheProgramAtOnceWithNoDialog)
{
    const std::map<HWND, DWORD> before = VisibleWindows();
    const ULONGLONG start = GetTickCount64();
    DWORD pid = 0;
    const std::optional<DWORD> exitCode =
        ExitCodeOf(L"\"" + SuiteDir() + L"stack_overrun.exe\" overrun", 30000, {}, SuiteDir(), &pid);
    std::printf("stack_overrun.exe overrun: exit code 0x%08lX after %llu ms\n", exitCode.value_or(0),
                GetTickCount64() - start);
    EXPECT_EQ(exitCode, 0xC0000409UL) << "STATUS_STACK_BUFFER_OVERRUN";

    // Whatever reports the crash (Windows Error Reporting, Wine's debugger)
    // leaves no window up. On the runners the image sets WER's DontShowUI
    // (the environment check prints it), so this half shows that setting;
    // the exit code above is what it proves about the program: a hit guard
    // ends it at once through fast-fail, with no handler of its own.
    Sleep(2000);
    int dialogs = 0;
    for (const auto& [window, owner] : VisibleWindows()) {
        const std::wstring image = ImageOf(owner);
        const bool reporter = _wcsicmp(image.c_str(), L"WerFault.exe") == 0 ||
                              _wcsicmp(image.c_str(), L"WerFaultSecure.exe") == 0 ||
                              _wcsicmp(image.c_str(), L"winedbg.exe") == 0;
        if (before.count(window) == 0 && (reporter || owner == pid || WindowClass(window) == L"#32770")) {
            std::printf("left open: \"%s\" (class %s) of %s\n", Utf8(WindowText(window)).c_str(),
                        Utf8(WindowClass(window)).c_str(), Utf8(image).c_str());
            ++dialogs;
        }
    }
    EXPECT_EQ(dialogs, 0);
}

} // namespace
