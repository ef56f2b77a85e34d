#include "lib/spooler_service.h"

#include <string>
#include <vector>

namespace {

const wchar_t kRefuseMarker[] = L"C:\\kestrafen-standin\\refuse-start";

// Calls use(service) with the Spooler service opened; false if it can't be.
template <typename Use>
bool WithSpooler(DWORD access, Use use)
{
    return WithService(L"Spooler", access, use);
}

} // namespace

DWORD SpoolerState()
{
    DWORD state = 0;
    WithSpooler(SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) {
            state = status.dwCurrentState;
        }
        return true;
    });
    return state;
}

bool SetSpoolerState(DWORD state)
{
    WithSpooler(SERVICE_START | SERVICE_STOP, [&](SC_HANDLE service) {
        SERVICE_STATUS status{};
        return state == SERVICE_RUNNING ? StartServiceW(service, 0, nullptr) != 0
                                        : ControlService(service, SERVICE_CONTROL_STOP, &status) != 0;
    });
    for (int i = 0; i < 200; ++i) {
        if (SpoolerState() == state) {
            return true;
        }
        Sleep(25);
    }
    return false;
}

bool SpoolerIsStandIn()
{
    return WithSpooler(SERVICE_QUERY_CONFIG, [](SC_HANDLE service) {
        DWORD needed = 0;
        QueryServiceConfigW(service, nullptr, 0, &needed);
        std::vector<unsigned char> buffer(needed);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (!QueryServiceConfigW(service, config, needed, &needed)) {
            return false;
        }
        return std::wstring(config->lpBinaryPathName).find(L"kestrafen-standin") != std::wstring::npos;
    });
}

void SetSpoolerRefusesStart(bool refuse)
{
    if (refuse) {
        const HANDLE marker = CreateFileW(kRefuseMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) {
            CloseHandle(marker);
        }
    } else {
        DeleteFileW(kRefuseMarker);
    }
}
