#include "windows/support/suite_verdict.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <regex>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const std::regex kSumsLine("([0-9a-fA-F]{64}) [ *](.+)");

std::string ExitCodeText(DWORD code)
{
    char text[32];
    // NTSTATUS values (a crash, fast-fail) read better in hex.
    static_cast<void>(std::snprintf(text, sizeof(text), code >= 0x80000000u ? "0x%08lX" : "%lu",
                                    static_cast<unsigned long>(code)));
    return text;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

} // namespace

std::vector<std::pair<std::string, std::string>> SumsLines(const std::string& sums)
{
    std::vector<std::pair<std::string, std::string>> lines;
    for (const std::string& line : Lines(sums)) {
        std::smatch match;
        if (std::regex_match(line, match, kSumsLine)) {
            lines.emplace_back(match[2], Lower(match[1]));
        }
    }
    return lines;
}

std::vector<std::string> SumsProblems(const std::string& sums, const std::vector<std::string>& files,
                                      const std::function<std::string(const std::string&)>& hashOf)
{
    std::vector<std::string> problems;
    int number = 0;
    for (const std::string& line : Lines(sums)) {
        ++number;
        if (!line.empty() && !std::regex_match(line, kSumsLine)) {
            problems.push_back("SHA256SUMS.txt line " + std::to_string(number) + " is not a checksum line: " + line);
        }
    }
    std::map<std::string, int> listed;
    for (const auto& [name, hash] : SumsLines(sums)) {
        if (++listed[name] == 2) {
            problems.push_back("SHA256SUMS.txt lists " + name + " more than once");
        }
        if (std::find(files.begin(), files.end(), name) == files.end()) {
            problems.push_back("SHA256SUMS.txt lists " + name + ", which the release does not hold");
            continue;
        }
        const std::string actual = hashOf(name);
        if (actual != hash) {
            std::string problem = name;
            problem += ": SHA-256 ";
            problem += actual.empty() ? "unreadable" : actual;
            problem += ", listed ";
            problem += hash;
            problems.push_back(problem);
        }
    }
    if (listed.empty()) {
        problems.push_back("SHA256SUMS.txt lists no file");
    }
    for (const std::string& file : files) {
        if (listed.count(file) == 0) {
            problems.push_back("SHA256SUMS.txt does not list " + file);
        }
    }
    return problems;
}

std::string HashInToolOutput(const std::string& output)
{
    std::string found;
    for (std::string line : Lines(output)) {
        line.erase(std::remove(line.begin(), line.end(), ' '), line.end());
        if (line.size() == 64 && std::all_of(line.begin(), line.end(), [](unsigned char c) { return std::isxdigit(c); })) {
            if (!found.empty()) {
                return {};
            }
            found = Lower(line);
        }
    }
    return found;
}

std::vector<std::string> ProgramProblems(const std::string& program, std::optional<DWORD> exitCode,
                                         const std::optional<std::string>& results, bool skipsAreFailures,
                                         int& skipped)
{
    std::vector<std::string> problems;
    skipped = 0;
    if (!exitCode) {
        problems.push_back(program + ": could not be started");
        return problems;
    }
    if (*exitCode != 0) {
        problems.push_back(program + ": exit code " + ExitCodeText(*exitCode));
    }
    if (!results || results->find("<testsuites") == std::string::npos) {
        problems.push_back(program + ": wrote no GoogleTest results");
        return problems;
    }
    skipped = static_cast<int>(Count(*results, "<skipped"));
    if (skipped > 0 && skipsAreFailures) {
        problems.push_back(program + ": " + std::to_string(skipped) +
                           " checks skipped, where KESTRAFEN_REQUIRE_WINDOWS asks for every check to run");
    }
    if (*exitCode == 0 && Count(*results, "<failure") > 0) {
        problems.push_back(program + ": exit code 0, but its results hold failures");
    }
    return problems;
}
