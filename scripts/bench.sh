#!/usr/bin/env bash
# Builds the shipped program, its start-up peer and the benchmark programs
# (build-bench/), runs them under Wine in a throwaway prefix of their own
# with the stand-in spooler, and prints the benchmark table on standard
# output; how long each step took goes to standard error. Figures are
# reported, not judged.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
cd "$root"
"$root/scripts/install-deps.sh"

began=$SECONDS
step() {
  echo "bench: $1 after $((SECONDS - began)) s, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
}

build="$root/build-bench"
cmake --preset mingw-cross -B "$build" -DBUILD_TESTING=ON -DKESTRAFEN_BENCHMARKS=ON >/dev/null
# The shipped program's build also makes the start-up peer, startup_peer.exe.
cmake --build "$build" --target kestrafen standin_spooler \
      deletion_bench overhead_bench startup_memory_bench >/dev/null
use_build "$build"
step "built"

# The peer is the program less its DLL-search restriction and its ghosting
# call: the program imports the two calls they make, the peer neither.
added_calls() {
  x86_64-w64-mingw32-objdump -p "$1" |
    { grep -Eo '\b(DisableProcessWindowsGhosting|SetDefaultDllDirectories)$' || true; } |
    sort | paste -sd' '
}
if [[ $(added_calls "$build/kestrafen.exe") != "DisableProcessWindowsGhosting SetDefaultDllDirectories" ||
      -n $(added_calls "$build/startup_peer.exe") ]]; then
  echo "bench: the start-up peer is not the program less exactly its additions" >&2
  exit 1
fi

# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"
use_display
# Made once and kept: each benchmark sets up the job folder and the spooler
# as it needs them.
prepare_prefix "$build/wineprefix" "$KESTRAFEN_STANDIN_SPOOLER"
step "prefix ready"

exe="$build/kestrafen.exe"
size=$(stat -c %s "$exe")
echo "# Benchmarks ($(date -u +%Y-%m-%d), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) at the start, $(wine --version), medians)"
echo
echo "| Measure | Figure | Peer | Ratio | Goal |"
echo "|---|---|---|---|---|"
echo "| Size of the shipped executable | $size bytes | | $(awk -v s="$size" 'BEGIN{printf "%.2f", s/98304}') of goal | <= 98,304 bytes |"
for program in startup_memory_bench deletion_bench overhead_bench; do
  wine "$build/bench/$program.exe"
  step "$program done"
done
echo
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Sections of the executable:"
x86_64-w64-mingw32-size -A "$exe" | awk '/^\./{printf "  %-8s %6d bytes\n", $1, $2}'
