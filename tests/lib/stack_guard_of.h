#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The stack-protector guard of a running program: the value at the security
// cookie that its load configuration names. 0 if it can't be read.
ULONGLONG StackGuardOf(HANDLE process);

// The guard as the exe file holds it, before any start chose one: the eight
// bytes at `rva` in the image, or, with `rva` 0, at the security cookie that
// the file's load configuration names. Nothing if the file can't say.
std::optional<ULONGLONG> BuiltStackGuard(const std::wstring& exe, DWORD rva = 0);

// The one rule for the guards that several starts of one program chose, in
// order: what is wrong with them, one line a fault, or nothing.
//
// Every start must have chosen its guard: none may be left as the exe file
// holds it (`built`: the unchosen value, which tests/pe_facts_test.py checks
// the shipped exe is built with), nor 0, and, as MSVC's
// runtime and Windows' loader keep it, its top 16 bits are clear, so that a
// guard can't be taken for a canonical pointer.
//
// Only where the chooser promises it must no two starts share a guard
// (`distinctPromised`):
// - Windows' loader replaces the cookie of an image's load configuration
//   with "a security cookie that is computed once at module load"
//   (https://learn.microsoft.com/en-us/cpp/build/reference/gs-buffer-security-check):
//   a guard of each start's own, which the Windows suite demands there.
// - Wine's loader replaces it too, in set_security_cookie() of
//   dlls/ntdll/loader.c
//   (https://github.com/wine-mirror/wine/blob/wine-8.0/dlls/ntdll/loader.c),
//   with RtlRandom() seeded from NtGetTickCount() ^ GetCurrentProcessId()
//   alone: two starts whose seeds meet get the same guard (seen: two of
//   three starts under load, both with 000032ea901aebdb). Under Wine nothing
//   more than the choosing is demanded of the loader.
// - A build without a load configuration chooses its own guard
//   (src/runtime/stack_protector.cpp) from the performance counter, the
//   process and thread ids, the tick count and a stack address: every start
//   differs, on either system.
std::vector<std::string> StackGuardFaults(const std::vector<ULONGLONG>& guards, ULONGLONG built,
                                          bool distinctPromised);
