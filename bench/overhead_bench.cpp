// The tool's own overhead in a successful run over an empty job directory:
// the whole run with the real status display on real controls, instant
// commands and a message box that is dismissed as soon as it is up, minus the
// four stage pauses as this machine really sleeps them.
#include "stats.h"

#include "cleanup/clean_print_jobs.h"
#include "ui/status_display.h"
#include "lib/job_dir.h"
#include "lib/message_box_watch.h"
#include "lib/quit_message.h"

#include <commctrl.h>

#include <string>

bool RunCommand(const std::wstring& /*command*/)
{
    return true;
}

int wmain()
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    const HWND window = CreateWindowExW(0, L"STATIC", L"overhead", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    hStatus = CreateWindowExW(0, L"STATIC", L"就绪", WS_CHILD | WS_VISIBLE | SS_CENTER, 50, 50, 300,
                              20, window, nullptr, nullptr, nullptr);
    hProgress = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 50, 80, 300, 20,
                                window, nullptr, nullptr, nullptr);
    SendMessageW(hProgress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));

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
        overhead.push_back(NowMs() - start - 4 * Median(pause));
        TakeQuit();
    }
    char figure[64], peer[64];
    std::snprintf(figure, sizeof figure, "%.1f ms", Median(overhead));
    std::snprintf(peer, sizeof peer, "one 500 ms pause: %.1f ms", Median(pause));
    Row("Overhead of a successful run, empty job directory", figure, peer, "", "<= 50 ms");
    DestroyWindow(window);
    return 0;
}
