// Start-up (process start to main window visible) of the tool against a bare
// Win32 window program, alternating; and the tool's peak working set idle
// and during a run over 10,000 job files (stand-in spooler).
#include "stats.h"
#include "ui/main_window.h"

#include "lib/job_dir.h"
#include "lib/running_program.h"
#include "lib/spooler_service.h"
#include "lib/test_paths.h"

#include <psapi.h>

#include <string>

namespace {

constexpr int kRuns = 7;

// Milliseconds from CreateProcess to the program's window being visible.
double StartUp(const std::wstring& exe, const wchar_t* className)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    const double start = NowMs();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        return -1;
    }
    HWND window = nullptr;
    double elapsed = -1;
    for (int i = 0; i < 20000 && !window; ++i) {
        const HWND found = FindWindowOf(pi.dwProcessId, className);
        if (found && IsWindowVisible(found)) {
            window = found;
            elapsed = NowMs() - start;
        } else {
            Sleep(1);
        }
    }
    if (window) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return elapsed;
}

PROCESS_MEMORY_COUNTERS Memory(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process, &counters, sizeof(counters));
    return counters;
}

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

int wmain()
{
    const std::wstring tool = ThisExecutableDir() + L"..\\kestrafen.exe";
    const std::wstring bare = ThisExecutableDir() + L"..\\bare_window.exe";
    StartUp(tool, L"KestrafenClass");  // warm the file cache for both
    StartUp(bare, L"BareWindowClass");
    std::vector<double> toolStart, bareStart;
    for (int run = 0; run < kRuns; ++run) {
        toolStart.push_back(StartUp(tool, L"KestrafenClass"));
        bareStart.push_back(StartUp(bare, L"BareWindowClass"));
    }
    char figure[64], peer[64], ratio[32];
    std::snprintf(figure, sizeof figure, "%.1f ms", Median(toolStart));
    std::snprintf(peer, sizeof peer, "bare window: %.1f ms", Median(bareStart));
    std::snprintf(ratio, sizeof ratio, "%.2f", Median(toolStart) / Median(bareStart));
    Row("Start-up to visible window", figure, peer, ratio, "ratio <= 1.1");

    std::vector<double> idle, bareIdle, busy;
    for (int run = 0; run < 5; ++run) {
        RunningProgram program(tool, SW_SHOWNORMAL);
        program.MainWindow();
        Sleep(500);
        idle.push_back(MiB(Memory(program.Process()).PeakWorkingSetSize));
        program.CloseBox();
        program.WaitForExit(10000);
        RunningProgram peerProgram(bare, SW_SHOWNORMAL);
        Sleep(1000);
        bareIdle.push_back(MiB(Memory(peerProgram.Process()).PeakWorkingSetSize));
    }
    std::snprintf(figure, sizeof figure, "%.1f MiB", Median(idle));
    std::snprintf(peer, sizeof peer, "bare window: %.1f MiB", Median(bareIdle));
    std::snprintf(ratio, sizeof ratio, "%.2f", Median(idle) / Median(bareIdle));
    Row("Peak working set, idle", figure, peer, ratio, "");

    SetSpoolerRefusesStart(false);
    for (int run = 0; run < 5; ++run) {
        SetSpoolerState(SERVICE_RUNNING);
        ResetJobDir();
        for (int i = 0; i < 10000; ++i) {
            MakeJobFile(std::to_wstring(10000 + i) + L".SPL");
        }
        RunningProgram program(tool, SW_SHOWNORMAL);
        program.MainWindow();
        program.Press(ID_CLEAN);
        HWND box = nullptr;
        program.FollowStatusUntilBox(box);
        busy.push_back(MiB(Memory(program.Process()).PeakWorkingSetSize));
        if (!ListJobDir().empty()) {
            std::printf("the run left job files behind\n");
        }
        RunningProgram::Dismiss(box);
        program.WaitForExit(10000);
    }
    std::snprintf(figure, sizeof figure, "%.1f MiB", Median(busy));
    std::snprintf(ratio, sizeof ratio, "%.2f", Median(busy) / Median(idle));
    Row("Peak working set, run over 10,000 job files", figure, "idle tool", ratio, "");
    return 0;
}
