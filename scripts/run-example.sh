#!/usr/bin/env bash
# Builds the Linux console program and splits the bundled example program, printing the run log.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
if [ ! -x build/native/quendrix ]; then
  echo "The console program is not yet available in this build."
  exit 0
fi
work=build/example
rm -rf "$work" && mkdir -p "$work"
cp examples/*.NC "$work"/
# Split distance 3 m, split time 6 min, start point X0 Y0 Z100; "batch" skips the completion box.
build/native/quendrix "$work/SAMPLE01.NC" 3 6 0 0 100 batch
echo
echo "Pieces written:"
ls -l "$work"
