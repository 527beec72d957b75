#!/bin/sh
# Screenshots of the Windows program for people to look at: starts quendrix.exe under Wine on a
# private Xvfb display with a split of examples/SAMPLE01.NC, once for each display scale, then
# saves, cut to the main window,
#   main-window-<dpi>.png   the main window after the split (log pane, fields, status clock)
#   picture-<dpi>.png       the picture window of that split (menu 補助 > 分割の図を表示)
#   picture-small-<dpi>.png the same window sized down to 640 x 480 (at 96 DPI): drawn to fit
#   program-info-<dpi>.png  the program-information dialog (menu ヘルプ > プログラム情報)
#
# Usage: scripts/screenshot.sh [build-dir] [output-dir]
#   build-dir   default build/win64 (build/win32 needs a Wine that runs 32-bit programs)
#   output-dir  default <build-dir>/screenshots
# Environment: WINEPREFIX (default <build-dir>/wineprefix), QX_DISPLAY (default :96),
# QX_DPIS (default "96 144": 100 % and 150 %; Wine takes the display's DPI from the LogPixels
# value of the prefix, which the script sets for each run and puts back at the end).
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

DPI_KEY='HKCU\Control Panel\Desktop'
WORK=$(mktemp -d)
Xvfb "$DISPLAY_NAME" -screen 0 1600x1200x24 >/dev/null 2>&1 &
XVFB_PID=$!
APP_PID=
SAVED_DPI=
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  if [ -n "$SAVED_DPI" ]; then
    if [ "$SAVED_DPI" = none ]; then
      "$WINE" reg delete "$DPI_KEY" /v LogPixels /f >/dev/null 2>&1 || true
    else
      "$WINE" reg add "$DPI_KEY" /v LogPixels /t REG_DWORD /d "$SAVED_DPI" /f >/dev/null 2>&1 || true
    fi
  fi
  kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM
export DISPLAY="$DISPLAY_NAME"
sleep 1
[ -d "$WINEPREFIX" ] || "$WINE" wineboot -i >/dev/null 2>&1

# A helper that sends the main window a menu command, as a click would, or prints where the window
# is as an ImageMagick geometry.
cat > "$WORK/press.c" <<'CEOF'
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
static void PrintRect(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left < 0 ? 0 : r.left, r.top < 0 ? 0 : r.top);
}
int main(int argc, char** argv) {
  HWND main = FindWindowW(L"Quendrix", NULL);
  HWND picture = FindWindowW(L"QuendrixSplitPicture", NULL);
  if (main == NULL) return 1;
  if (argc > 1 && argv[1][0] == 'i') { PostMessageW(main, WM_COMMAND, 40007, 0); return 0; }
  if (argc > 1 && argv[1][0] == 'p') { PostMessageW(main, WM_COMMAND, 40012, 0); return 0; }
  if (argc > 1 && argv[1][0] == 'r') { PrintRect(main); return 0; }
  if (picture == NULL && argc > 1 && (argv[1][0] == 'q' || argv[1][0] == 'z' || argv[1][0] == 'x')) return 1;
  if (argc > 1 && argv[1][0] == 'q') { PrintRect(picture); return 0; }
  if (argc > 3 && argv[1][0] == 'z') {
    SetWindowPos(picture, NULL, 0, 0, atoi(argv[2]), atoi(argv[3]), SWP_NOMOVE | SWP_NOZORDER);
    return 0;
  }
  if (argc > 1 && argv[1][0] == 'x') { PostMessageW(picture, WM_CLOSE, 0, 0); return 0; }
  HWND dialog = GetLastActivePopup(main);
  if (dialog != main) SendMessageW(dialog, WM_COMMAND, 1, 0);
  PostMessageW(main, WM_COMMAND, 2, 0);
  return 0;
}
CEOF
"$CC" -O2 -o "$WORK/press.exe" "$WORK/press.c"

SAVED_DPI=$("$WINE" reg query "$DPI_KEY" /v LogPixels 2>/dev/null |
            sed -n 's/.*LogPixels[[:space:]]*REG_DWORD[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p')
SAVED_DPI=${SAVED_DPI:+$((0x$SAVED_DPI))}
SAVED_DPI=${SAVED_DPI:-none}
SHOTS=
for DPI in ${QX_DPIS:-96 144}; do
  "$WINE" reg add "$DPI_KEY" /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1

  # A fresh program folder, so the settings file is the default one.
  RUN="$WORK/run-$DPI"
  mkdir -p "$RUN/bin"
  cp "$BUILD/quendrix.exe" "$RUN/bin/"
  cp "$ROOT/examples/SAMPLE01.NC" "$RUN/"
  NC_PATH="Z:$(echo "$RUN/SAMPLE01.NC" | sed 's|/|\\|g')"

  # BELTRASOVA=1 runs without the completion box, so the screenshot shows the window itself.
  BELTRASOVA=1 "$WINE" "$RUN/bin/quendrix.exe" "$NC_PATH" 5 10 &
  APP_PID=$!
  i=0
  while [ ! -f "$RUN/SAMPLE01_003.NC" ] && [ $i -lt 120 ]; do sleep 1; i=$((i + 1)); done
  sleep 4  # the deletion wait of the driver, then a clock tick
  GEOMETRY=$("$WINE" "$WORK/press.exe" rect | tr -d '\r')
  import -window root -crop "$GEOMETRY" +repage "$OUT/main-window-$DPI.png"

  # The picture of the split, at its size of creation and sized down (drawn again to fit).
  "$WINE" "$WORK/press.exe" picture
  sleep 3
  PICTURE=$("$WINE" "$WORK/press.exe" query | tr -d '\r')
  import -window root -crop "$PICTURE" +repage "$OUT/picture-$DPI.png"
  "$WINE" "$WORK/press.exe" z $((640 * DPI / 96)) $((480 * DPI / 96))
  sleep 2
  PICTURE=$("$WINE" "$WORK/press.exe" query | tr -d '\r')
  import -window root -crop "$PICTURE" +repage "$OUT/picture-small-$DPI.png"
  "$WINE" "$WORK/press.exe" x
  sleep 1

  "$WINE" "$WORK/press.exe" info
  sleep 3
  import -window root -crop "$GEOMETRY" +repage "$OUT/program-info-$DPI.png"

  "$WINE" "$WORK/press.exe" close
  i=0
  while kill -0 "$APP_PID" 2>/dev/null && [ $i -lt 15 ]; do sleep 1; i=$((i + 1)); done
  APP_PID=
  SHOTS="$SHOTS main-window-$DPI.png picture-$DPI.png picture-small-$DPI.png program-info-$DPI.png"
done
echo "screenshots in $OUT:$SHOTS"
