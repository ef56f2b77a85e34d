#pragma once

#include <windows.h>

#include <string>

// Services as the service manager reports them, and the changes the tests
// make to them. The suite's changes to the machine's own services are each
// undone by an object's destructor whatever the check's outcome.

struct ServiceFacts {
    bool exists = false;
    DWORD state = 0;      // SERVICE_RUNNING, SERVICE_STOPPED, ...
    DWORD startType = 0;  // SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED, ...
    std::wstring binary;
};

ServiceFacts QueryService(const wchar_t* name);

// Brings a service to SERVICE_RUNNING or SERVICE_STOPPED and waits for it
// (up to 30 s); true once it is there.
bool SetServiceState(const wchar_t* name, DWORD state);

bool SetStartType(const wchar_t* name, DWORD startType);

// "running", "stopped", ...; "auto", "demand", "disabled", ...
const char* StateName(DWORD state);
const char* StartTypeName(DWORD startType);

// The Wine prefix's "Spooler" runs our stand-in
// (tests/programs/standin_spooler.cpp) rather than Wine's own spooler; while
// refusing, the stand-in fails every start.
bool SpoolerIsStandIn();
void SetSpoolerRefusesStart(bool refuse);

// Puts back the Spooler's start type as it found it, and starts it.
class SpoolerRestorer {
public:
    SpoolerRestorer();
    ~SpoolerRestorer();
    SpoolerRestorer(const SpoolerRestorer&) = delete;
    SpoolerRestorer& operator=(const SpoolerRestorer&) = delete;
    SpoolerRestorer(SpoolerRestorer&&) = delete;
    SpoolerRestorer& operator=(SpoolerRestorer&&) = delete;

    DWORD FoundStartType() const { return startType_; }

private:
    DWORD startType_;
};

// A running service of the suite's own that depends on the Spooler, so that
// stopping the Spooler asks whether to stop it too. Stopped and removed again
// by the destructor.
class DependentService {
public:
    explicit DependentService(const std::wstring& binary);
    ~DependentService();
    DependentService(const DependentService&) = delete;
    DependentService& operator=(const DependentService&) = delete;
    DependentService(DependentService&&) = delete;
    DependentService& operator=(DependentService&&) = delete;

    static bool Running();
};
