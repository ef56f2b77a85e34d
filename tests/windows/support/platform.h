#pragma once

#include "lib/window_text.h"  // Utf8, for the log

#include <gtest/gtest.h>

#include <string>

// Which system the suite runs on. The same programs run under Wine (in the
// test harness's throwaway prefix) and on Windows (on a CI runner); a few
// checks only mean something on Windows.

// Wine's version ("8.0"), or empty on Windows (ntdll has no wine_get_version).
std::string WineVersion();
inline bool OnWine()
{
    return !WineVersion().empty();
}

// True where a check that can't run must fail rather than skip: on the
// Windows runners, which set KESTRAFEN_REQUIRE_WINDOWS=1.
bool SkipsAreFailures();

// Ends a check that only means something on Windows: under Wine it reports
// itself skipped with the reason. Where skips are failures, the suite runner
// fails the skip (ProgramProblems in suite_verdict.h).
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): only a macro can end the calling test
#define WINDOWS_ONLY(reason)                                                                       \
    do {                                                                                           \
        if (OnWine()) {                                                                            \
            GTEST_SKIP() << (reason);                                                              \
        }                                                                                          \
    } while (false)
