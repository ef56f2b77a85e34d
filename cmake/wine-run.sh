#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine in the build tree's throwaway prefix,
# making the prefix first if it does not exist yet.
set -e
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$1"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=zh_CN.UTF-8
"$here/make-prefix.sh" "$WINEPREFIX"
exec wine "$@"
