#include "windows/support/mitigations.h"

#include <cstring>

namespace {

constexpr unsigned char kUnfilled = 0xA5;
constexpr DWORD kUnfilledFlags = 0xA5A5A5A5;

// Reads one policy; false if the call failed or left its flags as they were
// (the top bits of every policy's flags are reserved, so a system that
// fills them in never leaves this pattern).
template <typename Policy>
bool Read(HANDLE process, PROCESS_MITIGATION_POLICY which, Policy& policy)
{
    std::memset(&policy, kUnfilled, sizeof(policy));
    return GetProcessMitigationPolicy(process, which, &policy, sizeof(policy)) && policy.Flags != kUnfilledFlags;
}

} // namespace

Mitigations MitigationsOf(HANDLE process)
{
    Mitigations seen;
    PROCESS_MITIGATION_ASLR_POLICY aslr{};
    PROCESS_MITIGATION_CONTROL_FLOW_GUARD_POLICY cfg{};
    PROCESS_MITIGATION_USER_SHADOW_STACK_POLICY shadow{};
    seen.aslrRead = Read(process, ProcessASLRPolicy, aslr);
    seen.cfgRead = Read(process, ProcessControlFlowGuardPolicy, cfg);
    seen.aslrBottomUp = seen.aslrRead && aslr.EnableBottomUpRandomization != 0;
    seen.aslrHighEntropy = seen.aslrRead && aslr.EnableHighEntropy != 0;
    seen.aslrForceRelocate = seen.aslrRead && aslr.EnableForceRelocateImages != 0;
    seen.cfg = seen.cfgRead && cfg.EnableControlFlowGuard != 0;
    // Older systems don't know the shadow-stack policy: then it is off.
    seen.shadowStack = Read(process, ProcessUserShadowStackPolicy, shadow) && shadow.EnableUserShadowStack != 0;
    return seen;
}

std::vector<std::string> HardeningGaps(const Mitigations& mitigations)
{
    std::vector<std::string> gaps;
    const auto need = [&gaps](bool read, bool on, const char* name) {
        if (!read) {
            gaps.push_back(std::string(name) + " unread");
        } else if (!on) {
            gaps.emplace_back(name);
        }
    };
    need(mitigations.aslrRead, mitigations.aslrBottomUp && mitigations.aslrHighEntropy, "high-entropy ASLR");
    need(mitigations.cfgRead, mitigations.cfg, "Control Flow Guard");
    return gaps;
}

std::string Describe(const Mitigations& mitigations)
{
    const auto onOff = [](bool read, bool on) {
        if (!read) {
            return "unread";
        }
        return on ? "on" : "off";
    };
    return std::string("ASLR bottom-up ") +
           onOff(mitigations.aslrRead, mitigations.aslrBottomUp) + ", high entropy " +
           onOff(mitigations.aslrRead, mitigations.aslrHighEntropy) + ", force-relocate " +
           onOff(mitigations.aslrRead, mitigations.aslrForceRelocate) + ", Control Flow Guard " +
           onOff(mitigations.cfgRead, mitigations.cfg) + ", CET shadow stack " + onOff(true, mitigations.shadowStack);
}
