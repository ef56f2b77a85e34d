// A DLL planted by an attacker beside the program or in its working
// directory, copied there under many names (comctl32.dll, uxtheme.dll, ...).
// It does nothing but record who loaded it: the file <program>=<dll> in the
// folder kPlantedMarkers.
// It exports what a program importing comctl32 needs, so that the control
// program that imports comctl32 the usual way can run with it.
#include <windows.h>

#include <kestrafen_facts.h>  // kPlantedMarkers

#include <string>

namespace {

std::wstring BaseName(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name(path, length);
    return name.substr(name.find_last_of(L'\\') + 1);
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void* /*icc*/)
{
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void* /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        CreateDirectoryW(kPlantedMarkers, nullptr);
        const std::wstring marker = kPlantedMarkers + BaseName(nullptr) + L"=" + BaseName(self);
        const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return TRUE;
}
