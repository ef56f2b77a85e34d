#include "lib/planted_markers.h"

#include "lib/test_paths.h"

#include <algorithm>
#include <iterator>

std::map<std::wstring, PlantNames> PlantsLoaded()
{
    std::map<std::wstring, PlantNames> loaded;
    for (const WIN32_FIND_DATAW& entry : FindAll(std::wstring(kPlantedMarkers) + L"*=*")) {
        std::wstring marker = entry.cFileName;
        CharLowerW(marker.data());
        const size_t split = marker.find(L'=');
        loaded[marker.substr(0, split)].insert(marker.substr(split + 1));
    }
    return loaded;
}

PlantNames PlantsBeyondTheBareProgram(const PlantNames& program, const PlantNames& bare)
{
    PlantNames beyond;
    std::set_difference(program.begin(), program.end(), bare.begin(), bare.end(),
                        std::inserter(beyond, beyond.end()));
    return beyond;
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
    const std::wstring overrides = EnvironmentVariable(L"WINEDLLOVERRIDES");
    for (std::size_t i = 0; i < count; ++i) {
        if (overrides.find(names[i]) == std::wstring::npos) {
            const std::wstring name = names[i];
            return testing::AssertionFailure() << "WINEDLLOVERRIDES lacks " << std::string(name.begin(), name.end());
        }
    }
    return testing::AssertionSuccess();
}
