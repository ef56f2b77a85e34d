#pragma once

#include <string>

// The path with a backslash at its end, unless it has one (or a slash).
std::wstring AsFolder(std::wstring path);

// Where the suite finds what it tests and leaves what it shows. Each ends in
// a backslash.

// The folder the release zip was unzipped to (KESTRAFEN_RELEASE_DIR); empty
// if not set.
std::wstring ReleaseDir();

// The folder of the suite's own programs: the controls and helpers.
std::wstring SuiteDir();

// Where screenshots go (KESTRAFEN_ARTEFACTS_DIR, else artefacts\ beside the
// suite's programs); made if missing.
std::wstring ArtefactsDir();
