#!/bin/bash
# test.sh [CTEST ARGS...]
# Builds the program and its tests with the mingw-w64 cross toolchain and runs
# every test under Wine on a virtual display, in a throwaway prefix made
# afresh under build/, side by side (ctest -j; tests that share the print
# queue take turns). The static analysers run at the same time, in the
# background: any finding fails the run once the tests are done.
# KESTRAFEN_ANALYSIS=0 leaves the analysers out. Installs whatever is missing
# first (build_for_tests).
set -euo pipefail
# What the caller asked of Wine's debug output, for the tests themselves: the
# prefix is made with it off.
tests_wine_debug=${WINEDEBUG:-}
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"
# shellcheck disable=SC2119 # all of it: no targets named
build_for_tests

analysis_pid=""
if [ "${KESTRAFEN_ANALYSIS:-1}" != 0 ]; then
  analysis_log="$root/build/static-analysis.log"
  # At the lowest priority: the tests' windows and timings come first, the
  # analysers take what CPU the waiting tests leave.
  nice -n 19 "$root/scripts/static-analysis.sh" all "$root/build" > "$analysis_log" 2>&1 &
  analysis_pid=$!
  on_exit "kill $analysis_pid 2>/dev/null"
fi

use_display
prepare_prefix "$KESTRAFEN_TEST_PREFIX" "$KESTRAFEN_STANDIN_SPOOLER" fresh
show_wine_errors "$tests_wine_debug"
if [ "${wine_command[0]}" != setarch ]; then
  echo "note: address-space randomisation stays on (the system refuses to turn it off): Wine may fail" \
    "to start about one process in 7,700 (\"failed to map the shared user data\")" >&2
fi
status=0
ctest --preset mingw-cross -j "${KESTRAFEN_TEST_JOBS:-4}" "$@" || status=$?

if [ -n "$analysis_pid" ]; then
  if wait "$analysis_pid"; then
    echo "static analysis: no findings"
  else
    cat "$analysis_log"
    echo "static analysis found problems"
    status=1
  fi
fi
exit $status
