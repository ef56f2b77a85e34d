#!/bin/bash
# run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine in a throwaway prefix (ctest's emulator).
# The prefix must have been prepared (prepare_prefix in wine/platform.sh, as
# scripts/test.sh does).
set -euo pipefail
if [ ! -d "$1/drive_c" ]; then
  echo "run.sh: $1 is not a prepared Wine prefix (scripts/test.sh prepares it)" >&2
  exit 2
fi
# shellcheck source=wine/platform.sh
. "$(dirname "$0")/platform.sh"
use_prefix "$1"
shift
exec wine "$@"
