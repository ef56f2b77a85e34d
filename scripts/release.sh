#!/bin/sh
# Builds the shipped program from a clean copy of the source tree and writes
# DIST/kestrafen-<version>-win-x64.zip (DIST is dist/ unless given) holding
# kestrafen.exe, 使用说明.txt (the user guide from README.zh-CN.md, with the
# version and its date from CHANGELOG.md), LICENSE.txt, THIRD-PARTY-NOTICES.txt
# (what the linker took from other projects, and their notices),
# BUILDINFO.txt (the sources, the toolchain and the unsigned exe's SHA-256)
# and SHA256SUMS.txt (the other five). The version is the CMake project's.
# The text files are for Notepad: CRLF line ends, UTF-8 (with a byte-order
# mark, except SHA256SUMS.txt, which sha256sum -c must read).
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

# The shipped program (the "shipped" preset), built from a clean copy of the tree.
"$root/scripts/clean-copy.sh" "$root" "$work/src"
cmake --preset shipped -S "$work/src" -B "$work/build" >/dev/null
cmake --build "$work/build" --target kestrafen >/dev/null
version=$(cat "$work/build/version.txt")

stage="$work/stage"
mkdir "$stage"
src="$work/src"
guide="使用说明.txt"
python3 "$src/scripts/guide-to-text.py" "$src/README.zh-CN.md" "$src/CMakeLists.txt" "$src/CHANGELOG.md" \
  "$stage/$guide"
sed 's/$/\r/' "$src/LICENSE" > "$stage/LICENSE.txt"
python3 "$src/scripts/third-party-notices.py" "$work/build" "$stage/THIRD-PARTY-NOTICES.txt"
python3 "$src/scripts/buildinfo.py" "$root" "$src" "$work/build/kestrafen.exe" "$version" "$stage/BUILDINFO.txt"

if [ -n "${KESTRAFEN_SIGN_PFX:-}" ] && [ -n "${KESTRAFEN_SIGN_PASSWORD:-}" ]; then
  # The password goes through a file only this user can read, never the
  # command line (which other users can list).
  caller_umask=$(umask)
  umask 077
  printf '%s' "$KESTRAFEN_SIGN_PASSWORD" > "$work/password"
  umask "$caller_umask"
  set -- -pkcs12 "$KESTRAFEN_SIGN_PFX" -readpass "$work/password" -h sha256 -n "打印任务清理工具"
  if [ -n "${KESTRAFEN_SIGN_TIMESTAMP_URL:-}" ]; then
    set -- "$@" -ts "$KESTRAFEN_SIGN_TIMESTAMP_URL"
  fi
  osslsigncode sign "$@" -in "$work/build/kestrafen.exe" -out "$stage/kestrafen.exe" >/dev/null
  echo "signed kestrafen.exe with $KESTRAFEN_SIGN_PFX"
else
  cp "$work/build/kestrafen.exe" "$stage/kestrafen.exe"
  echo "UNSIGNED: KESTRAFEN_SIGN_PFX and KESTRAFEN_SIGN_PASSWORD are not set, so kestrafen.exe is not signed"
fi
chmod 644 "$stage"/*

# The files in the zip, in its order; SHA256SUMS.txt lists them and comes last.
set -- kestrafen.exe "$guide" LICENSE.txt THIRD-PARTY-NOTICES.txt BUILDINFO.txt
(cd "$stage" && sha256sum "$@" | sed 's/$/\r/' > SHA256SUMS.txt)
zip="$dist/kestrafen-$version-win-x64.zip"
rm -f "$zip"
python3 "$src/scripts/deterministic-zip.py" "$zip" "$stage" "$@" SHA256SUMS.txt
echo "$zip"
sha256sum "$zip"
