// A stand-in for a program of the Windows suite, for the checks on the suite
// runner: a GoogleTest program whose one check does what its file name says
// (copies of it are named so): *passes*, *fails*, *skips*, *crashes* (ends
// with an access violation's status before writing results), or
// *stops_spooler* (stops the Spooler and fails, as a broken check would).
#include "lib/services.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

bool Named(const wchar_t* behaviour)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring name(path);
    return name.find(behaviour, name.find_last_of(L"\\/") + 1) != std::wstring::npos;
}

TEST(StandIn, DoesWhatItsNameSays)
{
    if (Named(L"skips")) {
        GTEST_SKIP() << "a stand-in check that skips";
    }
    if (Named(L"fails")) {
        FAIL() << "a stand-in check that fails";
    }
    if (Named(L"stops_spooler")) {
        ASSERT_TRUE(SetServiceState(L"Spooler", SERVICE_STOPPED));
        FAIL() << "a stand-in check that stopped the Spooler and failed";
    }
    EXPECT_TRUE(Named(L"passes")) << "a stand-in named for no behaviour";
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (Named(L"crashes")) {
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
