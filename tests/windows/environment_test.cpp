// What the suite runs on, printed before any other check: the system and its
// build, whether x64 code runs natively or emulated, elevation, the Spooler
// as the service manager has it, and the release under test.
#include "windows/support/platform.h"
#include "windows/support/services.h"
#include "windows/support/suite_paths.h"

#include "lib/test_paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <bcrypt.h>

#include <cstdio>
#include <string>
#include <vector>

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

// The SHA-256 of a file, in lower-case hex as SHA256SUMS.txt has it; empty
// if it can't be read.
std::string Sha256Of(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::string hex;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0) {
        if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
            std::vector<UCHAR> buffer(1 << 16);
            DWORD read = 0;
            bool ok = true;
            while (ok && ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read) {
                ok = BCryptHashData(hash, buffer.data(), read, 0) == 0;
            }
            UCHAR digest[32] = {};
            if (ok && BCryptFinishHash(hash, digest, sizeof(digest), 0) == 0) {
                const char digits[] = "0123456789abcdef";
                for (const UCHAR byte : digest) {
                    hex += digits[byte >> 4];
                    hex += digits[byte & 0xF];
                }
            }
            BCryptDestroyHash(hash);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    CloseHandle(file);
    return hex;
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
    const std::string hash = Sha256Of(program);
    std::printf("release: %s\nkestrafen.exe SHA-256: %s\n", Utf8(dir).c_str(), hash.c_str());
    EXPECT_EQ(hash.size(), 64u);
    std::printf("throwaway marker: %s\n", Utf8(ThrowawayMarker()).c_str());
}

} // namespace
