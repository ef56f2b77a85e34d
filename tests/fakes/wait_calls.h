#pragma once

// Link-time stand-ins for kernel32's Sleep and WaitForSingleObject, for
// everything in the executable that links fakes/wait_calls.cpp: while a
// recording runs on a thread, the time each call on that thread is given is
// noted; every call is then made for real.

#include <windows.h>

#include <functional>
#include <vector>

namespace fake {
struct WaitCalls {
    std::vector<DWORD> sleeps;        // Sleep's milliseconds, in order
    std::vector<DWORD> waitTimeouts;  // WaitForSingleObject's time-outs, in order
};

// The waits that `run` makes on this thread.
WaitCalls WaitsOf(const std::function<void()>& run);
}
