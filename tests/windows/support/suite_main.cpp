// Entry point of the suite's programs: they drive the machine's spooler and
// empty its print queue, so they run only where the throwaway marker says
// that is wanted (the harness's Wine prefix, a CI runner), and refuse
// anywhere else before any check runs.
#include "lib/test_prefix.h"

#include <gtest/gtest.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (const testing::AssertionResult throwaway = OnThrowawayMachine(); !throwaway) {
        std::printf("refusing to run: %s\n", throwaway.message());
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
