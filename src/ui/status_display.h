#pragma once

#include <windows.h>

// The status label and the progress bar of the main window. Written once when
// the window creates them; null until then.
extern HWND hStatus;    // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
extern HWND hProgress;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

// Shows text and a progress position (0 to 100), paints both at once although
// the caller holds up the message loop, then pauses kStagePauseMs so the user
// can follow the stage.
constexpr DWORD kStagePauseMs = 500;
void UpdateStatus(const wchar_t* text, int progress);
