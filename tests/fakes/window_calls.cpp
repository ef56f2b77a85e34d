// Link-time stand-ins for user32's window calls, for a program built from the
// real WinMain. Each call is appended, in order, as one line to the file that
// KESTRAFEN_FAKE_WINDOW_LOG names:
//   DisableProcessWindowsGhosting
//   RegisterClassW <class>
//   CreateWindowExW <class> exstyle <extended style, decimal>
// and then goes on to user32, unless KESTRAFEN_FAKE_WINDOW_FAILURE makes the
// main window's registration ("register") or creation ("create") fail as the
// system's would.
#include "fakes/real_call.h"

#include <windows.h>

#include <string>

namespace {

const wchar_t kMainClass[] = L"KestrafenClass";

std::wstring FromEnvironment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

bool Fails(const wchar_t* what, const wchar_t* className)
{
    return className != nullptr && !IS_INTRESOURCE(className) && lstrcmpW(className, kMainClass) == 0 &&
           FromEnvironment(L"KESTRAFEN_FAKE_WINDOW_FAILURE") == what;
}

void Log(const char* call, const wchar_t* className = nullptr, const std::string& more = {})
{
    const std::wstring path = FromEnvironment(L"KESTRAFEN_FAKE_WINDOW_LOG");
    if (path.empty()) {
        return;
    }
    std::string line = call;
    if (className != nullptr) {
        line += ' ';
        if (IS_INTRESOURCE(className)) {
            line += "#" + std::to_string(reinterpret_cast<ULONG_PTR>(className));
        } else {
            for (const wchar_t* c = className; *c != L'\0'; ++c) {
                line += static_cast<char>(*c);  // class names are ASCII
            }
        }
    }
    line += more + '\n';
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

void WINAPI FakeDisableProcessWindowsGhosting()
{
    Log("DisableProcessWindowsGhosting");
    fake::Real<void(WINAPI*)()>(L"user32.dll", "DisableProcessWindowsGhosting")();
}

ATOM WINAPI FakeRegisterClassW(const WNDCLASSW* windowClass)
{
    Log("RegisterClassW", windowClass->lpszClassName);
    if (Fails(L"register", windowClass->lpszClassName)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return fake::Real<ATOM(WINAPI*)(const WNDCLASSW*)>(L"user32.dll", "RegisterClassW")(windowClass);
}

using CreateWindowFn = HWND(WINAPI*)(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU,
                                     HINSTANCE, LPVOID);

HWND WINAPI FakeCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                                int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    Log("CreateWindowExW", className, " exstyle " + std::to_string(exStyle));
    if (Fails(L"create", className)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return fake::Real<CreateWindowFn>(L"user32.dll", "CreateWindowExW")(exStyle, className, title, style, x, y,
                                                                         width, height, parent, menu, instance, param);
}

} // namespace

// The program's calls go through these import slots, so defining them here
// takes the place of user32's.
extern "C" {
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables): the import slots' own names
void(WINAPI* __imp_DisableProcessWindowsGhosting)() = FakeDisableProcessWindowsGhosting;
ATOM(WINAPI* __imp_RegisterClassW)(const WNDCLASSW*) = FakeRegisterClassW;
CreateWindowFn __imp_CreateWindowExW = FakeCreateWindowExW;
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cppcoreguidelines-avoid-non-const-global-variables)
}
