#!/bin/bash
# Builds the shipped program from a clean copy of the source tree and writes
# DIST/<the build's RELEASE_ZIP fact> (DIST is dist/ unless given) holding,
# under the names the build's RELEASE_FILES fact gives them, kestrafen.exe,
# 使用说明.txt (the user guide from README.zh-CN.md, with the
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
# Works from a source archive as well as a git checkout (the copy holds only
# the files under version control, or the archive's own), and writes nothing
# into either. Two runs from the same sources give the same zip, byte for
# byte, when unsigned. Needs what scripts/install-deps.sh installs.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
dist=${1:-"$root/dist"}
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
# git reads this checkout even when another user owns it (a CI container's
# steps run as root in a workspace the runner's user owns): the release is
# built from these sources by their own build scripts, so trusting their git
# metadata trusts nothing more. Given to git on its command line
# (GIT_CONFIG_COUNT), so a caller's environment without the user's global
# git configuration (env -i, an empty HOME) keeps it.
config=${GIT_CONFIG_COUNT:-0}
export "GIT_CONFIG_KEY_$config=safe.directory" "GIT_CONFIG_VALUE_$config=$(cd "$root" && pwd -P)"
export GIT_CONFIG_COUNT=$((config + 1))

work=$(mktemp -d /tmp/kestrafen-release.XXXXXX)
on_exit "rm -rf '$work'"

# The shipped program (the "shipped" preset), built from a clean copy of the tree.
src="$work/src"
"$root/scripts/clean-copy.sh" "$root" "$src"
cmake --preset shipped -S "$src" -B "$work/build" >/dev/null
cmake --build "$work/build" --target kestrafen >/dev/null
"$src/scripts/release-zip.sh" "$work/build" "$work/build/kestrafen.exe" "$src" "$root" "$dist"
