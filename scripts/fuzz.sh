#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz) and runs each of them for a while, one after the other.
#
#   bash scripts/fuzz.sh [SECONDS]          every target for SECONDS (default 600); the corpus
#                                           grows in build/fuzz/corpus/<target> from run to run
#   bash scripts/fuzz.sh --smoke [SECONDS]  the CI run: every target for SECONDS (default 30)
#                                           with the fixed seed 1, from the seeds alone
#   FUZZ_TARGETS="nc_lines profile" ...     only these targets
#
# Seeds are made afresh at every run from the test data (golden cases, programs, settings) and
# from the shared corpus of real programs when there is one (QX_SHARED_CORPUS, else ../shared/corpus
# next to the checkout or /work/shared/corpus); nothing of them is kept in the repository.
# Prints per target the executions, the coverage (cov: edges, ft: features) and the findings;
# an input that crashes or breaks a check is kept in build/fuzz/findings/<target>/ and makes the
# script fail. Reproduce one with: build/fuzz/tests/fuzz/fuzz_<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

smoke=0
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  shift
fi
seconds=${1:-$([ "$smoke" = 1 ] && echo 30 || echo 600)}
targets=${FUZZ_TARGETS:-"nc_lines intermediate_records profile batch_parameters whole_split"}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

work="$root/build/fuzz"
seeds="$work/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"

shared=""
for candidate in "${QX_SHARED_CORPUS:-}" "$root/../shared/corpus" /work/shared/corpus; do
  if [ -n "$candidate" ] && [ -d "$candidate" ]; then
    shared=$candidate
    break
  fi
done

# Copies the first 4 KiB of each file given into seed folder $1 under numbered names (names may
# repeat across cases). Short seeds keep the runs fast; the fuzzer lengthens inputs itself.
add_seeds() {
  local folder="$seeds/$1"
  shift
  mkdir -p "$folder"
  local file n
  n=$(find "$folder" -type f | wc -l)
  for file in "$@"; do
    [ -f "$file" ] || continue
    n=$((n + 1))
    head -c 4096 "$file" >"$folder/seed$n"
  done
}

# NC programs: the test programs, every piece, header and footer the golden cases expect, the
# refused programs and the real programs of the shared corpus; and the reader's edges: a "\r\n"
# split by the end of its 16 KiB chunk, and a line of the longest length read.
shopt -s nullglob nocaseglob
add_seeds nc_lines tests/data/programs/*.nc tests/data/nc/* tests/data/refused/*.nc \
  tests/data/golden/*/expected/* examples/*.nc
if [ -n "$shared" ]; then
  add_seeds nc_lines "$shared"/*.nc "$shared"/*.ngc "$shared"/*.gcode "$shared"/*.ncd
fi
# Whole splits: the programs of the tests (those that split, the real ones, the fixed faults and
# the refused ones) and the shared corpus; short seeds make quick splits.
add_seeds whole_split tests/data/programs/*.nc tests/data/real/*.nc tests/data/fixes/*.nc \
  tests/data/refused/*.nc examples/*.nc tests/data/fuzz_findings/*.nc
if [ -n "$shared" ]; then
  add_seeds whole_split "$shared"/*.nc "$shared"/*.ngc "$shared"/*.gcode "$shared"/*.ncd
fi
shopt -u nocaseglob
{
  printf 'G90 G00 X0 Y0 Z50.\r\n'                          # 20 bytes
  for _ in $(seq 163); do printf '(%96s)\r\n' ''; done     # 16300 bytes
  printf '(%61s)\r\nG01 X1. F100\r\nM30\r\n' ''            # its "\r" is byte 16384
} >"$seeds/nc_lines/chunk-edge"
printf 'G00 X0\n(%4093s)\nG01 X1.\n' '' >"$seeds/nc_lines/longest-line"

# Settings and parameter files: the default settings text, the golden cases' settings, and
# parameter files of the three kinds the front end reads (numbered keys, named keys, UTF-8).
add_seeds profile tests/data/config/* tests/data/golden/*/Quendrix.ini
mkdir -p "$seeds/batch_parameters"
printf '[Quendrix]\r\nPARAMETER1=C:\\NC\\PART.NC\r\nPARAMETER2=30\r\nPARAMETER3=0.1\r\nPARAMETER4=0\r\nPARAMETER5=0\r\nPARAMETER6=100\r\nPARAMETER7=BATCH\r\n' \
  >"$seeds/batch_parameters/numbered"
printf '[quendrix]\nNCFILE1 = "PART2.NC"\nTIME=15.5\nDIST=2\nSTARTX=-30\nSTARTY=-20\nSTARTZ=80.\n;BATCH=no\n' \
  >"$seeds/batch_parameters/named"
printf '\xef\xbb\xbf[Quendrix]\r\nPARAMETER1=\xe5\x8a\xa0\xe5\xb7\xa5.NC\r\nTIME=1\r\nDIST=1\r\nSTARTX=0\r\nSTARTY=0\r\nSTARTZ=50\r\n' \
  >"$seeds/batch_parameters/utf8"
add_seeds batch_parameters "$seeds"/profile/*
add_seeds profile "$seeds"/batch_parameters/*

# Intermediate files: records as the measurement pass writes them, a start record alone, and
# one cut off in the middle of a record.
mkdir -p "$seeds/intermediate_records"
printf 'U 21\r\nM 0 17 0 -30000 -20000 80000 0 0\r\nM 0 17 0 10000 10000 5000 0 7\r\nM 1 17 0 10000 10000 -1000 300000 8\r\nM 2 17 0 20000 10000 -1000 5000 0 0 0 300000 9 S2000M08\r\nM 3 17 2 10000 10000 -1000 -5000 0 0 5000 600000 10\r\nB 11 90 T2 M06 (DRILL)\r\nM 1 17 1 10000 10000 -1000 600000 12\r\n' \
  >"$seeds/intermediate_records/program"
printf 'U 20\r\nM 0 17 0 0 0 1000000 0 0\r\n' >"$seeds/intermediate_records/start"
printf 'U 21\r\nM 0 17 0 0 0 100000 0 0\r\nM 1 17 0 1000' >"$seeds/intermediate_records/cut"
# The inputs found before (tests/data/fuzz_findings): every run, the smoke run too, starts from them.
add_seeds intermediate_records tests/data/fuzz_findings/records_*
shopt -u nullglob

declare -A dictionary=(
  [nc_lines]=tests/fuzz/gcode.dict
  [intermediate_records]=tests/fuzz/records.dict
  [profile]=tests/fuzz/profile.dict
  [batch_parameters]=tests/fuzz/profile.dict
  [whole_split]=tests/fuzz/gcode.dict
)
# Longest input: the NC target crosses the reader's 16 KiB chunk and its 4095-byte line limit; a
# whole split takes programs up to 8 KiB (it ignores longer ones).
declare -A max_len=([nc_lines]=20000 [intermediate_records]=8192 [profile]=8192 [batch_parameters]=8192
                    [whole_split]=8192)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
  export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
fi

failed=0
printf '\n%-18s %12s %8s %8s %10s %9s\n' target executions cov ft exec/s findings
for target in $targets; do
  binary="$work/tests/fuzz/fuzz_$target"
  findings="$work/findings/$target"
  log="$work/logs/$target.txt"
  mkdir -p "$findings" "$(dirname "$log")"
  if [ "$smoke" = 1 ]; then
    corpus=$(mktemp -d "$work/smoke-corpus.XXXXXX")
    options=(-seed=1)
  else
    corpus="$work/corpus/$target"
    mkdir -p "$corpus"
    options=()
  fi
  before=$(find "$findings" -type f | wc -l)
  status=0
  "$binary" "${options[@]}" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=25 \
    -dict="${dictionary[$target]}" -artifact_prefix="$findings/" -print_final_stats=1 \
    "$corpus" "$seeds/$target" >"$log" 2>&1 || status=$?
  if [ "$smoke" = 1 ]; then rm -rf "$corpus"; fi
  after=$(find "$findings" -type f | wc -l)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E ' cov: ' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  new=$((after - before))
  printf '%-18s %12s %8s %8s %10s %9s\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "${speed:-?}" "$new"
  if [ "$status" -ne 0 ] || [ "$new" -gt 0 ]; then
    failed=1
    echo "  finding (exit $status); log: $log"
    grep -E 'ERROR|fuzz check failed|runtime error|SUMMARY|Test unit written' "$log" | head -8 | sed 's/^/  /' || true
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "Fuzzing found inputs that break the program: see build/fuzz/findings/." >&2
  exit 1
fi
