# shellcheck shell=sh
# Sourced. prepare_prefix PREFIX STANDIN_EXE [fresh]
# Makes PREFIX the Wine prefix of this shell (a fresh one if asked), points
# its "Spooler" service at our well-behaved stand-in, and leaves a persistent
# Wine server running, warmed up by one trivial program, so that Wine's
# background processes never hold the caller's output pipes open. Stop it
# with `wineserver -k`.
prepare_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all LANG=zh_CN.UTF-8
  if [ "${3:-}" = fresh ]; then
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  fi
  # shellcheck disable=SC2154 # root: the project folder, set by the sourcing script
  "$root/cmake/make-prefix.sh" "$WINEPREFIX"
  wineserver -w
  wine "$2" --install
  # The service manager reads the change when the prefix next starts.
  wineserver -k || true
  wineserver -w
  wineserver -p
  wine cmd /c exit 0 >/dev/null 2>&1 || true
}

# Sourced with prepare_prefix: starts the stand-in spooler and puts a few
# sample jobs into the prefix's job directory (its path in $jobs).
make_sample_jobs() {
  wine net start spooler >/dev/null 2>&1 || true
  jobs="$WINEPREFIX/drive_c/windows/system32/spool/printers"
  mkdir -p "$jobs"
  for n in 00017 00018 00019; do
    printf '%%!PS-Adobe-3.0\n%% sample job %s\nshowpage\n' "$n" > "$jobs/$n.SPL"
    printf 'shadow %s\n' "$n" > "$jobs/$n.SHD"
  done
  printf 'stuck job\n' > "$jobs/财务报表 第3季度.SPL"
}
