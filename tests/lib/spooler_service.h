#pragma once

#include <windows.h>

// The "Spooler" service of the throwaway prefix, which the harness points at
// our stand-in (tests/programs/standin_spooler.cpp).

// Calls use(service) with the service opened for access; false if it can't
// be opened, else what use returns.
template <typename Use>
bool WithService(const wchar_t* name, DWORD access, Use use)
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        return false;
    }
    bool result = false;
    const SC_HANDLE service = OpenServiceW(manager, name, access);
    if (service) {
        result = use(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

// SERVICE_RUNNING, SERVICE_STOPPED, ...; 0 if it can't be queried.
DWORD SpoolerState();

// Brings the service to SERVICE_RUNNING or SERVICE_STOPPED and waits for it;
// true once it is there.
bool SetSpoolerState(DWORD state);

// True if the service runs our stand-in rather than Wine's own spooler.
bool SpoolerIsStandIn();

// While refusing, the stand-in fails every start.
void SetSpoolerRefusesStart(bool refuse);
