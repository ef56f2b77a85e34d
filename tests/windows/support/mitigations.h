#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The mitigations the loader applied to a running process, as
// GetProcessMitigationPolicy reports them. Each policy is read on its own:
// one that can't be read (the call fails, or leaves it unfilled, as Wine 8
// does) is marked unread, and the others stand. DEP is not among them: a
// 64-bit process always runs with it, whatever its image says, so no check
// of it could fail.
struct Mitigations {
    bool aslrRead = false;
    bool cfgRead = false;
    bool aslrBottomUp = false;
    bool aslrHighEntropy = false;
    bool aslrForceRelocate = false;
    bool cfg = false;
    bool shadowStack = false;  // depends on the processor as well as the image
};

Mitigations MitigationsOf(HANDLE process);

// What the shipped program must have and the process lacks: empty if it
// has bottom-up ASLR with high entropy and Control Flow Guard. A policy that
// was not read is a gap of its own ("Control Flow Guard unread", ...).
std::vector<std::string> HardeningGaps(const Mitigations& mitigations);

// One line for the log.
std::string Describe(const Mitigations& mitigations);
