#!/bin/bash
# Each analyser's run fails on a finding planted for it, and names it: a
# small file per analyser in a scratch folder that scripts/static-analysis.sh
# is given instead of the project. The folder is in the build tree, below the
# sources, so that clang-tidy reads the project's .clang-tidy.
# Usage: static_analysis_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
work=$build/planted-findings
rm -rf "$work"
mkdir -p "$work/cppcheck"
trap 'rm -rf "$work"' EXIT
status=0

printf '%s\n' 'int Planted()' '{' '    int value;' '    return value;' '}' > "$work/planted.cpp"
printf '[{"directory": "%s", "file": "%s", "arguments": ["clang++", "--target=x86_64-w64-mingw32", "-std=c++17", "-c", "%s"]}]\n' \
  "$work" "$work/planted.cpp" "$work/planted.cpp" | tee "$work/cppcheck/compile_commands.json" > "$work/compile_commands.json"
# shellcheck disable=SC2016 # the planted script's own $1
printf '%s\n' '#!/bin/bash' 'echo $1' > "$work/planted.sh"

for planted in 'cppcheck uninitvar' 'clang-tidy cppcoreguidelines-init-variables' 'shellcheck SC2086'; do
  read -r analyser finding <<< "$planted"
  if "$source_dir/scripts/static-analysis.sh" "$analyser" "$build" "$work" > "$work/$analyser.out" 2>&1; then
    echo "FAIL: $analyser passed a planted $finding"
    status=1
  elif ! grep -q -F "$finding" "$work/$analyser.out"; then
    echo "FAIL: $analyser failed without naming the planted $finding"
    status=1
  fi
  cat "$work/$analyser.out"
done
exit $status
