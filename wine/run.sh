#!/bin/sh
# run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine in a throwaway prefix (ctest's emulator),
# making the prefix first if it does not exist yet.
set -e
# shellcheck source=wine/platform.sh
. "$(dirname "$0")/platform.sh"
use_prefix "$1"
shift
make_prefix
exec wine "$@"
