#!/usr/bin/env bash
# Runs one fuzz target, starting from its seeds, and prints how many inputs it executed.
# The target works on a copy of the seeds, so the seeds kept with the sources never change:
# a scratch copy, or the directory FUZZ_CORPUS when it is set (a corpus kept between runs).
# Findings are kept beside the target.
# usage: run-fuzzer.sh TARGET SEED_DIR [libFuzzer options...]
set -eu -o pipefail
target=$1 seeds=$2
shift 2
log=$(mktemp)
corpus=${FUZZ_CORPUS:-}
if [ -z "$corpus" ]; then
  corpus=$(mktemp -d)
  trap 'rm -rf "$corpus" "$log"' EXIT
else
  trap 'rm -f "$log"' EXIT
fi
mkdir -p "$corpus"
cp -R "$seeds/." "$corpus/"
findings="$(dirname "$target")/findings"
mkdir -p "$findings"

status=0
"$target" -print_final_stats=1 -artifact_prefix="$findings/$(basename "$target")-" "$@" \
  "$corpus" >"$log" 2>&1 || status=$?
executions=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log")
if [ $status -ne 0 ]; then
  tail -n 60 "$log"
  echo "$(basename "$target"): finding after ${executions:-?} executions (exit $status)"
else
  echo "$(basename "$target"): ${executions:-?} executions, no finding"
fi
exit $status
