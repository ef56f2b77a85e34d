#pragma once

// Link-time stand-ins for the status display (status.cpp) and the
// command runner (commands.cpp), for tests of the cleanup sequence:
// every call is recorded in one ordered log, and the commands answer from a
// script instead of running.

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fake {

// "status <text> <progress>", "run <command>" and, appended by tests, "box ...".
extern std::vector<std::wstring> log;

// Called with each status update's progress after it is logged.
extern std::function<void(int)> onStatus;

// Results that the next RunCommand calls return, in order; true when empty.
// An empty command, which the real runner can't start, fails without taking
// one.
extern std::deque<bool> commandResults;

// Called with each command line before its result is returned.
extern std::function<void(const std::wstring&)> onCommand;

} // namespace fake
