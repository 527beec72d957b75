#!/usr/bin/env bash
# Builds everything and runs every test suite: the Linux build, the Linux build under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short run of every fuzz target (a crash
# fails the script), and the Windows build under Wine; then packs the release packages and runs
# them from an empty folder.
#
# The product is the 32-bit Windows program (preset win32); it is always built. Wine runs 32-bit
# programs only where the kernel executes 32-bit code; where it does not (some virtual machines
# switch that off), the Windows suites run from the 64-bit build of the same sources (preset
# win64), which computes the same bits: both use SSE2 doubles and the project's own formatter.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

step() { printf '\n=== %s ===\n' "$*"; }

# shellcheck source=scripts/packages.sh
. scripts/packages.sh
need_packages $TEST_PACKAGES

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

# Runs the suites of build folder $1 one by one, each under its own banner: "unit_tests ($2)".
suites() {
  local dir=$1 where=$2 suite
  local names
  names=$(ctest --test-dir "$dir" -N | sed -n 's/^ *Test *#[0-9]*: *//p')
  if [ -z "$names" ]; then
    echo "No test suites in $dir." >&2
    return 1
  fi
  for suite in $names; do
    step "$suite ($where)"
    ctest --test-dir "$dir" --output-on-failure -R "^${suite}\$"
  done
}

step "Every message of the run log has its English line in docs/run-log.md"
bash scripts/check-run-log-doc.sh

step "Linux build"
build native
suites build/native "Linux"

step "Linux build with AddressSanitizer and UndefinedBehaviorSanitizer"
build asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  suites build/asan "Linux, AddressSanitizer and UndefinedBehaviorSanitizer"

step "Fuzz smoke run: every fuzz target for 30 s with seed 1 (scripts/fuzz.sh --smoke)"
bash scripts/fuzz.sh --smoke 30

step "32-bit Windows build (the product)"
build win32

# Wine stores Windows file names in the encoding of the Unix locale; C.UTF-8 exists on every
# Debian machine (a locale that is not installed would leave Japanese file names unwritable).
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# A display for the window tests: the first free one from :91, large enough for the window at
# 144 DPI (a scale of 150 %).
display=91
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"

# One persistent server, and the prefix created or brought up to date with Wine's own services
# started here, with their output discarded: services started by the first test would inherit
# its output pipe and keep CTest waiting for them.
wineserver -p >/dev/null 2>&1 || true
/usr/lib/wine/wine64 wineboot >/dev/null 2>&1 || true
# Windows not managed by a window manager: Xvfb runs none, and Wine would wait two seconds for
# one at every window's destruction.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
# The display at 96 DPI, the window tests' default (a run at another DPI that was cut short may
# have left its value behind; the run at 144 DPI sets it for itself).
/usr/lib/wine/wine64 reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  suites build/win32 "32-bit Windows build under Wine"
else
  step "64-bit Windows build (this kernel does not run 32-bit code, so Wine runs these suites)"
  build win64
  suites build/win64 "64-bit Windows build under Wine"
fi

step "Release packages: packed, unpacked into an empty folder, the example split from there"
bash scripts/package.sh build/package
bash scripts/check-packages.sh build/package

step "All suites passed"
