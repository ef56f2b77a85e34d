#!/bin/bash
# Builds the program and starts it under Wine in the project's own demo
# prefix (build/demo-prefix), whose print spooler is a well-behaved stand-in
# and whose job directory holds a few sample jobs, so the buttons can be
# pressed and watched. With no display it runs on a virtual one, presses the
# clean button itself and saves screenshots in build/screenshots/.
# Installs whatever is missing.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"

if ! display_usable; then
  exec "$root/scripts/screenshots.sh" "$root/build/screenshots"
fi

build_for_tests kestrafen standin_spooler
prepare_prefix "$root/build/demo-prefix" "$KESTRAFEN_STANDIN_SPOOLER"
make_sample_jobs
echo "sample jobs in $jobs:"
ls "$jobs"
status=0
wine "$root/build/kestrafen.exe" || status=$?
echo "exit code: $status; jobs left:"
ls "$jobs"
