#!/bin/bash
# release-zip.sh BUILD EXE SOURCES SOURCE_ROOT DIST
# Makes the release zip from a build of the shipped program (the "shipped"
# preset) in BUILD, whose program is EXE: the files release.sh describes,
# from the sources in SOURCES (a clean copy of the tree) and the commit of
# SOURCE_ROOT (if it is a git checkout), written to DIST/<the RELEASE_ZIP
# fact>. release.sh calls it on the build it just made; the release test
# calls it on the tests' build of the shipped program too, made in another
# folder, and compares the two zips. Signs with the KESTRAFEN_SIGN_*
# variables as release.sh says.
set -euo pipefail
build=$1 built_exe=$2 src=$3 source_root=$4 dist=$5
mkdir -p "$dist"
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
# Debian's Python (it has pefile), writing no bytecode into the sources.
python=(/usr/bin/python3 -B)
export PYTHONDONTWRITEBYTECODE=1
work=$(mktemp -d /tmp/kestrafen-release-zip.XXXXXX)
on_exit "rm -rf '$work'"

use_build "$build"
facts="$build/facts/facts.json"
read -r exe guide licence notices buildinfo sums <<< "$KESTRAFEN_RELEASE_FILES"

stage="$work/stage"
mkdir "$stage"
"${python[@]}" "$src/scripts/guide-to-text.py" "$src/README.zh-CN.md" "$facts" "$src/CHANGELOG.md" \
  "$stage/$guide"
sed 's/$/\r/' "$src/LICENSE" > "$stage/$licence"
"${python[@]}" "$src/scripts/third-party-notices.py" "$build" "$stage/$notices"
"${python[@]}" "$src/scripts/buildinfo.py" "$facts" "$source_root" "$src" "$built_exe" "$stage/$buildinfo"

if [ -n "${KESTRAFEN_SIGN_PFX:-}" ] && [ -n "${KESTRAFEN_SIGN_PASSWORD:-}" ]; then
  # The password goes through a file only this user can read, never the
  # command line (which other users can list).
  (umask 077 && printf '%s' "$KESTRAFEN_SIGN_PASSWORD" > "$work/password")
  sign=(-pkcs12 "$KESTRAFEN_SIGN_PFX" -readpass "$work/password" -h sha256 -n "$KESTRAFEN_WINDOW_TITLE")
  if [ -n "${KESTRAFEN_SIGN_TIMESTAMP_URL:-}" ]; then
    sign+=(-ts "$KESTRAFEN_SIGN_TIMESTAMP_URL")
  fi
  osslsigncode sign "${sign[@]}" -in "$built_exe" -out "$stage/$exe" >/dev/null
  echo "signed $exe with $KESTRAFEN_SIGN_PFX"
else
  cp "$built_exe" "$stage/$exe"
  echo "UNSIGNED: KESTRAFEN_SIGN_PFX and KESTRAFEN_SIGN_PASSWORD are not set, so $exe is not signed"
fi
chmod 644 "$stage"/*

# The files in the zip, in its order; the checksums of the others come last.
members=("$exe" "$guide" "$licence" "$notices" "$buildinfo")
(cd "$stage" && sha256sum "${members[@]}" | sed 's/$/\r/' > "$sums")
zip="$dist/$KESTRAFEN_RELEASE_ZIP"
rm -f "$zip"
"${python[@]}" "$src/scripts/deterministic-zip.py" "$zip" "$stage" "${members[@]}" "$sums"
echo "$zip"
sha256sum "$zip"
