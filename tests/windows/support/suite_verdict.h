#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the suite runner decides, apart from how it asks Windows: each gives
// the problems it finds, empty when there are none. Names are UTF-8.

// SHA256SUMS.txt's text against the unzipped release's other files: it lists
// each of them exactly once, nothing else, each with its SHA-256 (hashOf
// gives a file's, in lower-case hex, empty if it can't be read).
std::vector<std::string> SumsProblems(const std::string& sums, const std::vector<std::string>& files,
                                      const std::function<std::string(const std::string&)>& hashOf);

// The (name, hash) lines of SHA256SUMS.txt, as sha256sum writes them; lines
// of another form are left out (SumsProblems names them).
std::vector<std::pair<std::string, std::string>> SumsLines(const std::string& sums);

// The hash that a user's tool printed (Get-FileHash's .Hash):
// the one line that is 64 hex digits once spaces are taken out, in lower
// case; empty if there is none, or more than one.
std::string HashInToolOutput(const std::string& output);

// A suite program's run: its exit code (none: it could not be started) and
// its GoogleTest XML results (none: it wrote none). A skipped check is a
// problem where skips are failures (on the Windows runners); `skipped`
// counts them either way.
std::vector<std::string> ProgramProblems(const std::string& program, std::optional<DWORD> exitCode,
                                         const std::optional<std::string>& results, bool skipsAreFailures,
                                         int& skipped);
