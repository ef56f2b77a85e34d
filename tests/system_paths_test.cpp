// Where the program looks for net.exe and for the jobs, for the system
// directories Windows may report: both follow it, and nothing is made up when
// it can't be had.
#include "cleanup/spooler_command.h"
#include "cleanup/system_paths.h"

#include "fakes/system_directory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

class SystemPathsTest : public testing::Test {
protected:
    void TearDown() override { fake::systemDirectory.reset(); }
};

TEST_F(SystemPathsTest, FollowTheSystemDirectoryWhereverItIs)
{
    // The longest directory the system can report into a MAX_PATH buffer.
    const std::wstring longest = L"E:\\" + std::wstring(MAX_PATH - 4, L'w');
    ASSERT_EQ(longest.size(), size_t{MAX_PATH - 1});
    const struct {
        const char* name;
        std::wstring systemDir;
        std::wstring jobs;
        std::wstring stop;
    } cases[] = {
        {"standard", L"C:\\Windows\\system32", L"C:\\Windows\\system32\\spool\\PRINTERS\\",
         L"\"C:\\Windows\\system32\\net.exe\" stop spooler"},
        {"another drive", L"D:\\Windows\\system32", L"D:\\Windows\\system32\\spool\\PRINTERS\\",
         L"\"D:\\Windows\\system32\\net.exe\" stop spooler"},
        {"another folder", L"C:\\WINNT\\System32", L"C:\\WINNT\\System32\\spool\\PRINTERS\\",
         L"\"C:\\WINNT\\System32\\net.exe\" stop spooler"},
        {"a drive's root", L"F:\\", L"F:\\spool\\PRINTERS\\", L"\"F:\\net.exe\" stop spooler"},
        {"longest", longest, longest + L"\\spool\\PRINTERS\\",
         L"\"" + longest + L"\\net.exe\" stop spooler"},
        // Too long for the buffer, or not to be had: no folder, no command.
        {"one too long", longest + L"w", L"", L""},
        {"not to be had", L"", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::systemDirectory = c.systemDir;
        EXPECT_EQ(JobDirectory(), c.jobs);
        EXPECT_EQ(SpoolerCommand(L"stop"), c.stop);
    }
}

} // namespace
