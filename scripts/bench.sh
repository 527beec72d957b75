#!/usr/bin/env bash
# Prints the speed and memory figures of the Linux build; it asserts nothing.
#
#   bash scripts/bench.sh [LINES...]      (default: 100000 1000000)
#
# 1. The micro-benchmarks of the NC layer (line reader, interpreter, formatter).
# 2. Whole splits of generated programs of each size: wall time, throughput and peak memory.
#    Peak memory should stay flat as the program grows: no pass holds the program in memory.
# The two one-second waits of every split (before the header and the footer cut) are part of
# the wall time, as they are on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

echo "=== NC layer micro-benchmarks ==="
build/native/bench/nc_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

work=build/bench
mkdir -p "$work"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
echo
echo "=== Whole splits (split distance 5 m, split time 10 min) ==="
printf '%10s %10s %8s %8s %10s %12s\n' lines MB pieces seconds "MB/s" "peak RSS MiB"
for lines in "${sizes[@]}"; do
  dir="$work/$lines"
  rm -rf "$dir" && mkdir -p "$dir"
  python3 bench/generate_program.py "$lines" "$dir/BENCH.NC"
  bytes=$(stat -c %s "$dir/BENCH.NC")
  /usr/bin/time -f '%e %M' -o "$dir/time.txt" \
    build/native/quendrix "$dir/BENCH.NC" 5 10 0 0 100 batch >"$dir/run.log" 2>&1 || true
  read -r seconds kib <"$dir/time.txt"
  pieces=$(find "$dir" -name 'BENCH_*.NC' | wc -l)
  awk -v l="$lines" -v b="$bytes" -v p="$pieces" -v s="$seconds" -v k="$kib" \
    'BEGIN { printf "%10d %10.1f %8d %8.2f %10.1f %12.1f\n", l, b / 1e6, p, s, (s > 0 ? b / 1e6 / s : 0), k / 1024 }'
done
