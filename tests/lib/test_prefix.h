#pragma once

#include <gtest/gtest.h>

// Tests that delete job files or drive the spooler run only on a throwaway
// machine: one whose system drive holds the marker file (the build's
// PREFIX_MARKER fact) that the Wine harness leaves in its prefix and the
// Windows workflow on its runners. Never on a user's machine.
testing::AssertionResult OnThrowawayMachine();

// The Wine-only tests demand more: Wine, in the harness's throwaway prefix.
// Never on a real Windows machine, never in a user's own Wine prefix.
testing::AssertionResult InThrowawayPrefix();

// A macro, because only a macro can end the calling test with ASSERT_.
#define REQUIRE_THROWAWAY_PREFIX() ASSERT_TRUE(InThrowawayPrefix())  // NOLINT(cppcoreguidelines-macro-usage)
