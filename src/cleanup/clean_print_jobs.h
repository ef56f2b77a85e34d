#pragma once

#include <windows.h>

// Stops the print spooler, deletes every file in its job directory and starts
// it again, reporting each stage on the status display and the outcome in a
// message box. After a success it asks the message loop to end.
// Runs to its end on the calling (user-interface) thread.
void CleanPrintJobs(HWND window);
