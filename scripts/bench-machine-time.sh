#!/usr/bin/env bash
# Prints the machine-time figures of the Linux build; it asserts nothing.
#
#   bash scripts/bench-machine-time.sh [LINES...]      (default: 200000 2000000)
#
# 1. For every program of the shared corpus and the generated surfacing programs of
#    bench/generate_program.py (LINES lines each): the programmed time (feed length / F), the
#    estimated machine time with the [MACHINE] defaults, their ratio, and the CPU seconds of the
#    measurement pass and of the estimate (bench/machine_time_bench).
# 2. Whole splits of the generated programs (split distance 5 m, split time 10 min) by the console
#    program with TIMEMODEL=0 and with TIMEMODEL=1: lines per CPU second, CPU seconds, peak memory.
#    Each console program runs from a folder of its own with its own Quendrix.ini, so the settings
#    beside build/native/quendrix are left alone. Each figure is the median of 3 runs (1 run for
#    programs above 2,000,000 lines; QX_BENCH_RUNS=N overrides).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j 2 >/dev/null

work=build/bench
programs=$work/programs
mkdir -p "$programs" "$work/machine_time"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(200000 2000000)
corpus=$(cd .. && pwd)/shared/corpus

program_of() {
  local path="$programs/BENCH_$1.NC"
  if [ ! -f "$path" ] || [ bench/generate_program.py -nt "$path" ]; then
    python3 bench/generate_program.py "$1" "$path.tmp"
    mv "$path.tmp" "$path"
  fi
  echo "$path"
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

generated=()
for lines in "${sizes[@]}"; do generated+=("$(realpath "$(program_of "$lines")")"); done
listed=()
if [ -d "$corpus" ]; then
  while IFS= read -r -d '' file; do listed+=("$file"); done < <(find "$corpus" -maxdepth 1 -type f ! -name '*.md' ! -name '.*' -print0 | sort -z)
fi

echo "=== Programmed and machine time (minutes), [MACHINE] defaults ==="
(cd "$work/machine_time" && "$OLDPWD/build/native/bench/machine_time_bench" "${listed[@]}" "${generated[@]}")
echo

# A copy of the console program in a folder of its own, with TIMEMODEL=$1.
console_with() {
  local dir="$work/timemodel_$1"
  mkdir -p "$dir"
  cp build/native/quendrix "$dir/quendrix"
  printf '[COMMAND]\r\nMODE=1\r\nTIMEMODEL=%s\r\n[PAVLOK]\r\nNCVIEWER=\r\n' "$1" >"$dir/Quendrix.ini"
  echo "$dir/quendrix"
}

echo "=== Whole splits (split distance 5 m, split time 10 min) ==="
printf '%10s %10s %7s %15s %8s %10s\n' lines TIMEMODEL pieces "M lines/s CPU" "CPU s" "peak MiB"
for lines in "${sizes[@]}"; do
  program=$(program_of "$lines")
  runs=${QX_BENCH_RUNS:-$([ "$lines" -le 2000000 ] && echo 3 || echo 1)}
  for model in 0 1; do
    binary=$(console_with "$model")
    cpu=() peak=() pieces=0
    for ((run = 1; run <= runs; run++)); do
      dir="$work/mt_run_$lines"
      rm -rf "$dir" && mkdir -p "$dir"
      ln "$program" "$dir/BENCH.NC" 2>/dev/null || cp "$program" "$dir/BENCH.NC"
      if ! /usr/bin/time -f '%U %S %M' -o "$dir/time.txt" "$binary" "$dir/BENCH.NC" 5 10 0 0 100 batch \
          >"$dir/run.log" 2>&1; then
        echo "the split of $lines lines with TIMEMODEL=$model failed; its log: $dir/run.log" >&2
        exit 1
      fi
      read -r user system kib <"$dir/time.txt"
      cpu+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
      peak+=("$kib")
      pieces=$(find "$dir" -name 'BENCH_[0-9]*.NC' | wc -l)
      rm -rf "$dir"
    done
    awk -v l="$lines" -v m="$model" -v p="$pieces" -v c="$(median "${cpu[@]}")" -v k="$(median "${peak[@]}")" \
      'BEGIN { printf "%10d %10d %7d %15.3f %8.2f %10.1f\n", l, m, p, (c > 0 ? l / c / 1e6 : 0), c, k / 1024 }'
  done
done
