#!/usr/bin/env bash
# Runs a fuzz target on a copy of its seeds (in FUZZ_CORPUS, when set, a corpus kept between runs)
# and prints how many inputs it ran. Findings are kept beside the target.
# usage: run-fuzzer.sh TARGET SEED_DIR [libFuzzer options...]
set -eu -o pipefail
target=$1 seeds=$2 findings="$(dirname "$1")/findings" log=$(mktemp) corpus=${FUZZ_CORPUS:-$(mktemp -d)}
shift 2
trap 'rm -f "$log"; [ -n "${FUZZ_CORPUS:-}" ] || rm -rf "$corpus"' EXIT
mkdir -p "$corpus" "$findings" && cp -R "$seeds/." "$corpus/"
status=0
"$target" -print_final_stats=1 -artifact_prefix="$findings/$(basename "$target")-" "$@" "$corpus" >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log")
[ $status -eq 0 ] && result="no finding" || { tail -n 60 "$log"; result="finding (exit $status)"; }
echo "$(basename "$target"): ${runs:-?} executions, $result"
exit $status
