#pragma once

#include <gtest/gtest.h>
#include <kestrafen_facts.h>  // kPlantedMarkers: where planted_dll records each load

#include <cstddef>
#include <map>
#include <set>
#include <string>

using PlantNames = std::set<std::wstring>;

// The planted DLLs each program loaded, by program, all in lower case
// (loads by name keep the caller's spelling).
std::map<std::wstring, PlantNames> PlantsLoaded();

// The planting rule: the plants a program loaded that a bare user32 program
// (the control) does not load too; the program must load none.
PlantNames PlantsBeyondTheBareProgram(const PlantNames& program, const PlantNames& bare);

// The names, comma-separated, or "(none)", for messages (the names are ASCII).
std::string Listed(const PlantNames& names);

// Whether Wine is told (WINEDLLOVERRIDES, read from the environment it starts
// in) to take a copy beside the program first for each of the names, as
// Windows does for a DLL that is not a known DLL; otherwise Wine prefers its
// own copy wherever a plant lies.
testing::AssertionResult WineTakesPlantsFirst(const wchar_t* const* names, std::size_t count);
