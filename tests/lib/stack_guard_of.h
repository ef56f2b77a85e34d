#pragma once

#include <windows.h>

// The stack-protector guard of a running program: the value at the security
// cookie that its load configuration names. 0 if it can't be read.
ULONGLONG StackGuardOf(HANDLE process);

// The value a guard is built with, which the loader replaces at start-up.
constexpr ULONGLONG kUnchosenStackGuard = 0x00002B992DDFA232ULL;
