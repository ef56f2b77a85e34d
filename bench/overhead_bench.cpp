// The tool's own overhead in a successful run over an empty job directory:
// the whole run in the program's own main window and controls, with instant
// commands and a message box that is dismissed as soon as it is up, minus the
// four stage pauses as this machine really sleeps them.
#include "stats.h"

#include "cleanup/clean_print_jobs.h"
#include "loader/common_controls.h"
#include "ui/main_window.h"
#include "lib/job_dir.h"
#include "lib/message_box_watch.h"
#include "lib/quit_message.h"

#include <string>

bool RunCommand(const std::wstring& /*command*/)
{
    return true;
}

int wmain()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    InitProgressBarClass();
    if (!RegisterMainClass(instance)) {
        return 1;
    }
    const HWND window = CreateMainWindow(instance);
    if (!window) {
        return 1;
    }
    CreateControls(window, instance);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    std::vector<double> pause, overhead;
    for (int run = 0; run < 7; ++run) {
        const double sleepStart = NowMs();
        Sleep(500);
        pause.push_back(NowMs() - sleepStart);
    }
    for (int run = 0; run < 7; ++run) {
        ResetJobDir();
        MessageBoxWatch watch;
        const double start = NowMs();
        CleanPrintJobs(window);
        overhead.push_back(NowMs() - start - (4 * Median(pause)));
        TakeQuit();
    }
    char figure[64], peer[64];
    std::snprintf(figure, sizeof figure, "%.1f ms", Median(overhead));
    std::snprintf(peer, sizeof peer, "one 500 ms pause: %.1f ms", Median(pause));
    Row("Overhead of a successful run, empty job directory", figure, peer, "", "<= 50 ms");
    DestroyWindow(window);
    return 0;
}
