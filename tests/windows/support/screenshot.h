#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What a screenshot holds, for the log and the checks.
struct Shot {
    bool saved = false;
    int width = 0;
    int height = 0;
    int colours = 0;  // distinct colours, counted up to 64
};

// Saves the part of the screen that the windows cover together (their
// bounding rectangle), as the user sees it, as a 24-bit BMP file.
Shot SaveScreenshot(const std::vector<HWND>& windows, const std::wstring& path);
