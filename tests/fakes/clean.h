#pragma once

#include <windows.h>

#include <vector>

namespace fake {
// The window handle of every CleanPrintJobs call, in order.
extern std::vector<HWND> cleanRuns;
}
