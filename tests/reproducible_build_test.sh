#!/bin/sh
# Two clean builds of the shipped program from copies of the source in
# different directories, with build trees of different names, must give
# byte-identical executables that name neither directory.
# Usage: reproducible_build_test.sh SOURCE_DIR
set -eu
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/kestrafen-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT

build_in() {
  src="$work/$1"
  "$source_dir/scripts/clean-copy.sh" "$source_dir" "$src"
  cmake --preset shipped -S "$src" -B "$src/$2" >/dev/null
  cmake --build "$src/$2" --target kestrafen >/dev/null
}

build_in first out
build_in a-second-and-longer-source-path build-elsewhere
a="$work/first/out/kestrafen.exe"
b="$work/a-second-and-longer-source-path/build-elsewhere/kestrafen.exe"
sha256sum "$a" "$b"
status=0
if ! cmp -s "$a" "$b"; then
  echo "FAIL: the two builds differ"
  cmp -l "$a" "$b" | head -n 10
  status=1
fi
for path in "$work" "$source_dir"; do
  if grep -q -a -F "$path" "$a" "$b"; then
    echo "FAIL: a build names $path"
    status=1
  fi
done
[ $status -eq 0 ] && echo "identical: $(stat -c %s "$a") bytes"
exit $status
