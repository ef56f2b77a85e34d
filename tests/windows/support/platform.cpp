#include "windows/support/platform.h"

#include "lib/test_paths.h"

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
    return EnvironmentVariable(L"KESTRAFEN_REQUIRE_WINDOWS") == L"1";
}
