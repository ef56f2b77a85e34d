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
  "$root/cmake/make-prefix.sh" "$WINEPREFIX"
  wineserver -w
  wine "$2" --install
  # The service manager reads the change when the prefix next starts.
  wineserver -k || true
  wineserver -w
  wineserver -p
  wine cmd /c exit 0 >/dev/null 2>&1 || true
}
