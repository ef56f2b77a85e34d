#!/bin/bash
# screenshots.sh [OUTPUT_DIR]   (docs/images/ unless given)
# Remakes the user guide's three screenshots: the program at start, during a
# run, and with the outcome box. It runs the built program under Wine on a
# virtual display of its own, in the demo prefix (build/demo-prefix) whose
# spooler is a well-behaved stand-in, presses the clean button with a real
# mouse click, and crops each shot to the program's windows.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
# shellcheck source=wine/platform.sh
. "$root/wine/platform.sh"
out=${1:-"$root/docs/images"}
mkdir -p "$out"
out=$(cd "$out" && pwd)
build_for_tests kestrafen standin_spooler >/dev/null

unset DISPLAY
use_display
prepare_prefix "$root/build/demo-prefix" "$KESTRAFEN_STANDIN_SPOOLER"
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

# find_window XDOTOOL_SEARCH_ARGUMENTS...: the first window that xdotool
# finds so within 10 s, other than $skip if that is set.
find_window() {
  for _ in $(seq 100); do
    found=$(xdotool search "$@" 2>/dev/null | grep -vx "${skip:-}" | head -n 1) && [ -n "$found" ] &&
      echo "$found" && return
    sleep 0.1
  done
  return 1
}

wine "$root/build/kestrafen.exe" &
program=$!
# A failed run leaves no program behind (the Wine server goes at exit too).
on_exit "kill $program 2>/dev/null"
window=$(find_window --name "^$KESTRAFEN_WINDOW_TITLE\$")
sleep 1
shot 1-start "$window"

eval "$(xdotool getwindowgeometry --shell "$window")"
# A real click in the middle of the clean button, below the title bar.
read -r left top width height <<< "$KESTRAFEN_CLEAN_BUTTON"
xdotool mousemove $((X + left + width / 2)) $((Y + 24 + top + height / 2)) click 1
sleep 0.8
shot 2-during-run "$window"

# The outcome box: the other visible window that appears, whatever its caption.
box=$(skip=$window find_window --onlyvisible --name .) || { echo "no outcome box appeared" >&2; exit 1; }
sleep 0.5
shot 3-outcome "$window" "$box"
xdotool key Return
wait "$program" || true
