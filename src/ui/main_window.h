#pragma once

#include <windows.h>

enum : int {
    ID_CLEAN = 1,
    ID_EXIT = 2,
    ID_STATUS = 100,
    ID_PROGRESS = 101,
};

// The window procedure of the main window: the clean button runs a cleanup,
// the exit button and the window's destruction end the message loop.
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window's class; false if the platform refuses.
bool RegisterMainClass(HINSTANCE instance);

// Creates the fixed-size main window, invisible; null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// Creates the status label, the progress bar (range 0 to 100) and the two
// buttons, and publishes the label's and the bar's handles for the status
// display.
void CreateControls(HWND window, HINSTANCE instance);
