#include "windows/support/platform.h"

#include <windows.h>

std::string WineVersion()
{
    using VersionFn = const char*(__cdecl*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto version =
        ntdll ? reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
              : nullptr;
    return version ? version() : "";
}

bool SkipsAreFailures()
{
    wchar_t value[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"KESTRAFEN_REQUIRE_WINDOWS", value, 8);
    return length == 1 && value[0] == L'1';
}
