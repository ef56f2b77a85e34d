#pragma once

#include <gtest/gtest.h>

// Tests that delete job files or drive the spooler run only in the throwaway
// Wine prefix that the test harness makes (it leaves a marker file in C:\).
// Never on a real Windows machine, never in a user's own Wine prefix.
testing::AssertionResult InThrowawayPrefix();

// A macro, because only a macro can end the calling test with ASSERT_.
#define REQUIRE_THROWAWAY_PREFIX() ASSERT_TRUE(InThrowawayPrefix())  // NOLINT(cppcoreguidelines-macro-usage)
