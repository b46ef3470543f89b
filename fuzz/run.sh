#!/usr/bin/env bash
# Runs every fuzz harness of a fuzz build: seeds from its data/, then each harness in turn
# for a time or a number of inputs, printing the executions of each.
#
# usage: fuzz/run.sh BUILD_DIR --seconds N | --runs N
# A crash, a sanitizer report, a leak or a timeout stops the script with the harness's
# log and the input saved as BUILD_DIR/fuzz/crash-<harness>-*.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz/run.sh BUILD_DIR --seconds N | --runs N}
case "${2:-}" in
  --seconds) limit="-max_total_time=${3:?}" ;;
  --runs) limit="-runs=${3:?}" ;;
  *) echo "usage: fuzz/run.sh BUILD_DIR --seconds N | --runs N" >&2; exit 2 ;;
esac

seeds=$build/fuzz/seeds
rm -rf "$seeds"
python3 fuzz/make_seeds.py "$build/data" "$seeds" "$build/tools/xm_testmodule"

for harness in bmp ini lwo module; do
  corpus=$build/fuzz/corpus/$harness
  mkdir -p "$corpus"
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           "-artifact_prefix=$build/fuzz/crash-$harness-")
  [ -f "fuzz/$harness.dict" ] && options+=("-dict=fuzz/$harness.dict")
  # libopenmpt is not instrumented, so its inputs add no coverage: keep the seeds anyway.
  [ "$harness" = module ] && options+=(-keep_seed=1)
  log=$build/fuzz/$harness.log
  start=$(date +%s.%N)
  if ! "$build/fuzz/fuzz_$harness" "$limit" "${options[@]}" "$corpus" "$seeds/$harness" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz_$harness: FAILED (log: $log)" >&2
    exit 1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  seconds=$(awk -v start="$start" -v end="$(date +%s.%N)" 'BEGIN { printf "%.1f", end - start }')
  echo "fuzz_$harness: ${executions:-?} inputs in ${seconds} s, no fault"
done
