#!/bin/sh
# Creates a throwaway Wine prefix once (serialised by a lock), with message
# boxes that appear at once under a bare X server and a marker file that
# identifies it as a test prefix.
set -e
prefix=$1
case "$prefix" in
  "$HOME/.wine"|"$HOME/.wine/") echo "refusing to use the user's own prefix" >&2; exit 2 ;;
esac
mkdir -p "$prefix"
marker="$prefix/drive_c/kestrafen-test-prefix"
[ -f "$marker" ] && exit 0
exec 9>"$prefix.lock"
flock 9
[ -f "$marker" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Title-bar buttons are drawn with the Marlett font; Wine draws letters in
# their place unless the prefix has it (Debian's fonts-wine carries it).
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
fi
echo "throwaway test prefix" > "$marker"
