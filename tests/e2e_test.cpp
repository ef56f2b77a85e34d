// The built program, end to end, under the real platform: its window, its
// buttons, the real net.exe and service manager (driving our stand-in
// spooler), and the job directory of the throwaway prefix.
#include "ui/main_window.h"

#include "lib/job_dir.h"
#include "lib/process_tree.h"
#include "lib/running_program.h"
#include "lib/services.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <winternl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::wstring>;

const std::vector<std::wstring> kJobs = {L"00021.SPL", L"00021.SHD", L"打印 任务.SPL"};
const std::vector<std::wstring> kJobsAndKeptDir = {L"00021.SHD", L"00021.SPL", L"kept\\",
                                                   L"kept\\inner.SPL", L"打印 任务.SPL"};

// The built program, or the one KESTRAFEN_PROGRAM names (the signing test
// runs the signed release through these tests).
std::wstring ProgramPath()
{
    const std::wstring chosen = EnvironmentVariable(L"KESTRAFEN_PROGRAM");
    return chosen.empty() ? ThisExecutableDir() + L"..\\kestrafen.exe" : chosen;
}

LONG Centred(LONG desktop, LONG size)
{
    return (desktop - size) / 2;
}

// The command line of another process, read from its process parameters.
std::wstring CommandLineOf(DWORD pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        return {};
    }
    std::wstring commandLine;
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS params{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &params, sizeof(params), nullptr)) {
        commandLine.resize(params.CommandLine.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, params.CommandLine.Buffer, commandLine.data(),
                               params.CommandLine.Length, nullptr)) {
            commandLine.clear();
        }
    }
    CloseHandle(process);
    return commandLine;
}

// What the service commands of one run looked like from outside: each
// net.exe the program started, and the command line of the console host
// that the system gave it, if any.
struct CommandConsoles {
    std::map<DWORD, std::wstring> consoleOfCommand;  // net.exe pid -> its conhost's command line
};

// Snapshots the processes, adding the program's net.exe children and their
// console hosts to what was seen.
void WatchCommands(DWORD programPid, CommandConsoles& seen)
{
    const std::vector<PROCESSENTRY32W> processes = Processes();
    for (const PROCESSENTRY32W& process : processes) {
        if (process.th32ParentProcessID == programPid && _wcsicmp(process.szExeFile, L"net.exe") == 0) {
            seen.consoleOfCommand.emplace(process.th32ProcessID, L"");
        }
    }
    for (const PROCESSENTRY32W& process : processes) {
        const auto command = seen.consoleOfCommand.find(process.th32ParentProcessID);
        if (command != seen.consoleOfCommand.end() && command->second.empty() &&
            _wcsicmp(process.szExeFile, L"conhost.exe") == 0) {
            command->second = CommandLineOf(process.th32ProcessID);
        }
    }
}

class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_THROWAWAY_PREFIX();
        ASSERT_TRUE(PathExists(ProgramPath())) << "program not built beside the tests";
        ASSERT_TRUE(SpoolerIsStandIn()) << "the harness must install the stand-in spooler";
        SetSpoolerRefusesStart(false);
        ResetJobDir();
        CreateDirectoryW((std::wstring(kJobDir) + L"kept").c_str(), nullptr);
        MakeJobFile(L"kept\\inner.SPL");
        for (const std::wstring& job : kJobs) {
            MakeJobFile(job);
        }
    }

    void TearDown() override
    {
        SetSpoolerRefusesStart(false);
        ResetJobDir();
    }
};

TEST_F(EndToEnd, TheWindowAsItFirstAppears)
{
    RunningProgram program(ProgramPath(), SW_SHOWNORMAL);
    ASSERT_TRUE(program.Started());
    const HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowText(window), L"打印任务清理工具");
    EXPECT_TRUE(IsWindowVisible(window));
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));

    RECT desktop{};
    RECT rect{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    EXPECT_EQ(rect.left, Centred(desktop.right, 400));
    EXPECT_EQ(rect.top, Centred(desktop.bottom, 300));

    const struct {
        int id;
        const wchar_t* className;
        const wchar_t* text;
    } controls[] = {{ID_STATUS, L"Static", L"就绪"},
                    {ID_PROGRESS, L"msctls_progress32", L""},
                    {ID_CLEAN, L"Button", L"清理打印任务并重启服务"},
                    {ID_EXIT, L"Button", L"退出"}};
    for (const auto& control : controls) {
        const HWND child = program.Control(control.id);
        ASSERT_NE(child, nullptr) << control.id;
        EXPECT_EQ(_wcsicmp(WindowClass(child).c_str(), control.className), 0) << control.id;
        EXPECT_EQ(WindowText(child), control.text) << control.id;
        EXPECT_TRUE(IsWindowVisible(child)) << control.id;
    }
    const HWND bar = program.Control(ID_PROGRESS);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);

    program.Press(ID_EXIT);
    EXPECT_EQ(program.WaitForExit(10000), 0);
}

TEST_F(EndToEnd, SuccessClearsTheQueueRestartsTheSpoolerAndEnds)
{
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    RunningProgram program(ProgramPath(), SW_SHOWNORMAL);
    ASSERT_NE(program.MainWindow(), nullptr);

    const RunningProgram::Cleanup run = program.Clean();
    EXPECT_EQ(run.stages, (Texts{L"就绪", L"正在停止打印服务...", L"正在删除打印任务...",
                             L"正在重启打印服务...", L"清理完成！"}));
    EXPECT_EQ(run.box.text, L"打印任务已清理并重启服务！");
    EXPECT_EQ(run.box.caption, L"成功");
    EXPECT_EQ(program.WaitForExit(10000), 0);
    EXPECT_EQ(ListJobDir(), (Texts{L"kept\\", L"kept\\inner.SPL"}));
    EXPECT_EQ(QueryService(L"Spooler").state, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(EndToEnd, ServiceCommandsGetAConsoleWithoutAWindow)
{
    // A console program started by a program without a console gets a new
    // console: on Windows with a window of its own, unless it is started with
    // CREATE_NO_WINDOW. Wine gives such a child a console host without a
    // window ("conhost.exe ... --headless"); without the flag, none.
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    RunningProgram program(ProgramPath(), SW_SHOWNORMAL);
    ASSERT_NE(program.MainWindow(), nullptr);
    const DWORD programPid = GetProcessId(program.Process());

    CommandConsoles seen;
    const auto watch = [&] {
        WatchCommands(programPid, seen);
        Sleep(2);
    };
    EXPECT_EQ(program.Clean({{}, {}, watch}).box.caption, L"成功");
    EXPECT_EQ(program.WaitForExit(10000), 0);

    EXPECT_EQ(seen.consoleOfCommand.size(), 2u) << "the stop and the start command";
    for (const auto& [pid, console] : seen.consoleOfCommand) {
        EXPECT_NE(console.find(L"--headless"), std::wstring::npos)
            << "net.exe " << pid << ": "
            << (console.empty() ? std::string("no console of its own")
                                : "a console host with a window: " + std::string(console.begin(), console.end()));
    }
}

TEST_F(EndToEnd, StopFailureLeavesTheJobsAndTheProgramOpen)
{
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_STOPPED));  // net stop then reports failure
    RunningProgram program(ProgramPath(), SW_SHOWNORMAL);
    ASSERT_NE(program.MainWindow(), nullptr);

    const RunningProgram::Cleanup run = program.Clean();
    EXPECT_EQ(run.stages, (Texts{L"就绪", L"正在停止打印服务...", L"停止服务失败"}));
    EXPECT_EQ(run.box.text, L"无法停止打印服务");
    EXPECT_EQ(run.box.caption, L"错误");
    EXPECT_EQ(program.WaitForExit(500), -1) << "the program must stay open";
    EXPECT_EQ(ListJobDir(), kJobsAndKeptDir);
    EXPECT_EQ(QueryService(L"Spooler").state, static_cast<DWORD>(SERVICE_STOPPED));

    program.Press(ID_EXIT);
    EXPECT_EQ(program.WaitForExit(10000), 0);
}

TEST_F(EndToEnd, RestartFailureClearsTheJobsAndAnotherRunStartsFromTheStop)
{
    ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_RUNNING));
    SetSpoolerRefusesStart(true);
    RunningProgram program(ProgramPath(), SW_SHOWNORMAL);
    ASSERT_NE(program.MainWindow(), nullptr);

    RunningProgram::Cleanup run = program.Clean();
    EXPECT_EQ(run.stages, (Texts{L"就绪", L"正在停止打印服务...", L"正在删除打印任务...",
                             L"正在重启打印服务...", L"重启服务失败"}));
    EXPECT_EQ(run.box.text, L"无法重启打印服务");
    EXPECT_EQ(run.box.caption, L"错误");
    EXPECT_EQ(program.WaitForExit(500), -1) << "the program must stay open";
    EXPECT_EQ(ListJobDir(), (Texts{L"kept\\", L"kept\\inner.SPL"}));
    EXPECT_EQ(QueryService(L"Spooler").state, static_cast<DWORD>(SERVICE_STOPPED));

    // The spooler is down now, so a second run fails at its first stage.
    run = program.Clean();
    EXPECT_EQ(run.stages, (Texts{L"重启服务失败", L"正在停止打印服务...", L"停止服务失败"}));
    EXPECT_EQ(run.box.text, L"无法停止打印服务");

    program.CloseBox();
    EXPECT_EQ(program.WaitForExit(10000), 0);
}

TEST_F(EndToEnd, StartedMinimisedOrHiddenIsCentredAllTheSame)
{
    const struct {
        WORD show;
        bool visible;
        bool iconic;
    } cases[] = {{SW_SHOWMINNOACTIVE, true, true}, {SW_MINIMIZE, true, true}, {SW_HIDE, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.show);
        RunningProgram program(ProgramPath(), c.show);
        const HWND window = program.MainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(IsWindowVisible(window) != 0, c.visible);
        EXPECT_EQ(IsIconic(window) != 0, c.iconic);
        // Brought back by the user, it stands in the middle of the desktop.
        ShowWindow(window, SW_RESTORE);
        RECT desktop{};
        RECT rect{};
        GetWindowRect(GetDesktopWindow(), &desktop);
        GetWindowRect(window, &rect);
        EXPECT_EQ(rect.left, Centred(desktop.right, 400));
        EXPECT_EQ(rect.top, Centred(desktop.bottom, 300));
        program.CloseBox();
        EXPECT_EQ(program.WaitForExit(10000), 0);
    }
}

} // namespace
