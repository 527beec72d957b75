#!/usr/bin/env bash
# Builds the Linux console program alone and splits the bundled example program, printing the run
# log and where the pieces are.
#
# The build is preset "console" (build/console): the program only, without the test suites and
# benchmarks, so it needs neither GoogleTest nor Google Benchmark and takes well under a minute on
# two cores. The build prints its own progress. scripts/test.sh builds everything else.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

step() { printf '\n=== %s ===\n' "$*"; }

# shellcheck source=scripts/packages.sh
. scripts/packages.sh
need_packages $CONSOLE_PACKAGES

step "Configuring the console program (preset console, build/console)"
cmake --preset console --log-level=WARNING
step "Building the console program"
cmake --build --preset console -j "$jobs"

work="$root/build/example"
rm -rf "$work" && mkdir -p "$work"
cp examples/*.NC "$work"/
step "Splitting examples/SAMPLE01.NC (a copy in build/example)"
# Split distance 3 m, split time 6 min, start point X0 Y0 Z100; "batch" skips the completion box.
(cd "$work" && "$root/build/console/quendrix" SAMPLE01.NC 3 6 0 0 100 batch)

step "The pieces are in $work"
ls -l "$work"
echo
echo "The run log above is Japanese; docs/run-log.md gives each line's meaning in English."
