#include "lib/planted_markers.h"

#include <windows.h>

const wchar_t kPlantedMarkers[] = L"C:\\kestrafen-planted\\";

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
