#pragma once

#include <optional>
#include <string>

// Link-time stand-in for kernel32's GetSystemDirectoryW, for everything in
// the executable that links support/fake_system_directory.cpp: it answers
// with fake::systemDirectory when that is set (an empty one makes the call
// fail) and with the real system directory otherwise. A program built with
// it takes its first value from the environment variable
// KESTRAFEN_FAKE_SYSTEM_DIRECTORY, if set.
namespace fake {
extern std::optional<std::wstring> systemDirectory;
}
