// A well-behaved stand-in for the Print Spooler service, for tests in the
// throwaway prefix: it starts, runs until it is told to stop, and stops
// cleanly. While the file C:\kestrafen-standin\refuse-start exists, it
// refuses to start, as a broken spooler would.
//
//   standin_spooler.exe --install   copies itself to C:\kestrafen-standin\ and
//                                   makes the service "Spooler" run that copy
//                                   (stopped first if it runs).
#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

wchar_t serviceName[] = L"Spooler";
SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopEvent = nullptr;

void Report(DWORD state, DWORD exitCode = NO_ERROR)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode == NO_ERROR ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = exitCode;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD /*eventType*/, void* /*eventData*/, void* /*context*/)
{
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(stopEvent);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD /*argc*/, LPWSTR* /*argv*/)
{
    statusHandle = RegisterServiceCtrlHandlerExW(serviceName, Control, nullptr);
    if (!statusHandle) {
        return;
    }
    if (GetFileAttributesW(L"C:\\kestrafen-standin\\refuse-start") != INVALID_FILE_ATTRIBUTES) {
        Report(SERVICE_STOPPED, 1);
        return;
    }
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(stopEvent, INFINITE);
    CloseHandle(stopEvent);
    Report(SERVICE_STOPPED);
}

// Points the existing "Spooler" service at a copy of this program.
int Install()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CreateDirectoryW(L"C:\\kestrafen-standin", nullptr);
    const wchar_t installed[] = L"C:\\kestrafen-standin\\spooler.exe";

    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        return 2;
    }
    int result = 3;
    const SC_HANDLE service = OpenServiceW(manager, serviceName, SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        for (int i = 0; i < 100 && QueryServiceStatus(service, &status) &&
                        status.dwCurrentState != SERVICE_STOPPED; ++i) {
            Sleep(50);
        }
        const bool copied = std::wcscmp(self, installed) == 0 || CopyFileW(self, installed, FALSE);
        if (copied && ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                           SERVICE_NO_CHANGE, installed, nullptr, nullptr, L"\0",
                                           nullptr, nullptr, nullptr)) {
            result = 0;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--install") == 0) {
        return Install();
    }
    const SERVICE_TABLE_ENTRYW table[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
