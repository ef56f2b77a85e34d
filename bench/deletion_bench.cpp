// Clearing a jammed queue: the tool's deletion stage (search and deletes,
// timed between its "deleting" and "restarting" status updates, with the
// commands and pauses replaced) against "cmd /c del /q /f" on the same files,
// alternating, median of the runs.
#include "stats.h"

#include "cleanup/clean_print_jobs.h"
#include "fakes/steps.h"
#include "lib/job_dir.h"
#include "lib/message_box_watch.h"
#include "lib/quit_message.h"

#include <string>

namespace {

constexpr int kRuns = 5;
// Runs over 10,000 files: each takes seconds and varies little.
constexpr int kLargeRuns = 2;

void MakeJobs(int count)
{
    ResetJobDir();
    for (int i = 0; i < count; ++i) {
        MakeJobFile(std::to_wstring(10000 + i) + (i % 2 ? L".SPL" : L".SHD"));
    }
}

double ToolDeletion()
{
    double deleting = 0;
    double restarting = 0;
    fake::onStatus = [&](int progress) {
        if (progress == 60) {
            deleting = NowMs();
        } else if (progress == 100) {
            restarting = NowMs();
        }
    };
    {
        MessageBoxWatch watch;
        CleanPrintJobs(nullptr);
    }
    TakeQuit();
    fake::onStatus = nullptr;
    fake::log.clear();
    return restarting - deleting;
}

double RunTimed(const std::wstring& commandLine)
{
    std::wstring command = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const double start = NowMs();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi)) {
        return -1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double elapsed = NowMs() - start;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return elapsed;
}

} // namespace

int wmain()
{
    std::wstring pattern = kJobDir;
    pattern += L"*";
    const std::wstring del = L"cmd /c del /q /f \"" + pattern + L"\"";
    std::vector<double> cmdStart;
    cmdStart.reserve(kRuns);
    for (int run = 0; run < kRuns; ++run) {
        cmdStart.push_back(RunTimed(L"cmd /c exit 0"));
    }
    for (const int count : {1000, 10000}) {
        std::vector<double> tool, cmd;
        const int runs = count > 1000 ? kLargeRuns : kRuns;
        for (int run = 0; run < runs; ++run) {
            MakeJobs(count);
            tool.push_back(ToolDeletion());
            MakeJobs(count);
            cmd.push_back(RunTimed(del));
            if (!ListJobDir().empty()) {
                std::printf("del left files behind\n");
            }
        }
        char what[64], figure[64], peer[96], ratio[32];
        std::snprintf(what, sizeof what, "Deletion stage, %d job files", count);
        std::snprintf(figure, sizeof figure, "%.1f ms", Median(tool));
        std::snprintf(peer, sizeof peer, "del: %.1f ms (%.1f ms without cmd's own start)",
                      Median(cmd), Median(cmd) - Median(cmdStart));
        std::snprintf(ratio, sizeof ratio, "%.2f", Median(tool) / Median(cmd));
        Row(what, figure, peer, ratio, "ratio <= 1.0");
    }
    ResetJobDir();
    return 0;
}
