#pragma once

// Link-time stand-ins for kernel32's FindFirstFileW and DeleteFileW, for
// everything in the executable that links fakes/file_calls.cpp: each call is
// recorded, then made for real.

#include <string>
#include <vector>

namespace fake {
// "find <pattern>" and "delete <path>", in order.
extern std::vector<std::wstring> fileCalls;
}
