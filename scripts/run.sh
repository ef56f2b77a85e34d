#!/bin/sh
# Builds the program and starts it under Wine in the project's own demo
# prefix (build/demo-prefix), whose print spooler is a well-behaved stand-in
# and whose job directory holds a few sample jobs, so the buttons can be
# pressed and watched. With no display it runs on a virtual one, presses the
# clean button itself and saves screenshots. Installs whatever is missing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

cmake --preset mingw-cross -DBUILD_TESTING=ON
cmake --build --preset mingw-cross --target kestrafen standin_spooler

interactive=1
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  interactive=0
  unset DISPLAY
  . "$root/scripts/xvfb-env.sh"
fi

. "$root/scripts/wine-prefix.sh"
prepare_prefix "$root/build/demo-prefix" build/tests/standin_spooler.exe
wine net start spooler >/dev/null 2>&1 || true

jobs="$WINEPREFIX/drive_c/windows/system32/spool/printers"
mkdir -p "$jobs"
for n in 00017 00018 00019; do
  printf '%%!PS-Adobe-3.0\n%% sample job %s\nshowpage\n' "$n" > "$jobs/$n.SPL"
  printf 'shadow %s\n' "$n" > "$jobs/$n.SHD"
done
printf 'stuck job\n' > "$jobs/财务报表 第3季度.SPL"
echo "sample jobs in $jobs:"
ls "$jobs"

if [ "$interactive" = 1 ]; then
  status=0
  wine build/kestrafen.exe || status=$?
  echo "exit code: $status; jobs left:"
  ls "$jobs"
  wineserver -k || true
  exit 0
fi

shots="$root/build/screenshots"
mkdir -p "$shots"
rm -f "$shots"/*.png
wine build/kestrafen.exe &
program=$!

# The window is centred on the desktop: find it and its clean button.
for _ in $(seq 100); do
  window=$(xdotool search --name '打印任务清理工具' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
sleep 1
import -window root "$shots/1-start.png"

eval "$(xdotool getwindowgeometry --shell "$window")"
# A real mouse click on the clean button: client (200, 140), below the
# window's top edge and title bar (about 24 pixels together).
xdotool mousemove $((X + WIDTH / 2)) $((Y + 24 + 140)) click 1
sleep 1.2
import -window root "$shots/2-during-run.png"

for _ in $(seq 100); do
  xdotool search --name '^成功$|^错误$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 0.5
import -window root "$shots/3-outcome.png"
xdotool key Return
status=0
wait $program || status=$?
echo "program exit code: $status; jobs left in $jobs:"
ls -A "$jobs"
wineserver -k || true
echo "screenshots:"
ls "$shots"/*.png
