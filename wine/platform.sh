# shellcheck shell=bash
# Sourced, after scripts/common.sh and a build's facts (use_build). The Wine
# platform that the tests, the demo, the screenshots and the benchmarks run
# the program on, set up here and nowhere else:
#   wine ARGS...               Wine, started without address-space
#                              randomisation where the system allows it
#                              (wine_command, for exec)
#   use_prefix PREFIX          this shell's Wine: prefix, locale, debug channels
#   show_wine_errors [CHANNELS] the debug channels of test runs: CHANNELS if
#                              given, else only Wine's own error lines (err:)
#   make_prefix                makes the prefix once: fonts, window management,
#                              the throwaway marker
#   prepare_prefix PREFIX STANDIN_EXE [fresh]
#                              the above, with the stand-in spooler installed
#                              and a warm Wine server left running, stopped at
#                              exit
#   make_sample_jobs           a few jobs in the prefix's job directory
#   display_usable             whether DISPLAY names a display that answers
#   use_display                a virtual display unless a usable one is set,
#                              stopped at exit

# Debian's Wine has no preloader to reserve its fixed addresses before Linux
# lays out the process. As a process starts, Wine maps the shared user data
# at 0x7ffe0000; Linux puts the Unix heap of wine64 (loaded at 0x7d000000)
# anywhere in the gigabyte above it, and about one start in 7,700 finds its
# heap there. That process ends before any of its code runs, saying only
# "err:virtual:virtual_alloc_first_teb wine: failed to map the shared user
# data: c0000018". Without randomisation the heap starts right above wine64,
# far below, and the processes Wine starts inherit that. Where the system
# refuses it (the default seccomp profile of a Docker container refuses this
# personality), Wine runs as it is, and test.sh says so.
wine_command=(env wine)
if setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null; then
  wine_command=(setarch "$(uname -m)" --addr-no-randomize wine)
fi
wine() {
  "${wine_command[@]}" "$@"
}

# PREFIX (never the user's own ~/.wine) in the locale of the program's users,
# with Wine's debug output off unless the caller's WINEDEBUG asks for some.
use_prefix() {
  case "$1" in
    "$HOME/.wine"|"$HOME/.wine/") echo "refusing to use the user's own prefix" >&2; exit 2 ;;
  esac
  export WINEPREFIX="$1" LANG=zh_CN.UTF-8 WINEDEBUG="${WINEDEBUG:--all}"
  export LC_ALL="$LANG"
}

# Test runs keep Wine's error lines: a program that fails to start, or a
# window that can't be made, says why there (a missing program, no display,
# no desktop process). Its fixme: and warn: lines, about what Wine leaves
# undone, are many and never the cause. Spelt "-all,err+all", not
# "fixme-all": Debian's wine wrapper adds a note on 32-bit Wine to every run
# unless the setting starts by turning all off.
show_wine_errors() {
  export WINEDEBUG="${1:--all,err+all}"
}

# Creates $WINEPREFIX once (serialised by a lock): windows that appear at once
# under a bare X server, the fonts the title bars need, and the marker file
# that identifies it as a throwaway test prefix.
make_prefix() (
  marker="$WINEPREFIX/drive_c/$KESTRAFEN_PREFIX_MARKER"
  [ -f "$marker" ] && exit 0
  mkdir -p "$WINEPREFIX"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  [ -f "$marker" ] && exit 0
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # Title-bar buttons are drawn with the Marlett font; Wine draws letters in
  # their place unless the prefix has it (Debian's fonts-wine carries it).
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  echo "throwaway test prefix" > "$marker"
)

# Makes PREFIX this shell's Wine prefix (a fresh one if asked), points its
# "Spooler" service at our well-behaved stand-in, and leaves a persistent
# Wine server running, warmed up by one trivial program, so that Wine's
# background processes never hold the caller's output pipes open. The
# server is stopped when the script exits.
prepare_prefix() {
  use_prefix "$1"
  if [ "${3:-}" = fresh ]; then
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  fi
  on_exit "WINEPREFIX='$WINEPREFIX' wineserver -k 2>/dev/null"
  make_prefix
  wineserver -w
  wine "$2" --install
  # The service manager reads the change when the prefix next starts.
  wineserver -k || true
  wineserver -w
  wineserver -p
  wine cmd /c exit 0 >/dev/null 2>&1 || true
}

# The Unix path of a folder in the prefix's system directory, given as
# Windows names it (case-blind, backslashes): each part is taken in the case
# the prefix has it, or as given if it is missing.
system_folder() {
  local path="$WINEPREFIX/drive_c/windows/system32" part found
  local -a parts
  IFS=/ read -r -a parts <<< "${1//\\//}"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    found=$(find "$path" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null || true)
    path=${found:-$path/$part}
  done
  printf '%s\n' "$path"
}

# After prepare_prefix: starts the stand-in spooler and puts a few sample
# jobs into the prefix's job directory (its path in $jobs).
make_sample_jobs() {
  wine net start spooler >/dev/null 2>&1 || true
  jobs=$(system_folder "$KESTRAFEN_JOB_SUBDIRECTORY")
  mkdir -p "$jobs"
  for n in 00017 00018 00019; do
    printf '%%!PS-Adobe-3.0\n%% sample job %s\nshowpage\n' "$n" > "$jobs/$n.SPL"
    printf 'shadow %s\n' "$n" > "$jobs/$n.SHD"
  done
  printf 'stuck job\n' > "$jobs/财务报表 第3季度.SPL"
}

display_usable() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Starts a virtual display on a free number unless one is already usable
# (unset DISPLAY first to have one regardless), and stops it again when the
# script exits. Fails if the server does not answer within 10 s.
use_display() {
  display_usable && return 0
  local number_file number=""
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  on_exit "kill $xvfb_pid 2>/dev/null; rm -f '$number_file'"
  for _ in $(seq 100); do
    number=$(tr -dc 0-9 < "$number_file")
    [ -n "$number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  export DISPLAY=":$number"
  if [ -z "$number" ] || ! display_usable; then
    echo "Xvfb did not start a display that answers" >&2
    return 1
  fi
}
