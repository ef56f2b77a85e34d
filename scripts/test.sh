#!/bin/sh
# Builds the program and its tests with the mingw-w64 cross toolchain and runs
# every test under Wine on a virtual display, in a throwaway prefix made
# afresh under build/. Installs whatever is missing first.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

cmake --preset mingw-cross -DBUILD_TESTING=ON
cmake --build --preset mingw-cross

# Static analysis of the program, the tests and the scripts: any finding
# fails the run, after the tests have run too.
analysis=0
[ "${KESTRAFEN_ANALYSIS:-1}" = 0 ] || for analyser in shellcheck cppcheck clang-tidy; do
  echo "static analysis: $analyser"
  "$root/scripts/static-analysis.sh" "$analyser" build || { echo "static analysis: $analyser found problems"; analysis=1; }
done

# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"
use_display
prepare_prefix "$root/build/wineprefix" build/tests/standin_spooler.exe fresh
status=0
ctest --preset mingw-cross "$@" || status=$?
wineserver -k || true
[ $analysis -eq 0 ] || status=1
exit $status
