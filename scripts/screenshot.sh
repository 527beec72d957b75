#!/bin/sh
# Screenshots of the Windows program for people to look at: starts quendrix.exe under Wine on a
# private Xvfb display with a split of examples/SAMPLE01.NC, then saves
#   main-window.png   the main window after the split (log pane, fields, status clock)
#   program-info.png  the program-information dialog (menu ヘルプ > プログラム情報)
#
# Usage: scripts/screenshot.sh [build-dir] [output-dir]
#   build-dir   default build/win64 (build/win32 needs a Wine that runs 32-bit programs)
#   output-dir  default <build-dir>/screenshots
# Environment: WINEPREFIX (default <build-dir>/wineprefix), QX_DISPLAY (default :96).
# Needs: wine, Xvfb, ImageMagick's import, the MinGW C compiler of the build (for a small helper
# that opens the dialog, since plain Xvfb has no way to click).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win64}" && pwd)
OUT=${2:-$BUILD/screenshots}
DISPLAY_NAME=${QX_DISPLAY:-:96}
mkdir -p "$OUT"

case "$BUILD" in
  *win32*) WINE=${WINE:-wine}; CC=${CC:-i686-w64-mingw32-gcc} ;;
  *) WINE=${WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}; CC=${CC:-x86_64-w64-mingw32-gcc} ;;
esac
# Wine takes its Windows locale, and with it the fonts of buttons, menus and title, from LANG:
# a Japanese one shows the window as a Japanese Windows does. The locale must exist on this
# machine (else Wine cannot write Japanese file names); without it the log pane still shows
# Japanese, the other texts show boxes.
if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  SHOT_LANG=ja_JP.UTF-8
else
  SHOT_LANG=C.UTF-8
  echo "note: no ja_JP.UTF-8 locale here (as root: enable it in /etc/locale.gen and run locale-gen);" \
       "buttons and menus will show boxes instead of Japanese" >&2
fi
export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}" WINEDEBUG=-all LANG=$SHOT_LANG

WORK=$(mktemp -d)
Xvfb "$DISPLAY_NAME" -screen 0 1024x768x24 >/dev/null 2>&1 &
XVFB_PID=$!
APP_PID=
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM
export DISPLAY="$DISPLAY_NAME"
sleep 1
[ -d "$WINEPREFIX" ] || "$WINE" wineboot -i >/dev/null 2>&1

# A helper that sends the main window a menu command, as a click would.
cat > "$WORK/press.c" <<'CEOF'
#include <windows.h>
int main(int argc, char** argv) {
  HWND main = FindWindowW(L"Quendrix", NULL);
  if (main == NULL) return 1;
  if (argc > 1 && argv[1][0] == 'i') { PostMessageW(main, WM_COMMAND, 40007, 0); return 0; }
  HWND dialog = GetLastActivePopup(main);
  if (dialog != main) SendMessageW(dialog, WM_COMMAND, 1, 0);
  PostMessageW(main, WM_COMMAND, 2, 0);
  return 0;
}
CEOF
"$CC" -O2 -o "$WORK/press.exe" "$WORK/press.c"

# A fresh program folder, so the settings file is the default one.
mkdir -p "$WORK/bin"
cp "$BUILD/quendrix.exe" "$WORK/bin/"
cp "$ROOT/examples/SAMPLE01.NC" "$WORK/"
NC_PATH="Z:$(echo "$WORK/SAMPLE01.NC" | sed 's|/|\\|g')"

# BELTRASOVA=1 runs without the completion box, so the screenshot shows the window itself.
BELTRASOVA=1 "$WINE" "$WORK/bin/quendrix.exe" "$NC_PATH" 5 10 &
APP_PID=$!
i=0
while [ ! -f "$WORK/SAMPLE01_003.NC" ] && [ $i -lt 120 ]; do sleep 1; i=$((i + 1)); done
sleep 4  # the deletion wait of the driver, then a clock tick
import -window root "$OUT/main-window.png"

"$WINE" "$WORK/press.exe" info
sleep 3
import -window root "$OUT/program-info.png"

"$WINE" "$WORK/press.exe" close
i=0
while kill -0 "$APP_PID" 2>/dev/null && [ $i -lt 15 ]; do sleep 1; i=$((i + 1)); done
echo "screenshots in $OUT: main-window.png program-info.png"
