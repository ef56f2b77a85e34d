#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <string>
#include <vector>

// Every process running now.
std::vector<PROCESSENTRY32W> Processes();

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
