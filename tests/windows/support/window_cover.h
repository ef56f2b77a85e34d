#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Whether what the suite is about to photograph or click is what the user
// would see: the desktop taking input is this program's, and the program's
// windows are on top at the corners and the centre of each. Asking and
// deciding are apart, so the deciding is tested on recorded values.

// What lies on top at one point of a window.
struct PointOnTop {
    const char* where;   // "top-left corner", ..., "centre"
    DWORD pid = 0;       // the process of the top-level window there (0: none)
    std::string owner;   // its class and process, for the message
};

// What the system shows at the corners (a few pixels in) and the centre of
// the window.
std::vector<PointOnTop> PointsOnTop(HWND window);

// Empty if every point shows a window of the process pid; else what covers
// the window, and where.
std::string CoverProblem(const std::vector<PointOnTop>& points, DWORD pid);

// Empty if the desktop that takes input is the one this thread draws on;
// else why not (no interactive desktop, a locked or secure desktop).
std::string DesktopProblem();

// Both, for a window of process pid about to be photographed or clicked.
std::string NotInView(HWND window, DWORD pid);
