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
    PROCESS_MITIGATION_DEP_POLICY dep{};
    PROCESS_MITIGATION_ASLR_POLICY aslr{};
    PROCESS_MITIGATION_CONTROL_FLOW_GUARD_POLICY cfg{};
    PROCESS_MITIGATION_USER_SHADOW_STACK_POLICY shadow{};
    const bool gotDep = Read(process, ProcessDEPPolicy, dep);
    const bool gotAslr = Read(process, ProcessASLRPolicy, aslr);
    const bool gotCfg = Read(process, ProcessControlFlowGuardPolicy, cfg);
    seen.reported = gotDep && gotAslr && gotCfg;
    if (!seen.reported) {
        return seen;
    }
    seen.dep = dep.Enable != 0;
    seen.depPermanent = dep.Permanent != 0;
    seen.aslrBottomUp = aslr.EnableBottomUpRandomization != 0;
    seen.aslrHighEntropy = aslr.EnableHighEntropy != 0;
    seen.aslrForceRelocate = aslr.EnableForceRelocateImages != 0;
    seen.cfg = cfg.EnableControlFlowGuard != 0;
    // Older systems don't know the shadow-stack policy: then it is off.
    seen.shadowStack = Read(process, ProcessUserShadowStackPolicy, shadow) && shadow.EnableUserShadowStack != 0;
    return seen;
}

std::vector<std::string> HardeningGaps(const Mitigations& mitigations)
{
    if (!mitigations.reported) {
        return {"no mitigation policy reported"};
    }
    std::vector<std::string> gaps;
    if (!mitigations.dep) {
        gaps.emplace_back("DEP");
    }
    if (!mitigations.aslrBottomUp || !mitigations.aslrHighEntropy) {
        gaps.emplace_back("high-entropy ASLR");
    }
    if (!mitigations.cfg) {
        gaps.emplace_back("Control Flow Guard");
    }
    return gaps;
}

std::string Describe(const Mitigations& mitigations)
{
    if (!mitigations.reported) {
        return "GetProcessMitigationPolicy reported nothing";
    }
    const auto onOff = [](bool on) { return on ? "on" : "off"; };
    return std::string("DEP ") + onOff(mitigations.dep) + (mitigations.depPermanent ? " (permanent)" : "") +
           ", ASLR bottom-up " + onOff(mitigations.aslrBottomUp) + ", high entropy " +
           onOff(mitigations.aslrHighEntropy) + ", force-relocate " + onOff(mitigations.aslrForceRelocate) +
           ", Control Flow Guard " + onOff(mitigations.cfg) + ", CET shadow stack " +
           onOff(mitigations.shadowStack);
}
