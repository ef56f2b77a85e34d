// The Windows suite's runner: the one program the Windows workflow runs
// once the release is unzipped, and the one that decides whether the leg
// passed. In order:
//  1. the release's files against its SHA256SUMS.txt: each file listed
//     exactly once, nothing else, each hash right (BCrypt); on Windows also
//     with the tool the user guide names, PowerShell's Get-FileHash, whose
//     output must give the same hashes. Wine ships a stub of PowerShell, so
//     under Wine it is not run (and the log says so); where
//     KESTRAFEN_REQUIRE_WINDOWS is set, that, or a tool that prints no hash,
//     fails the run;
//  2. the Spooler running (started if it was not), its state and start type
//     noted;
//  3. every program on suite-programs.txt, in order, each with its
//     GoogleTest results written to the artefacts folder: each must end
//     with exit code 0 and leave results, and where KESTRAFEN_REQUIRE_WINDOWS
//     is set none may have skipped a check;
//  4. the Spooler's start type put back and the Spooler started, whatever
//     happened before; a Spooler that can't be put back fails the run.
// Everything it prints also goes to suite.log in the artefacts folder.
//
// Usage: windows_suite_runner [SUITE_DIR]
//   SUITE_DIR holds suite-programs.txt and the programs (default: the
//   runner's own folder); KESTRAFEN_RELEASE_DIR names the unzipped release,
//   KESTRAFEN_ARTEFACTS_DIR where results go.
#include "lib/exit_code.h"
#include "lib/services.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"
#include "windows/support/platform.h"
#include "windows/support/sha256.h"
#include "windows/support/suite_paths.h"
#include "windows/support/suite_verdict.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;

// Writes to standard output and to suite.log.
void Say(const std::string& text)
{
    static_cast<void>(std::fwrite(text.data(), 1, text.size(), stdout));
    static_cast<void>(std::fflush(stdout));
    DWORD written = 0;
    if (g_log != INVALID_HANDLE_VALUE) {
        WriteFile(g_log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

// Text made of parts, for messages built in loops.
std::string Text(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts) {
        text += part;
    }
    return text;
}

std::wstring Wide(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// The files in a folder (not in its subfolders), by name.
std::vector<std::string> FilesIn(const std::wstring& dir)
{
    std::vector<std::string> files;
    for (const WIN32_FIND_DATAW& found : FindAll(dir + L"*")) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.push_back(Utf8(found.cFileName));
        }
    }
    return files;
}

std::string Captured(const std::wstring& commandLine)
{
    std::string output;
    ExitCodeOf(commandLine, INFINITE, [&output](const std::string& chunk) { output += chunk; });
    return output;
}

// The user guide's tool, on one file: the problems with what it prints.
std::vector<std::string> UserToolProblems(const std::wstring& path, const std::string& name,
                                          const std::string& listed)
{
    const std::vector<std::pair<std::string, std::wstring>> tools = {
        {"Get-FileHash", L"powershell.exe -NoProfile -NonInteractive -Command \"(Get-FileHash -Algorithm SHA256 "
                         L"-LiteralPath '" + path + L"').Hash\""},
    };
    std::vector<std::string> problems;
    for (const auto& [tool, command] : tools) {
        const std::string hash = HashInToolOutput(Captured(command));
        Say(Text({"  ", tool, " ", name, ": ", hash.empty() ? "no hash" : hash, "\n"}));
        if (hash.empty() && SkipsAreFailures()) {
            problems.push_back(Text({tool, " gave no hash for ", name}));
        } else if (!hash.empty() && hash != listed) {
            problems.push_back(Text({tool, " gives ", name, " the SHA-256 ", hash, ", listed ", listed}));
        }
    }
    return problems;
}

std::vector<std::string> CheckRelease(const std::wstring& release)
{
    Say("== the release's checksums: " + Utf8(release) + "\n");
    if (release.empty()) {
        return {"KESTRAFEN_RELEASE_DIR does not name the unzipped release"};
    }
    const std::optional<std::string> sums = ReadFileText(release + KESTRAFEN_SUMS_FILE);
    if (!sums) {
        return {"the release has no " + Utf8(KESTRAFEN_SUMS_FILE)};
    }
    std::vector<std::string> files = FilesIn(release);
    files.erase(std::remove_if(files.begin(), files.end(),
                               [](const std::string& file) { return Wide(file) == KESTRAFEN_SUMS_FILE; }),
                files.end());
    std::vector<std::string> problems =
        SumsProblems(*sums, files, [&release](const std::string& name) {
            const std::string hash = Sha256Of(release + Wide(name));
            Say("  " + hash + "  " + name + "\n");
            return hash;
        });
    if (OnWine()) {
        Say("Wine: its powershell.exe is a stub, so the user guide's Get-FileHash is not run here\n");
        if (SkipsAreFailures()) {
            problems.push_back("KESTRAFEN_REQUIRE_WINDOWS is set, but this runs on Wine " + WineVersion() +
                               ": the user guide's Get-FileHash was not run");
        }
        return problems;
    }
    for (const auto& [name, hash] : SumsLines(*sums)) {
        Append(problems, UserToolProblems(release + Wide(name), name, hash));
    }
    return problems;
}

std::vector<std::string> Programs(const std::wstring& suiteDir)
{
    std::vector<std::string> programs;
    std::istringstream list(ReadFileText(suiteDir + L"suite-programs.txt").value_or(""));
    for (std::string line; std::getline(list, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            programs.push_back(line);
        }
    }
    return programs;
}

std::vector<std::string> RunPrograms(const std::wstring& suiteDir, const std::wstring& artefacts)
{
    const std::vector<std::string> programs = Programs(suiteDir);
    if (programs.empty()) {
        return {"suite-programs.txt in " + Utf8(suiteDir) + " lists no program"};
    }
    std::vector<std::string> problems;
    for (const std::string& program : programs) {
        const std::wstring results = artefacts + Wide(program) + L".xml";
        DeleteFileW(results.c_str());
        Say("== " + program + "\n");
        std::wstring command = L"\"" + suiteDir;
        command += Wide(program);
        command += L"\" \"--gtest_output=xml:";
        command += results;
        command += L"\"";
        const std::optional<DWORD> exitCode = ExitCodeOf(command, INFINITE, Say);
        int skipped = 0;
        Append(problems, ProgramProblems(program, exitCode, ReadFileText(results), SkipsAreFailures(), skipped));
        if (skipped > 0) {
            Say(program + ": " + std::to_string(skipped) + " checks skipped\n");
        }
    }
    return problems;
}

std::string SpoolerText(const ServiceFacts& spooler)
{
    if (!spooler.exists) {
        return "no Spooler service";
    }
    return std::string(StateName(spooler.state)) + ", start type " + StartTypeName(spooler.startType);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (const testing::AssertionResult throwaway = OnThrowawayMachine(); !throwaway) {
        std::printf("refusing to run: %s\n", throwaway.message());
        return 2;
    }
    const std::wstring suiteDir = argc > 1 ? AsFolder(argv[1]) : SuiteDir();
    const std::wstring artefacts = ArtefactsDir();
    g_log = CreateFileW((artefacts + L"suite.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);

    std::vector<std::string> problems = CheckRelease(ReleaseDir());
    std::vector<std::string> spoolerProblems;
    {
        const ServiceFacts found = QueryService(L"Spooler");
        Say("== the Spooler before the suite: " + SpoolerText(found) + "\n");
        if (!found.exists) {
            problems.push_back("this machine has no Spooler service: the suite has nothing to test against");
        } else {
            // Puts back the start type and starts the Spooler when this scope
            // ends, whatever the programs left.
            const SpoolerRestorer restorer;
            if (found.state != SERVICE_RUNNING && !SetServiceState(L"Spooler", SERVICE_RUNNING)) {
                spoolerProblems.push_back("the Spooler was " + std::string(StateName(found.state)) +
                                          " and could not be started before the suite");
            }
            Append(problems, RunPrograms(suiteDir, artefacts));
        }
        const ServiceFacts after = QueryService(L"Spooler");
        Say("== the Spooler after the suite, put back: " + SpoolerText(after) + "\n");
        if (found.exists && (after.state != SERVICE_RUNNING || after.startType != found.startType)) {
            spoolerProblems.push_back("the Spooler is " + SpoolerText(after) +
                                      " after the suite, not running with start type " +
                                      StartTypeName(found.startType));
        }
    }
    Append(problems, spoolerProblems);

    for (const std::string& problem : problems) {
        Say("FAIL: " + problem + "\n");
    }
    Say(problems.empty() ? "the suite passed\n" : std::to_string(problems.size()) + " problems\n");
    if (g_log != INVALID_HANDLE_VALUE) {
        CloseHandle(g_log);
    }
    return problems.empty() ? 0 : 1;
}
