#!/usr/bin/env bash
# Prints the speed and memory figures of the Linux build; it asserts nothing.
#
#   bash scripts/bench.sh [LINES...]      (default: 200000 2000000 10000000)
#
# 1. The micro-benchmarks of the NC layer (line reader, text writer, interpreter, formatter),
#    run on the smallest generated program unless QX_BENCH_PROGRAM names another.
# 2. Whole splits of the generated surfacing programs of bench/generate_program.py, split by
#    5 m of cutting distance and 10 min of cutting time:
#      M lines/s CPU   lines per second of the process's CPU time (user + system)
#      CPU s, wall s   the process's CPU and wall time
#      peak MiB        peak resident memory; it should stay flat as the program grows, since no
#                      pass holds the program in memory
#      check %         the split check's share of the CPU time: the same check run again on the
#                      pieces by bench/check_split, against the whole split's CPU time
#    Each figure is the median of 3 runs (1 run for programs above 2,000,000 lines).
#
# Environment:
#   QX_BENCH_RUNS=N       runs per size (overrides the 3/1 above)
#   QX_BENCH_BINARY=PATH  the console program to time (default build/native/quendrix), e.g. an
#                         older build for a before/after comparison
#   QX_BENCH_MICRO=0      leave out the micro-benchmarks
#
# The programs are generated once into build/bench/programs and reused while the generator is
# unchanged (10,000,000 lines take about 150 MB; a split of it writes as much again in pieces and
# about 700 MB of intermediate file while it runs). `rm -rf build/bench` frees the space.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j 2 >/dev/null

binary=${QX_BENCH_BINARY:-build/native/quendrix}
work=build/bench
programs=$work/programs
mkdir -p "$programs"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(200000 2000000 10000000)

# Generates (or reuses) the program of $1 lines and prints its path.
program_of() {
  local path="$programs/BENCH_$1.NC"
  if [ ! -f "$path" ] || [ bench/generate_program.py -nt "$path" ]; then
    python3 bench/generate_program.py "$1" "$path.tmp"
    mv "$path.tmp" "$path"
  fi
  echo "$path"
}

# Median of the numbers given as arguments.
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

if [ "${QX_BENCH_MICRO:-1}" != 0 ]; then
  echo "=== NC layer micro-benchmarks ==="
  smallest=$(printf '%s\n' "${sizes[@]}" | sort -n | head -1)
  QX_BENCH_PROGRAM=${QX_BENCH_PROGRAM:-$(program_of "$smallest")} \
    build/native/bench/nc_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
  echo
fi

echo "=== Whole splits (split distance 5 m, split time 10 min) with $binary ==="
printf '%10s %8s %7s %15s %8s %8s %10s %8s\n' lines MB pieces "M lines/s CPU" "CPU s" "wall s" "peak MiB" "check %"
for lines in "${sizes[@]}"; do
  program=$(program_of "$lines")
  bytes=$(stat -c %s "$program")
  runs=${QX_BENCH_RUNS:-$([ "$lines" -le 2000000 ] && echo 3 || echo 1)}
  cpu=() wall=() peak=() share=() pieces=0 failed=0
  for ((run = 1; run <= runs; run++)); do
    dir="$work/run_$lines"
    rm -rf "$dir" && mkdir -p "$dir"
    ln "$program" "$dir/BENCH.NC" 2>/dev/null || cp "$program" "$dir/BENCH.NC"
    if ! /usr/bin/time -f '%e %U %S %M' -o "$dir/time.txt" \
        "$binary" "$dir/BENCH.NC" 5 10 0 0 100 batch >"$dir/run.log" 2>&1; then
      failed=1
    fi
    read -r seconds user system kib <"$dir/time.txt"
    cpu+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
    wall+=("$seconds")
    peak+=("$kib")
    pieces=$(find "$dir" -name 'BENCH_[0-9]*.NC' | wc -l)
    if [ "$failed" = 1 ]; then
      echo "the split of $lines lines failed; its log: $dir/run.log" >&2
      break
    fi
    # The check's share: the same check as after the split, run again on the pieces on its own.
    /usr/bin/time -f '%U %S' -o "$dir/check.txt" build/native/bench/check_split "$dir/BENCH.NC" "$pieces" 0 0 100 10 \
      >/dev/null 2>&1 || true
    read -r checkUser checkSystem <"$dir/check.txt"
    share+=("$(awk -v u="$checkUser" -v s="$checkSystem" -v c="${cpu[-1]}" 'BEGIN { print (c > 0 ? 100 * (u + s) / c : 0) }')")
    rm -rf "$dir"
  done
  [ "$failed" = 0 ] || continue
  awk -v l="$lines" -v b="$bytes" -v p="$pieces" -v c="$(median "${cpu[@]}")" -v w="$(median "${wall[@]}")" \
    -v k="$(median "${peak[@]}")" -v s="$(median "${share[@]}")" \
    'BEGIN { printf "%10d %8.1f %7d %15.3f %8.2f %8.2f %10.1f %8.0f\n", l, b / 1e6, p, (c > 0 ? l / c / 1e6 : 0), c, w, k / 1024, s }'
done
