#!/bin/bash
# run.sh FACTS_SH PROGRAM [ARGS...]
# Runs a Windows program under Wine in the build's throwaway test prefix
# (ctest's emulator), making the prefix first if it does not exist yet, with
# Wine's error lines on (show_wine_errors) unless WINEDEBUG says otherwise.
# FACTS_SH is the build's facts/facts.sh, which names the prefix.
set -euo pipefail
# shellcheck source=/dev/null # written by the build
. "$1"
shift
# shellcheck source=wine/platform.sh
. "$(dirname "$0")/platform.sh"
show_wine_errors "${WINEDEBUG:-}"
use_prefix "$KESTRAFEN_TEST_PREFIX"
make_prefix
exec "${wine_command[@]}" "$@"
