// Entry point of the suite's programs: they drive the machine's spooler and
// empty its print queue, so they run only where the throwaway marker says
// that is wanted (the harness's Wine prefix, a CI runner), and refuse
// anywhere else before any check runs.
#include "windows/support/platform.h"
#include "windows/support/suite_paths.h"

#include <gtest/gtest.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (ThrowawayMarker().empty()) {
        std::printf("refusing to run: no %%SystemDrive%%\\%s marker, so this is not a throwaway test "
                    "machine or prefix\n",
                    Utf8(KESTRAFEN_THROWAWAY_MARKER).c_str());
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
