#!/bin/sh
# static-analysis.sh clang-tidy|cppcheck|shellcheck BUILD_DIR
# One analyser over the project; exit status 1 on any finding.
# scripts/test.sh runs all three before the tests. clang-tidy reads the compile commands of
# the shipped program's build (BUILD_DIR/shipped) for src/, and of the tests'
# build (BUILD_DIR) for tests/ and bench/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tool=$1
build=$(cd "$2" && pwd)

case "$tool" in
clang-tidy)
  # clang can't tell GCC's "12-posix" folder for a version: name the tests'
  # C++ library headers, as the shipped toolchain file does for its own.
  gcc_dir=$(find /usr/lib/gcc/x86_64-w64-mingw32 -maxdepth 1 -name '*-posix' | sort -V | tail -n 1)
  for database in "$build/shipped" "$build"; do
    if [ ! -f "$database/compile_commands.json" ]; then
      echo "clang-tidy: $database/compile_commands.json is missing (build $2 from the mingw-cross preset first)" >&2
      exit 1
    fi
  done
  # Findings go to standard output; clang-tidy's errors are shown when it
  # fails, without its count of the (filtered) warnings in system headers.
  errors=$(mktemp)
  trap 'rm -f "$errors"' EXIT
  status=0
  find src -name '*.cpp' | sort | xargs -P 2 -n 4 clang-tidy-16 --quiet -p "$build/shipped" \
    2>>"$errors" || status=1
  find tests bench -name '*.cpp' | sort | xargs -P 2 -n 4 clang-tidy-16 --quiet -p "$build" \
    --extra-arg=--target=x86_64-w64-mingw32 \
    --extra-arg=-I"$root/src" --extra-arg=-I"$root/tests" \
    --extra-arg=-isystem"$gcc_dir/include/c++" \
    --extra-arg=-isystem"$gcc_dir/include/c++/x86_64-w64-mingw32" \
    --extra-arg=-isystem"$gcc_dir/include/c++/backward" 2>>"$errors" || status=1
  [ $status -eq 0 ] || grep -v -E '^[0-9]+ warnings? generated\.$' "$errors" >&2 || true
  exit $status
  ;;
cppcheck)
  set -- --enable=warning,style,performance,portability --std=c++17 --platform=win64 \
    --library=windows --inline-suppr --error-exitcode=1 --quiet \
    -D_WIN32 -D_WIN64 -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -D__MINGW32__ \
    --suppress=missingIncludeSystem
  status=0
  cppcheck "$@" -I src src || status=1
  # The tests mirror system records field by field (some fields unread) and
  # include GoogleTest, whose own findings are not ours.
  cppcheck "$@" -I src -I tests -I /usr/src/googletest/googletest/include --suppress='*:/usr/src/*' \
    --suppress=unusedStructMember tests bench || status=1
  exit $status
  ;;
shellcheck)
  find scripts wine tests .ci -type f \( -name '*.sh' -o -name run \) -print0 | sort -z |
    xargs -0 shellcheck -x
  ;;
*)
  echo "usage: $0 clang-tidy|cppcheck|shellcheck BUILD_DIR" >&2
  exit 2
  ;;
esac
