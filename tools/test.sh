#!/usr/bin/env bash
# The README's test command: installs what is missing, builds every target of the native,
# 32-bit and 64-bit builds, and runs every test layer through CTest.
set -eu -o pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/install-deps.sh

jobs=$(nproc)
for preset in native i686 x86_64; do
  echo "=== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

status=0
for preset in native i686 x86_64; do
  echo "=== test $preset"
  (cd "build/$preset" && ctest --output-on-failure -j"$jobs") || status=1
done
# The closing line for the whole run, after the three CTest summaries.
passed=0 failed=0
for preset in native i686 x86_64; do
  log="build/$preset/Testing/Temporary/LastTest.log"
  [ -f "$log" ] || continue
  passed=$((passed + $(grep -c '^Test Passed' "$log" || true)))
  failed=$((failed + $(grep -c '^Test Failed' "$log" || true)))
done
echo "$passed passed, $failed failed"
exit $status
