#!/usr/bin/env bash
# Checks the release packages that scripts/package.sh wrote, as a user gets them: the checksums
# match, each package unpacks into an empty folder with exactly its files, the Windows README.txt
# is CP932 with CRLF line ends, and the example program splits from the unpacked folders: the
# Linux program natively, the Windows program under Wine (when Wine runs 32-bit programs here),
# the two writing the same pieces byte for byte.
#
# Usage: scripts/check-packages.sh [package-dir]    (default build/package)
# Environment: WINEPREFIX (default build/wineprefix); DISPLAY (without one the script starts
# Xvfb on a free display).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
packages=$(cd "${1:-build/package}" && pwd)

fail() { echo "check-packages: $*" >&2; exit 1; }

one() {  # the one file in the package folder that matches a pattern
  local matches=("$packages"/$1)
  [ ${#matches[@]} -eq 1 ] && [ -f "${matches[0]}" ] || fail "expected one $1 in $packages"
  echo "${matches[0]}"
}
windows_zip=$(one 'quendrix-*-win32.zip')
linux_tar=$(one 'quendrix-*-linux-x86_64.tar.gz')
(cd "$packages" && sha256sum --quiet -c "$(basename "$windows_zip").sha256" "$(basename "$linux_tar").sha256") ||
  fail "checksums do not match"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
(cd "$work" && cmake -E tar xf "$windows_zip" && cmake -E tar xf "$linux_tar")
windows=$work/$(basename "$windows_zip" .zip)
linux=$work/$(basename "$linux_tar" .tar.gz)

listing() { (cd "$1" && LC_ALL=C ls -A | tr '\n' ' '); }
[ "$(listing "$windows")" = "Quendrix_readme.txt README.txt SAMPLE01.NC quendrix.exe " ] ||
  fail "the Windows package holds: $(listing "$windows")"
[ "$(listing "$linux")" = "Quendrix_readme.txt SAMPLE01.NC quendrix " ] ||
  fail "the Linux package holds: $(listing "$linux")"
iconv -f CP932 -t UTF-8 "$windows/README.txt" >/dev/null || fail "README.txt is not CP932"
if LC_ALL=C grep -q $'[^\r]$\|^$' "$windows/README.txt"; then fail "README.txt has a line without CRLF"; fi

# The Linux program from its folder: the pieces appear next to the example.
(cd "$linux" && ./quendrix SAMPLE01.NC 3 6 0 0 100 batch >/dev/null) || fail "the Linux program failed"
pieces=$(cd "$linux" && LC_ALL=C ls SAMPLE01_*.NC 2>/dev/null | tr '\n' ' ')
[ -n "$pieces" ] || fail "the Linux program wrote no pieces"
[ -f "$linux/Quendrix.ini" ] || fail "the Linux program wrote no settings file beside itself"
echo "Linux package: split the example into $pieces"

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "Windows package: not run (Wine cannot run 32-bit programs on this machine)"
  exit 0
fi
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  display=81
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  sleep 1
fi

# The Windows program keeps its window open after a run: once the last piece is there, it is asked
# to close as the task list does, until it has ended. (A close request that comes while the run is
# still going waits in the queue: the run happens inside the window's creation and BATCH shows no
# box. The first request may also reach another window of the process, hence the repeats.)
(cd "$windows" && exec /usr/lib/wine/wine quendrix.exe SAMPLE01.NC 3 6 0 0 100 batch) &
app_pid=$!
last=${pieces% }
last=${last##* }
for _ in $(seq 120); do
  [ -f "$windows/$last" ] || ! kill -0 "$app_pid" 2>/dev/null && break
  sleep 0.5
done
for _ in $(seq 60); do
  kill -0 "$app_pid" 2>/dev/null || break
  /usr/lib/wine/wine taskkill /im quendrix.exe >/dev/null 2>&1 || true
  sleep 1
done
kill -0 "$app_pid" 2>/dev/null && fail "the Windows program did not end"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the Windows program ended with $status"
[ -f "$windows/Quendrix.ini" ] || fail "the Windows program wrote no settings file beside itself"
for piece in $pieces; do
  cmp -s "$linux/$piece" "$windows/$piece" || fail "$piece differs between the Linux and the Windows program"
done
[ "$(cd "$windows" && LC_ALL=C ls SAMPLE01_*.NC | tr '\n' ' ')" = "$pieces" ] ||
  fail "the Windows program wrote other pieces than the Linux program"
echo "Windows package: split the example into the same pieces, byte for byte"
