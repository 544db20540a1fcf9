#!/usr/bin/env bash
# The README's test command: installs what is missing, builds every target of the native,
# 32-bit and 64-bit builds, and runs every test layer through CTest.
set -eu -o pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/install-deps.sh

# However the run ends (Ctrl-C too), no provider service, WebDAV server, FUSE mount, Xvfb or
# wineserver of the tests stays: what CTest's clean-up fixtures do, once more.
cleanup() {
  local preset
  for preset in i686 x86_64; do
    [ -d "$root/build/$preset" ] || continue
    bash demo/provider-fixture.sh cleanup "$root/build/$preset" >/dev/null 2>&1 || true
    bash demo/wine-fixture.sh cleanup "$root/build/$preset/wineprefix" >/dev/null 2>&1 || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

jobs=$(nproc)
for preset in native i686 x86_64; do
  echo "=== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

status=0
passed=0 failed=0
for preset in native i686 x86_64; do
  echo "=== test $preset"
  summary="build/$preset/ctest-summary.txt"
  (cd "build/$preset" && ctest --output-on-failure -j"$jobs") | tee "$summary" || status=1
  # CTest's own count ("N% tests passed, F tests failed out of T"), whatever decided each test.
  failures=0 total=0
  read -r failures total < <(sed -n 's/.* \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' "$summary") || true
  passed=$((passed + total - failures))
  failed=$((failed + failures))
done
# The closing line for the whole run, after the three CTest summaries.
echo "$passed passed, $failed failed"
exit $status
