// What the suite runs on, printed before any other check: the system and its
// build, whether x64 code runs natively or emulated, elevation, the Spooler
// as the service manager has it, and the release under test.
#include "windows/support/platform.h"
#include "windows/support/suite_paths.h"
#include "windows/support/suite_verdict.h"

#include "lib/services.h"
#include "lib/test_paths.h"
#include "lib/test_prefix.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <string>

namespace {

std::string SystemVersion()
{
    using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = reinterpret_cast<GetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!getVersion || getVersion(&version) != 0) {
        return "unknown (RtlGetVersion failed)";
    }
    return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + " build " +
           std::to_string(version.dwBuildNumber);
}

std::string MachineName(USHORT machine)
{
    switch (machine) {
    case IMAGE_FILE_MACHINE_AMD64: return "x64";
    case IMAGE_FILE_MACHINE_ARM64: return "ARM64";
    case IMAGE_FILE_MACHINE_I386: return "x86";
    case IMAGE_FILE_MACHINE_UNKNOWN: return "none";
    default: return "machine " + std::to_string(machine);
    }
}

bool Elevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

TEST(Environment, SystemMachineAndElevation)
{
    std::printf("system: Windows %s\n", SystemVersion().c_str());
    std::printf("Wine: %s\n", OnWine() ? WineVersion().c_str() : "no");
    USHORT process = 0;
    USHORT native = 0;
    ASSERT_TRUE(IsWow64Process2(GetCurrentProcess(), &process, &native));
    // An x64 process on ARM64 is emulated but not WOW64: its own machine
    // reads "none".
    std::printf("machine: %s; x64 code runs %s\n", MachineName(native).c_str(),
                native == IMAGE_FILE_MACHINE_AMD64 ? "natively" : "emulated");
    std::printf("process machine under WOW64: %s\n", MachineName(process).c_str());
    const bool elevated = Elevated();
    std::printf("elevated: %s\n", elevated ? "yes" : "no");
    EXPECT_TRUE(elevated) << "the suite stops and starts the Spooler: it needs an elevated run";
}

// What the image sets for Windows Error Reporting: with DontShowUI=1 no
// crash of any program shows a dialog, so the fast-fail check's "no
// dialog" half shows this setting, not the program.
TEST(Environment, ErrorReportingSettings)
{
    for (const wchar_t* name : {L"DontShowUI", L"Disabled"}) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\Windows Error Reporting",
                                            name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        if (status == ERROR_SUCCESS) {
            std::printf("Windows Error Reporting %s: %lu\n", Utf8(name).c_str(), static_cast<unsigned long>(value));
        } else {
            std::printf("Windows Error Reporting %s: not set\n", Utf8(name).c_str());
        }
    }
}

TEST(Environment, TheSpoolerIsThere)
{
    const ServiceFacts spooler = QueryService(L"Spooler");
    ASSERT_TRUE(spooler.exists) << "this machine has no Spooler service: the suite has nothing to test against";
    std::printf("Spooler: %s, start type %s\n", StateName(spooler.state), StartTypeName(spooler.startType));
    std::printf("Spooler runs: %s\n", Utf8(spooler.binary).c_str());
}

TEST(Environment, TheReleaseUnderTest)
{
    const std::wstring dir = ReleaseDir();
    ASSERT_FALSE(dir.empty()) << "KESTRAFEN_RELEASE_DIR must name the folder the release zip was unzipped to";
    const std::wstring program = dir + L"kestrafen.exe";
    ASSERT_TRUE(PathExists(program)) << Utf8(program);
    // Its files' checksums are the suite runner's to check, before any program runs.
    std::printf("release: %s\n", Utf8(dir).c_str());
    std::printf("throwaway marker: %s\n", OnThrowawayMachine().message());
}

// The runner reads the hash from what Get-FileHash prints, which only Windows
// runs: decided here on what it prints, and on what it must not take.
TEST(UserTools, TheHashIsReadFromWhatGetFileHashPrints)
{
    const std::string hash = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    std::string upper = hash;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const struct {
        const char* what;
        std::string output;
        std::string read;
    } cases[] = {
        {"(...).Hash, as Windows PowerShell prints it", upper + "\r\n", hash},
        {"with a blank line and a warning around it", "\r\nWARNING: slow\r\n" + upper + "\r\n\r\n", hash},
        {"nothing: a stub, or a missing file", "", ""},
        {"an error, no hash", "Get-FileHash : Cannot find path\r\n", ""},
        {"one digit short", upper.substr(1) + "\r\n", ""},
        {"two hashes: which one is meant is not known", upper + "\r\n" + hash + "\r\n", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HashInToolOutput(c.output), c.read) << c.what;
    }
}

} // namespace
