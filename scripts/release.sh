#!/bin/sh
# Builds the shipped program from a clean copy of the source tree and writes
# DIST/kestrafen-<version>-win-x64.zip (DIST is dist/ unless given) holding
# kestrafen.exe, 使用说明.txt (the user guide from README.zh-CN.md),
# LICENSE.txt and SHA256SUMS.txt. The version is the CMake project's.
#
# Signing: with KESTRAFEN_SIGN_PFX (a PFX file) and KESTRAFEN_SIGN_PASSWORD
# set, kestrafen.exe is signed with Authenticode (SHA-256) before the
# checksums are taken; KESTRAFEN_SIGN_TIMESTAMP_URL, if set, names an
# RFC 3161 time-stamp server. Without them the release is unsigned.
#
# Works from a source archive as well as a git checkout. Two runs from the
# same sources give the same zip, byte for byte, when unsigned.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dist=${1:-"$root/dist"}
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
"$root/scripts/install-deps.sh"

work=$(mktemp -d /tmp/kestrafen-release.XXXXXX)
trap 'rm -rf "$work"' EXIT

# A clean tree: the sources, without build trees, releases or git metadata.
mkdir "$work/src"
(cd "$root" && tar --exclude=./build --exclude='./build-*' --exclude=./dist --exclude=./.git -cf - .) |
  (cd "$work/src" && tar -xf -)
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/clang-mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$work/build" --target kestrafen >/dev/null
version=$(cat "$work/build/version.txt")

stage="$work/stage"
mkdir "$stage"
guide="使用说明.txt"
python3 "$root/scripts/guide-to-text.py" "$root/README.zh-CN.md" "$stage/$guide"
sed 's/$/\r/' "$root/LICENSE" > "$stage/LICENSE.txt"

if [ -n "${KESTRAFEN_SIGN_PFX:-}" ] && [ -n "${KESTRAFEN_SIGN_PASSWORD:-}" ]; then
  # The password goes through a file only this user can read, never the
  # command line (which other users can list).
  umask 077
  printf '%s' "$KESTRAFEN_SIGN_PASSWORD" > "$work/password"
  set -- -pkcs12 "$KESTRAFEN_SIGN_PFX" -readpass "$work/password" -h sha256 -n "打印任务清理工具"
  if [ -n "${KESTRAFEN_SIGN_TIMESTAMP_URL:-}" ]; then
    set -- "$@" -ts "$KESTRAFEN_SIGN_TIMESTAMP_URL"
  fi
  osslsigncode sign "$@" -in "$work/build/kestrafen.exe" -out "$stage/kestrafen.exe" >/dev/null
  umask 022
  echo "signed kestrafen.exe with $KESTRAFEN_SIGN_PFX"
else
  cp "$work/build/kestrafen.exe" "$stage/kestrafen.exe"
  echo "UNSIGNED: KESTRAFEN_SIGN_PFX and KESTRAFEN_SIGN_PASSWORD are not set, so kestrafen.exe is not signed"
fi
chmod 644 "$stage"/*

(cd "$stage" && sha256sum kestrafen.exe "$guide" LICENSE.txt > SHA256SUMS.txt)
zip="$dist/kestrafen-$version-win-x64.zip"
rm -f "$zip"
python3 "$root/scripts/deterministic-zip.py" "$zip" "$stage" kestrafen.exe "$guide" LICENSE.txt SHA256SUMS.txt
echo "$zip"
sha256sum "$zip"
