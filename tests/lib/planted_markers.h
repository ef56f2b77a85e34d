#pragma once

#include <map>
#include <set>
#include <string>

// Where the planted DLL (tests/programs/planted_dll.cpp) leaves a
// "<program>=<dll>" file each time a program loads it.
extern const wchar_t kPlantedMarkers[];

using PlantNames = std::set<std::wstring>;

// The planted DLLs each program loaded, by program, all in lower case
// (loads by name keep the caller's spelling).
std::map<std::wstring, PlantNames> PlantsLoaded();
