// Link-time stand-in for the cleanup run, for tests of the window procedure.
#include "fakes/clean.h"

#include "cleanup/clean_print_jobs.h"

namespace fake {
std::vector<HWND> cleanRuns;
}

void CleanPrintJobs(HWND window)
{
    fake::cleanRuns.push_back(window);
}
