#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The mitigations the loader applied to a running process, as
// GetProcessMitigationPolicy reports them.
struct Mitigations {
    bool reported = false;  // the system filled in the policies (Wine 8 returns TRUE and fills nothing)
    bool dep = false;
    bool depPermanent = false;
    bool aslrBottomUp = false;
    bool aslrHighEntropy = false;
    bool aslrForceRelocate = false;
    bool cfg = false;
    bool shadowStack = false;  // depends on the processor as well as the image
};

Mitigations MitigationsOf(HANDLE process);

// What the shipped program must have and the process lacks: empty if it
// has DEP, bottom-up ASLR with high entropy and Control Flow Guard.
std::vector<std::string> HardeningGaps(const Mitigations& mitigations);

// One line for the log.
std::string Describe(const Mitigations& mitigations);
