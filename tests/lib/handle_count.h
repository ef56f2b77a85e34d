#pragma once

#include <windows.h>

// The number of handles this process has open. GetProcessHandleCount
// reports 0 under Wine, so there the count comes from the system's handle
// list instead. A count that can't be taken fails the calling test, with a
// message, rather than letting two zeros compare equal.
DWORD OpenHandleCount();
