#!/usr/bin/env bash
# The Wine wrapper CTest uses as emulator: runs one Windows program in the test prefix, with a
# display, under a time limit, and leaves no Xvfb of its own behind.
# usage: wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
set -u
source "$(dirname "$0")/../../demo/wine-lib.sh"
prefix="$1"
shift
nimbara_wine_env "$prefix"
# Where the local provider service of this build keeps its script and request log.
export NIMBARA_PROVIDER_STATE="${NIMBARA_PROVIDER_STATE:-$(dirname "$prefix")/provider-state}"
# Screenshots kept as test artefacts, and the folder the demo network provider shows as a drive.
export NIMBARA_SCREENSHOTS="${NIMBARA_SCREENSHOTS:-$(dirname "$prefix")/screenshots}"
export NIMBARA_DEMO_DRIVE="${NIMBARA_DEMO_DRIVE:-$(dirname "$prefix")/demo-drive}"
export NIMBARA_WEBDAV_STATE="${NIMBARA_WEBDAV_STATE:-$(dirname "$prefix")/webdav}"
mkdir -p "$NIMBARA_SCREENSHOTS"
nimbara_wine_init
nimbara_display || exit 1
# The output goes through a file: a Wine process started in the background (a desktop for the
# tray, a service) inherits the output handles, and on CTest's pipe would keep CTest waiting.
out=$(mktemp "$NIMBARA_STATE/run.XXXXXX")
status=0
timeout --kill-after=10 "${NIMBARA_TEST_TIMEOUT:-300}" wine "$@" </dev/null >"$out" 2>&1 || status=$?
cat "$out"
# A test program passes only when GoogleTest says so in its result lines, never on the exit code
# alone: under Wine a program ended by a stack overflow inside a window procedure exits with 0.
case "$1 $*" in
*_tests.exe*--gtest_list_tests*) ;;
*_tests.exe*)
  # Skipped (what this machine lacks), not passed: CTest's SKIP_RETURN_CODE.
  if grep -q '^\[  SKIPPED \] [1-9]' "$out" && ! grep -q '^\[  \(PASSED\|FAILED\)  \] [1-9]' "$out"; then
    echo "wine-run.sh: skipped: $(grep -A1 ': Skipped' "$out" | tail -n 1 | tr -d '\r')" >&2
    status=77
  elif ! grep -q '^\[  PASSED  \] [1-9]' "$out" || grep -q '^\[  FAILED  \]' "$out"; then
    echo "wine-run.sh: no passing verdict from GoogleTest" >&2
    [ $status != 0 ] || status=1
  fi
  ;;
esac
rm -f "$out"
[ -z "$NIMBARA_PRIVATE_XVFB" ] || { kill "$NIMBARA_PRIVATE_XVFB"; wait "$NIMBARA_PRIVATE_XVFB"; } 2>/dev/null
exit $status
