// Start-up (process start to main window visible) of the tool against its
// start-up peer, the same program less what it adds on top of a plain window
// program (the loader restriction, the uxtheme pre-load and the ghosting
// call), in interleaved rounds; and the tool's peak working set idle, against
// the peer, and during a run over 10,000 job files (stand-in spooler).
#include "stats.h"
#include "ui/main_window.h"

#include "lib/job_dir.h"
#include "lib/running_program.h"
#include "lib/services.h"
#include "lib/test_paths.h"

#include <psapi.h>

#include <string>

namespace {

// Rounds of one start of each; their order alternates, so that neither
// always goes first after the other has just been in memory.
constexpr int kRounds = 40;
constexpr int kMemoryRuns = 3;
// Runs over 10,000 job files: the peak hardly varies, making the files takes long.
constexpr int kBusyRuns = 2;
// Both windows are the program's own main window.
const wchar_t kMainClass[] = L"KestrafenClass";

// Milliseconds from CreateProcess to the program's window being visible.
double StartUp(const std::wstring& exe)
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
        const HWND found = FindWindowOf(pi.dwProcessId, kMainClass);
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

// Peak working set of a program half a second after its window is up.
double IdleMiB(const std::wstring& exe)
{
    RunningProgram program(exe, SW_SHOWNORMAL);
    program.MainWindow();
    Sleep(500);
    const double mib = MiB(Memory(program.Process()).PeakWorkingSetSize);
    program.CloseBox();
    program.WaitForExit(10000);
    return mib;
}

} // namespace

int wmain()
{
    const std::wstring tool = ThisExecutableDir() + L"..\\kestrafen.exe";
    const std::wstring peer = ThisExecutableDir() + L"..\\startup_peer.exe";
    StartUp(tool);  // warm the file cache for both
    StartUp(peer);
    std::vector<double> toolStart, peerStart, ratios;
    for (int round = 0; round < kRounds; ++round) {
        double toolMs = 0;
        double peerMs = 0;
        if (round % 2 == 0) {
            toolMs = StartUp(tool);
            peerMs = StartUp(peer);
        } else {
            peerMs = StartUp(peer);
            toolMs = StartUp(tool);
        }
        if (toolMs < 0 || peerMs < 0) {
            std::printf("a start-up round failed\n");
            return 1;
        }
        toolStart.push_back(toolMs);
        peerStart.push_back(peerMs);
        ratios.push_back(toolMs / peerMs);
    }
    // Every round on standard error, for pooling rounds across runs.
    std::fprintf(stderr, "start-up rounds, program/peer ms:");
    for (size_t round = 0; round < toolStart.size(); ++round) {
        std::fprintf(stderr, " %.1f/%.1f", toolStart[round], peerStart[round]);
    }
    std::fprintf(stderr, "\n");
    char figure[64], peerFigure[64], ratio[160];
    std::snprintf(figure, sizeof figure, "%.1f ms", Median(toolStart));
    std::snprintf(peerFigure, sizeof peerFigure, "start-up peer: %.1f ms", Median(peerStart));
    std::snprintf(ratio, sizeof ratio,
                  "%.3f (median of %d rounds' ratios; quartiles %.3f to %.3f, range %.3f to %.3f)",
                  Median(ratios), kRounds, Quantile(ratios, 0.25), Quantile(ratios, 0.75),
                  Quantile(ratios, 0), Quantile(ratios, 1));
    Row("Start-up to visible window", figure, peerFigure, ratio, "ratio <= 1.05");

    std::vector<double> idle, peerIdle, busy;
    for (int run = 0; run < kMemoryRuns; ++run) {
        idle.push_back(IdleMiB(tool));
        peerIdle.push_back(IdleMiB(peer));
    }
    std::snprintf(figure, sizeof figure, "%.1f MiB", Median(idle));
    std::snprintf(peerFigure, sizeof peerFigure, "start-up peer: %.1f MiB", Median(peerIdle));
    std::snprintf(ratio, sizeof ratio, "%.2f", Median(idle) / Median(peerIdle));
    Row("Peak working set, idle", figure, peerFigure, ratio, "");

    SetSpoolerRefusesStart(false);
    for (int run = 0; run < kBusyRuns; ++run) {
        SetServiceState(L"Spooler", SERVICE_RUNNING);
        ResetJobDir();
        for (int i = 0; i < 10000; ++i) {
            MakeJobFile(std::to_wstring(10000 + i) + L".SPL");
        }
        RunningProgram program(tool, SW_SHOWNORMAL);
        program.MainWindow();
        const auto atBox = [&](HWND) { busy.push_back(MiB(Memory(program.Process()).PeakWorkingSetSize)); };
        program.Clean({{}, atBox, {}});
        if (!ListJobDir().empty()) {
            std::printf("the run left job files behind\n");
        }
        program.WaitForExit(10000);
    }
    std::snprintf(figure, sizeof figure, "%.1f MiB", Median(busy));
    std::snprintf(ratio, sizeof ratio, "%.2f", Median(busy) / Median(idle));
    Row("Peak working set, run over 10,000 job files", figure, "idle tool", ratio, "");
    return 0;
}
