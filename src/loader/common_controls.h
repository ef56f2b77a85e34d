#pragma once

// Makes the progress-bar window class available. comctl32 is loaded from the
// system directory only, never from the program's folder; if it can't be
// loaded the bar simply fails to be created later.
void InitProgressBarClass();
