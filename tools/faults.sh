#!/usr/bin/env bash
# Runs the fault list (tools/faults.txt) against the test suite: each fault in turn is applied
# to a scratch copy of the tree, the native and the 64-bit builds are rebuilt, and the suite
# runs until a test program fails (the fault is caught) or all have passed (missed). The
# 32-bit build is left out: it runs the same tests, only slower under emulation.
# usage: bash tools/faults.sh [--all] [--rev REV] [FAULT-ID...]
#   --all      run every test program for each fault instead of stopping at the first catch
#   --rev REV  the sources of that commit instead of the working tree (the fault list itself
#              always comes from the working tree)
# Results go to build/faults/results.txt as well as to the terminal. Two runs can go side by side
# with their own scratch folders and ports: NIMBARA_FAULTS_DIR and NIMBARA_FAULTS_PORT_BASE
# (58000 by default; the provider service listens on it plus 80, 443 and 444).
set -u -o pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
scratch="${NIMBARA_FAULTS_DIR:-$root/build/faults}"
ports="${NIMBARA_FAULTS_PORT_BASE:-58000}"
tree="$scratch/tree"
all=0 rev=""
while [ $# -gt 0 ]; do
  case "$1" in
  --all) all=1 ;;
  --rev) rev="$2"; shift ;;
  *) break ;;
  esac
  shift
done
faults() { python3 "$scratch/faults.py" "$@"; }

# The scratch tree: the sources to test, its build folders kept between runs; a pristine copy
# beside it to undo each fault.
mkdir -p "$tree" "$scratch/pristine"
find "$scratch/pristine" -mindepth 1 -maxdepth 1 -exec rm -rf {} +
if [ -n "$rev" ]; then
  git -C "$root" archive "$rev" | tar -C "$scratch/pristine" -xf -
else
  tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$scratch/pristine" -xf -
fi
cp "$root/tools/faults.py" "$root/tools/faults.txt" "$scratch/"
# Only what differs from the last run is copied, with a fresh time stamp, so the build
# recompiles that and no more; what is gone from the sources goes from the tree.
python3 - "$scratch/pristine" "$tree" <<'EOF2'
import filecmp, os, shutil, sys
source, tree = sys.argv[1:]
for folder, dirs, files in os.walk(tree):
    if folder == tree:
        dirs.remove("build") if "build" in dirs else None
    for name in files:
        path = os.path.join(folder, name)
        if not os.path.exists(os.path.join(source, os.path.relpath(path, tree))):
            os.remove(path)
for folder, dirs, files in os.walk(source):
    os.makedirs(os.path.join(tree, os.path.relpath(folder, source)), exist_ok=True)
    for name in files:
        path = os.path.join(folder, name)
        target = os.path.join(tree, os.path.relpath(path, source))
        if not os.path.exists(target) or not filecmp.cmp(path, target, shallow=False):
            shutil.copy(path, target)
EOF2
ids=("$@")
[ ${#ids[@]} -gt 0 ] || mapfile -t ids < <(faults list | cut -f1)

native="$tree/build/native"
win="$tree/build/x86_64"
prefix="$win/wineprefix"
logs="$scratch/logs"
mkdir -p "$logs"
results="$scratch/results.txt"
: >"$results"
: >"$logs/times.log" # how long each program ran, for finding what makes a run slow

# What the suite runs: the test programs and what they start; the benchmark is not rebuilt.
programs="win_tests win_tray_tests win_service_tests win_dialog_tests win_drive_tests e2e_tests"
configure() {
  (cd "$tree" && cmake --preset native >/dev/null &&
    cmake --preset x86_64 -DNIMBARA_PROVIDER_PORT_BASE="$ports" \
      -DCMAKE_EXE_LINKER_FLAGS=-Wl,--no-insert-timestamp >/dev/null) >"$logs/build.log" 2>&1
}
build() {
  (cd "$tree" && cmake --build --preset native -j"$(nproc)" --target native_tests &&
    cmake --build --preset x86_64 -j"$(nproc)" --target $programs Nimbara Nimbara_next \
      netprovider nimctl certinstall) >"$logs/build.log" 2>&1
}

# Whether a program differs from the one built from the unchanged tree (linked without a time
# stamp, the same sources make the same bytes). A test program the fault left unchanged, with
# everything it starts unchanged, cannot catch it, so it is not run.
binaries() {
  md5sum "$native/tests/native/native_tests" "$win"/bin/{win_tests,win_tray_tests,win_service_tests}.exe \
    "$win"/bin/{win_drive_tests,win_dialog_tests,e2e_tests,Nimbara,Nimbara_next}.exe \
    "$win/bin/netprovider.dll"
}
differs() { ! grep -qxF "$(md5sum "$1")" "$scratch/pristine.md5"; }
changed() {
  case "$1" in
  native_tests) differs "$native/tests/native/native_tests" ;;
  e2e_tests) differs "$win/bin/e2e_tests.exe" || differs "$win/bin/Nimbara.exe" ||
    differs "$win/bin/Nimbara_next.exe" || differs "$win/bin/netprovider.dll" ;;
  win_drive_tests) differs "$win/bin/win_drive_tests.exe" || differs "$win/bin/netprovider.dll" ;;
  *) differs "$win/bin/$1.exe" ;;
  esac
}

# One Windows test program, from the build tree as CTest runs them (some tests leave files in
# their working folder); extra arguments go to GoogleTest. Prints its failed tests on failure.
run_program() {
  local program="$1" out="$logs/$1.log" from=$SECONDS status
  shift
  (cd "$win" && NIMBARA_BIN="$win/bin" NIMBARA_EXE="$win/bin/Nimbara.exe" \
    NIMBARA_PROVIDER_STATE="$win/provider-state" NIMBARA_TEST_TIMEOUT=90 \
    bash "$tree/tests/support/wine-run.sh" "$prefix" "$win/bin/$program.exe" "$@" >"$out" 2>&1 </dev/null)
  status=$?
  echo "$program $* $((SECONDS - from)) s" >>"$logs/times.log"
  [ $status = 0 ] && return 0
  local failed
  failed=$(grep -o '^\[  FAILED  \] [A-Za-z0-9_./]*' "$out" | sort -u | cut -c14- | tr '\n' ' ' | sed 's/ $//')
  echo "${failed:-ended early}"
  return 1
}

# Tests that wait out a time-out run after the rest of their program, and only when the rest
# caught nothing.
slow="Service.NotReachedUntrustedOrSilent"

# Each test program once; prints the programs that failed, with their failed tests. With an
# argument, every program runs, changed or not.
run_suite() {
  local caught="" out every="${1:-}"
  out="$logs/native.log"
  # from its build folder, as CTest runs it: a test writes a file into its working folder
  if { [ -n "$every" ] || changed native_tests; } &&
    ! (cd "$native/tests/native" && ./native_tests) >"$out" 2>&1; then
    caught+="native_tests($(grep -o '^\[  FAILED  \] [A-Za-z0-9_.]*' "$out" | sort -u | cut -c14- | tr '\n' ' '| sed 's/ $//')) "
    [ $all = 1 ] || { echo "$caught"; return; }
  fi
  local program failed
  for program in win_tests win_tray_tests win_service_tests win_drive_tests win_dialog_tests e2e_tests; do
    [ -n "$every" ] || changed $program || continue
    if ! failed=$(run_program $program --gtest_filter="-$slow") ||
      { [ $program = win_service_tests ] && ! failed=$(run_program $program --gtest_filter="$slow"); }; then
      caught+="$program($failed) "
      [ $all = 1 ] || break
    fi
  done
  echo "$caught"
}

echo "building the scratch tree in $tree"
configure && build && binaries >"$scratch/pristine.md5" ||
  { echo "the unchanged tree does not build; see $logs/build.log" >&2; exit 1; }
bash "$tree/demo/wine-fixture.sh" setup "$prefix" "$win/bin/netprovider.dll" \
  >"$logs/fixtures.log" 2>&1
# The provider service and the WebDAV server, started again for a fault in their scripts.
provider_fixture() {
  bash "$tree/demo/provider-fixture.sh" setup "$win" "$prefix" $((ports + 80)) $((ports + 443)) \
    $((ports + 444)) >>"$logs/fixtures.log" 2>&1
}
provider_fixture || { echo "provider service did not start" >&2; exit 1; }
trap 'bash "$tree/demo/provider-fixture.sh" cleanup "$win" >/dev/null 2>&1;
      bash "$tree/demo/wine-fixture.sh" cleanup "$prefix" >/dev/null 2>&1' EXIT

baseline=$(run_suite every)
if [ -n "$baseline" ]; then
  echo "the unchanged tree fails already: $baseline" | tee -a "$results"
  exit 1
fi

faults list >"$scratch/list.txt" # read once: id, file, what, and why it is not catchable here
caught=0 missed=0 uncatchable=0
for id in "${ids[@]}"; do
  file="" what="" why=""
  IFS=$'\t' read -r _ file what why < <(grep -P "^\Q$id\E\t" "$scratch/list.txt")
  what="$file: $what"
  started=$SECONDS
  if [ -n "$why" ]; then
    echo "$id  not catchable here: $why ($what)" | tee -a "$results"
    uncatchable=$((uncatchable + 1))
    continue
  elif ! faults apply "$id" "$tree"; then
    line="$id  does not apply  ($what)"
  elif ! build; then
    line="$id  does not build  ($what)"
  else
    # The scripts of the demo environment run in no test program: every program runs against
    # the service and server started from them.
    script=""
    case "$file" in demo/*.sh | demo/*.py) script=every && provider_fixture ;; esac
    by=$(run_suite $script)
    if [ -n "$by" ]; then
      line="$id  caught by $by ($what)"
      caught=$((caught + 1))
    else
      line="$id  MISSED  ($what)"
      missed=$((missed + 1))
    fi
  fi
  echo "$line [$((SECONDS - started)) s]" | tee -a "$results"
  # Back to the original; a fresh time stamp makes the next build recompile the file.
  [ -n "$file" ] && cp "$scratch/pristine/$file" "$tree/$file"
  [ -z "${script:-}" ] || provider_fixture
  script=""
done
echo "$caught caught, $missed missed, $uncatchable marked as not catchable here" | tee -a "$results"
