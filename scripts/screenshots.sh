#!/bin/sh
# screenshots.sh [OUTPUT_DIR]   (docs/images/ unless given)
# Remakes the user guide's three screenshots: the program at start, during a
# run, and with the outcome box. It runs the built program under Wine on a
# virtual display of its own, in the demo prefix (build/demo-prefix) whose
# spooler is a well-behaved stand-in, presses the clean button with a real
# mouse click, and crops each shot to the program's windows.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${1:-"$root/docs/images"}
mkdir -p "$out"
out=$(cd "$out" && pwd)
"$root/scripts/install-deps.sh"
cmake --preset mingw-cross -DBUILD_TESTING=ON >/dev/null
cmake --build --preset mingw-cross --target kestrafen standin_spooler >/dev/null

# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"
unset DISPLAY
use_display
prepare_prefix "$root/build/demo-prefix" build/tests/standin_spooler.exe
make_sample_jobs

# shot NAME WINDOW...: the screen cropped to the windows' bounding box, as a
# small palette PNG.
shot() {
  name=$1
  shift
  box=$(for window in "$@"; do xdotool getwindowgeometry --shell "$window"; done |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{
      h=$2; if (!n++ || x < l) l = x; if (n == 1 || y < t) t = y
      if (n == 1 || x + w > r) r = x + w; if (n == 1 || y + h > b) b = y + h }
      END { printf "%dx%d+%d+%d", r - l, b - t, l, t }')
  import -window root -crop "$box" +repage -strip "PNG8:$out/$name.png"
  echo "$out/$name.png ($box)"
}

find_window() {
  for _ in $(seq 100); do
    found=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$found" ] && echo "$found" && return
    sleep 0.1
  done
  return 1
}

wine build/kestrafen.exe &
program=$!
window=$(find_window '^打印任务清理工具$')
sleep 1
shot 1-start "$window"

eval "$(xdotool getwindowgeometry --shell "$window")"
# A real click on the clean button: client (200, 140), below the title bar.
xdotool mousemove $((X + WIDTH / 2)) $((Y + 24 + 140)) click 1
sleep 0.8
shot 2-during-run "$window"

box=$(find_window '^成功$|^错误$')
sleep 0.5
shot 3-outcome "$window" "$box"
xdotool key Return
wait $program || true
wineserver -k || true
