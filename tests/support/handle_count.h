#pragma once

#include <windows.h>

// The number of handles this process has open. GetProcessHandleCount
// reports 0 under Wine, so there the count comes from the system's handle
// list instead; a check built on it can then still fail.
DWORD OpenHandleCount();
