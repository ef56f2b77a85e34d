#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A process and everything it started (net.exe, net1.exe, their console
// hosts), children first: the image names and ids, for the log.
struct TreeMember {
    DWORD pid;
    std::wstring image;
};
std::vector<TreeMember> ProcessTree(DWORD root);

// Ends a process and everything it started, descendants first.
void EndProcessTree(DWORD root);

// The image name of a running process ("WerFault.exe"), or empty.
std::wstring ImageOf(DWORD pid);

// Runs `exe arguments` in workDir without a window of its own and waits up
// to `ms` for it: its exit code, or -1 if it could not start or was still
// running (then it is ended). Its process id goes to *pid if asked.
long long RunToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir, DWORD ms,
                   DWORD* pid = nullptr);
