#!/usr/bin/env bash
# Test fixture around all Wine tests: "setup" initialises the prefix, starts one Xvfb (when
# there is no display) and a persistent wineserver for the whole series; "cleanup" ends both.
# usage: wine-fixture.sh setup PREFIX [PROVIDER.dll] | cleanup PREFIX
set -u
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/wine-lib.sh"
nimbara_wine_env "$2"
case "$1" in
setup)
  nimbara_wine_init || exit 1
  # A setup run twice (ctest --repeat) does not leave the first display behind.
  old=$(cat "$NIMBARA_STATE/xvfb.pid" 2>/dev/null)
  [ "$(cat "/proc/$old/comm" 2>/dev/null)" = Xvfb ] && kill "$old"
  if [ -z "${DISPLAY:-}" ]; then
    nimbara_start_xvfb || exit 1
    echo "$NIMBARA_XVFB_PID" >"$NIMBARA_STATE/xvfb.pid"
    echo "$DISPLAY" >"$NIMBARA_STATE/xvfb.display"
  fi
  # Long-lived Wine processes must not hold CTest's output pipe, or CTest waits for them. The
  # first Wine program of a wineserver starts Wine's services (services.exe, winedevice.exe,
  # plugplay.exe, ...), which keep its output handles: start them here, on /dev/null, before
  # any test program can be the first.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1
  # A letter mapped by a run that was stopped half-way stays in the prefix: free it again.
  find "$WINEPREFIX/dosdevices" -maxdepth 1 -type l -name '?:' ! -name c: ! -name z: -delete
  nimbara_demo_drive "$(dirname "$WINEPREFIX")/demo-drive"
  if [ -n "${3:-}" ]; then # the test network provider, before a program loads mpr
    nimbara_register_netprovider "$3" || exit 1
  fi
  # One desktop with its tray for the whole series: adding a tray icon takes seconds while
  # Wine starts a desktop on demand.
  setsid /usr/lib/wine/wine64 explorer.exe /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
  echo "prefix $WINEPREFIX ready, display $DISPLAY"
  ;;
cleanup)
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  kill "$(cat "$NIMBARA_STATE/xvfb.pid" 2>/dev/null)" 2>/dev/null
  rm -f "$NIMBARA_STATE/xvfb.pid" "$NIMBARA_STATE/xvfb.display"
  echo "wineserver and Xvfb ended"
  ;;
esac
