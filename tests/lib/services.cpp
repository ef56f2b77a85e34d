#include "lib/services.h"

#include "lib/test_paths.h"

#include <vector>

namespace {

const wchar_t kSpooler[] = L"Spooler";
const wchar_t kDependent[] = L"KestrafenTestDependent";
const wchar_t kRefuseMarker[] = L"C:\\kestrafen-standin\\refuse-start";

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

} // namespace

ServiceFacts QueryService(const wchar_t* name)
{
    ServiceFacts facts;
    facts.exists = WithService(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, [&](SC_HANDLE service) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) {
            facts.state = status.dwCurrentState;
        }
        DWORD needed = 0;
        QueryServiceConfigW(service, nullptr, 0, &needed);
        std::vector<unsigned char> buffer(needed);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (needed && QueryServiceConfigW(service, config, needed, &needed)) {
            facts.startType = config->dwStartType;
            facts.binary = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
        }
        return true;
    });
    return facts;
}

bool SetServiceState(const wchar_t* name, DWORD state)
{
    WithService(name, SERVICE_START | SERVICE_STOP, [&](SC_HANDLE service) {
        SERVICE_STATUS status{};
        return state == SERVICE_RUNNING ? StartServiceW(service, 0, nullptr) != 0
                                        : ControlService(service, SERVICE_CONTROL_STOP, &status) != 0;
    });
    for (int i = 0; i < 1200; ++i) {
        if (QueryService(name).state == state) {
            return true;
        }
        Sleep(25);
    }
    return false;
}

bool SetStartType(const wchar_t* name, DWORD startType)
{
    return WithService(name, SERVICE_CHANGE_CONFIG, [&](SC_HANDLE service) {
        return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != 0;
    });
}

const char* StateName(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start pending";
    case SERVICE_STOP_PENDING: return "stop pending";
    case SERVICE_RUNNING: return "running";
    case SERVICE_CONTINUE_PENDING: return "continue pending";
    case SERVICE_PAUSE_PENDING: return "pause pending";
    case SERVICE_PAUSED: return "paused";
    default: return "unknown";
    }
}

const char* StartTypeName(DWORD startType)
{
    switch (startType) {
    case SERVICE_BOOT_START: return "boot";
    case SERVICE_SYSTEM_START: return "system";
    case SERVICE_AUTO_START: return "auto";
    case SERVICE_DEMAND_START: return "demand";
    case SERVICE_DISABLED: return "disabled";
    default: return "unknown";
    }
}

bool SpoolerIsStandIn()
{
    return QueryService(kSpooler).binary.find(L"kestrafen-standin") != std::wstring::npos;
}

void SetSpoolerRefusesStart(bool refuse)
{
    if (refuse) {
        WriteFileText(kRefuseMarker);
    } else {
        DeleteFileW(kRefuseMarker);
    }
}

SpoolerRestorer::SpoolerRestorer() : startType_(QueryService(kSpooler).startType) {}

SpoolerRestorer::~SpoolerRestorer()
{
    if (startType_ != 0 && QueryService(kSpooler).startType != startType_) {
        SetStartType(kSpooler, startType_);
    }
    SetServiceState(kSpooler, SERVICE_RUNNING);
}

DependentService::DependentService(const std::wstring& binary)
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) {
        return;
    }
    const std::wstring quoted = L"\"" + binary + L"\"";
    const SC_HANDLE service = CreateServiceW(
        manager, kDependent, L"Kestrafen test: depends on the Spooler", SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, quoted.c_str(), nullptr,
        nullptr, L"Spooler\0", nullptr, nullptr);
    if (service) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    SetServiceState(kDependent, SERVICE_RUNNING);
}

DependentService::~DependentService()
{
    SetServiceState(kDependent, SERVICE_STOPPED);
    WithService(kDependent, DELETE, [](SC_HANDLE service) { return DeleteService(service) != 0; });
}

bool DependentService::Running()
{
    return QueryService(kDependent).state == SERVICE_RUNNING;
}
