#!/bin/sh
# Builds an optimised program and the benchmark programs (build-bench/), runs
# them under Wine in a throwaway prefix of their own with the stand-in
# spooler, and prints the benchmark table. Figures are reported, not judged.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

build="$root/build-bench"
cmake --preset mingw-cross -B "$build" -DBUILD_TESTING=ON -DKESTRAFEN_BENCHMARKS=ON >/dev/null
# The shipped program's build also makes the start-up peer, bare_window.exe.
cmake --build "$build" --target kestrafen standin_spooler \
      deletion_bench overhead_bench startup_memory_bench >/dev/null

# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"
use_display
prepare_prefix "$build/wineprefix" "$build/tests/standin_spooler.exe" fresh

exe="$build/kestrafen.exe"
echo "# Benchmarks ($(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version), median of the runs)"
echo
echo "| Measure | Figure | Peer | Ratio | Goal |"
echo "|---|---|---|---|---|"
echo "| Size of the shipped executable | $(stat -c %s "$exe") bytes | | $(awk "BEGIN{printf \"%.2f\", $(stat -c %s "$exe")/98304}") of goal | <= 98,304 bytes |"
wine "$build/bench/deletion_bench.exe"
wine "$build/bench/startup_memory_bench.exe"
wine "$build/bench/overhead_bench.exe"
wineserver -k || true
echo
echo "Sections of the executable:"
x86_64-w64-mingw32-size -A "$exe" | awk '/^\./{printf "  %-8s %6d bytes\n", $1, $2}'
