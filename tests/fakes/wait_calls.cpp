#include "fakes/wait_calls.h"

namespace {

// The recording under way on this thread, if any. Calls outside one (the
// runtime's own, the tests' helpers) go straight through.
thread_local fake::WaitCalls* recording = nullptr;

template <typename Function>
Function Real(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

void WINAPI FakeSleep(DWORD ms)
{
    if (recording) {
        recording->sleeps.push_back(ms);
    }
    Real<void(WINAPI*)(DWORD)>("Sleep")(ms);
}

DWORD WINAPI FakeWaitForSingleObject(HANDLE object, DWORD ms)
{
    if (recording) {
        recording->waitTimeouts.push_back(ms);
    }
    return Real<DWORD(WINAPI*)(HANDLE, DWORD)>("WaitForSingleObject")(object, ms);
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
