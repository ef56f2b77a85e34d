#!/bin/bash
# static-analysis.sh clang-tidy|cppcheck|shellcheck|all BUILD_DIR [FOLDER]
# The analysers over the project; exit status 1 on any finding. BUILD_DIR is
# the tests' build (mingw-cross preset), built: clang-tidy and cppcheck read
# one compilation database made from it and its shipped build (see
# scripts/analysis-database.py), so each C++ source is analysed once, with
# the flags it is built with. scripts/test.sh runs "all" beside the tests.
# Given a FOLDER, an analyser reads it instead: its compile_commands.json
# (cppcheck's in its cppcheck/), or its shell scripts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tool=$1
build=$(cd "$2" && pwd)
only=${3:-}
jobs=$(nproc)

database() {
  if [ -n "$only" ]; then
    printf '%s\n' "$only"
    return
  fi
  local out="$build/analysis"
  for db in "$build/shipped" "$build"; do
    if [ ! -f "$db/compile_commands.json" ]; then
      echo "$tool: $db/compile_commands.json is missing (build $build from the mingw-cross preset first)" >&2
      exit 1
    fi
  done
  # shellcheck source=/dev/null # written by the build
  . "$build/facts/facts.sh"
  # shellcheck disable=SC2086 # a list of folders, split on purpose
  /usr/bin/python3 -B "$root/scripts/analysis-database.py" "$root" "$build/shipped" "$build" "$out" \
    $KESTRAFEN_TESTS_GCC_INCLUDE_DIRS
  printf '%s\n' "$out"
}

case "$tool" in
clang-tidy)
  db=$(database)
  # Findings go to standard output, without clang-tidy's own chatter (its
  # count of the filtered warnings in system headers); the status is
  # run-clang-tidy's own (1 on any finding).
  status=0
  run-clang-tidy-22 -quiet -j "$jobs" -p "$db" > "$db/clang-tidy.log" 2>&1 || status=$?
  grep -v -E '^[0-9]+ warnings? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Running clang-tidy|^clang-tidy-22 ' \
    "$db/clang-tidy.log" || true
  exit $status
  ;;
cppcheck)
  db=$(database)
  cppcheck --project="$db/cppcheck/compile_commands.json" -j "$jobs" \
    --enable=warning,style,performance,portability --std=c++17 --platform=win64 \
    --library=windows --inline-suppr --error-exitcode=1 --quiet \
    --suppress=missingIncludeSystem --suppress='*:/usr/*' \
    --suppress="unusedStructMember:$root/tests/*"
  ;;
shellcheck)
  folders=(scripts wine tests .ci)
  [ -z "$only" ] || folders=("$only")
  find "${folders[@]}" -type f \( -name '*.sh' -o -name run \) -print0 | sort -z |
    xargs -0 shellcheck -x
  ;;
all)
  status=0
  for analyser in shellcheck cppcheck clang-tidy; do
    echo "static analysis: $analyser"
    "$0" "$analyser" "$build" || { echo "static analysis: $analyser found problems"; status=1; }
  done
  exit $status
  ;;
*)
  echo "usage: $0 clang-tidy|cppcheck|shellcheck|all BUILD_DIR" >&2
  exit 2
  ;;
esac
