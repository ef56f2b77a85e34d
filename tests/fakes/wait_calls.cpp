#include "fakes/wait_calls.h"
#include "fakes/real_call.h"

namespace {

// The recording under way on this thread, if any. Calls outside one (the
// runtime's own, the tests' helpers) go straight through.
thread_local fake::WaitCalls* recording = nullptr;

void WINAPI FakeSleep(DWORD ms)
{
    if (recording) {
        recording->sleeps.push_back(ms);
    }
    fake::Real<void(WINAPI*)(DWORD)>(L"kernel32.dll", "Sleep")(ms);
}

DWORD WINAPI FakeWaitForSingleObject(HANDLE object, DWORD ms)
{
    if (recording) {
        recording->waitTimeouts.push_back(ms);
    }
    return fake::Real<DWORD(WINAPI*)(HANDLE, DWORD)>(L"kernel32.dll", "WaitForSingleObject")(object, ms);
}

} // namespace

fake::WaitCalls fake::WaitsOf(const std::function<void()>& run)
{
    WaitCalls calls;
    recording = &calls;
    run();
    recording = nullptr;
    return calls;
}

// The program's calls go through these import slots, so defining them here
// takes the place of kernel32's.
extern "C" {
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the import slots' own names
void(WINAPI* __imp_Sleep)(DWORD) = FakeSleep;
DWORD(WINAPI* __imp_WaitForSingleObject)(HANDLE, DWORD) = FakeWaitForSingleObject;
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables)
}
