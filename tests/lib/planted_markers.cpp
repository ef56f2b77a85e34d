#include "lib/planted_markers.h"

#include <windows.h>

std::map<std::wstring, PlantNames> PlantsLoaded()
{
    std::map<std::wstring, PlantNames> loaded;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((std::wstring(kPlantedMarkers) + L"*=*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return loaded;
    }
    do {
        std::wstring marker = entry.cFileName;
        CharLowerW(marker.data());
        const size_t split = marker.find(L'=');
        loaded[marker.substr(0, split)].insert(marker.substr(split + 1));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return loaded;
}

std::string Listed(const PlantNames& names)
{
    std::string list;
    for (const std::wstring& name : names) {
        list += (list.empty() ? "" : ", ") + std::string(name.begin(), name.end());
    }
    return list.empty() ? "(none)" : list;
}

testing::AssertionResult WineTakesPlantsFirst(const wchar_t* const* names, std::size_t count)
{
    wchar_t overrides[2048] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 2048);
    for (std::size_t i = 0; i < count; ++i) {
        if (std::wstring(overrides).find(names[i]) == std::wstring::npos) {
            const std::wstring name = names[i];
            return testing::AssertionFailure() << "WINEDLLOVERRIDES lacks " << std::string(name.begin(), name.end());
        }
    }
    return testing::AssertionSuccess();
}
