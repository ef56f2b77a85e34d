#pragma once

#include <windows.h>

// The "Spooler" service of the throwaway prefix, which the harness points at
// our stand-in (tests/support/standin_spooler.cpp).

// SERVICE_RUNNING, SERVICE_STOPPED, ...; 0 if it can't be queried.
DWORD SpoolerState();

// Brings the service to SERVICE_RUNNING or SERVICE_STOPPED and waits for it;
// true once it is there.
bool SetSpoolerState(DWORD state);

// True if the service runs our stand-in rather than Wine's own spooler.
bool SpoolerIsStandIn();

// While refusing, the stand-in fails every start.
void SetSpoolerRefusesStart(bool refuse);
