#!/usr/bin/env bash
# Builds the native tree and runs each fuzz target for SECONDS (60 unless given), starting
# from its seeds. The corpus each run grows is kept in the build tree for the next run;
# findings land in build/native/tools/fuzz/findings.
# usage: tools/fuzz.sh [SECONDS]
set -eu -o pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds=${1:-60}

cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target fuzzers

fuzz="build/native/tools/fuzz"
status=0
for target in answer url urlencode; do
  [ -x "$fuzz/${target}_fuzz" ] || { echo "fuzz target $target was not built" >&2; exit 1; }
  FUZZ_CORPUS="$fuzz/corpus/$target" bash tools/fuzz/run-fuzzer.sh "$fuzz/${target}_fuzz" \
    "tools/fuzz/corpus/$target" -max_total_time="$seconds" -max_len=8192 || status=1
done
exit $status
