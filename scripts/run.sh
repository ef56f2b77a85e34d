#!/bin/sh
# Builds the program and starts it under Wine in the project's own demo
# prefix (build/demo-prefix), whose print spooler is a well-behaved stand-in
# and whose job directory holds a few sample jobs, so the buttons can be
# pressed and watched. With no display it runs on a virtual one, presses the
# clean button itself and saves screenshots in build/screenshots/.
# Installs whatever is missing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"

if ! display_usable; then
  exec "$root/scripts/screenshots.sh" "$root/build/screenshots"
fi

"$root/scripts/install-deps.sh"
cmake --preset mingw-cross -DBUILD_TESTING=ON
cmake --build --preset mingw-cross --target kestrafen standin_spooler
prepare_prefix "$root/build/demo-prefix" build/tests/standin_spooler.exe
make_sample_jobs
echo "sample jobs in $jobs:"
ls "$jobs"
status=0
wine build/kestrafen.exe || status=$?
echo "exit code: $status; jobs left:"
ls "$jobs"
wineserver -k || true
