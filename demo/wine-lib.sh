# Shared by the Wine wrapper, the fixture script and the README's commands: the environment of
# the test Wine prefix, its one-time initialisation, and a display when there is none.
# usage: source wine-lib.sh PREFIX

nimbara_wine_env() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  # No Mono or Gecko prompts, and no debugger: a crashing test program must end, not wait.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  # Non-ASCII arguments reach Windows programs intact only under a UTF-8 C library locale;
  # Wine's ANSI code page is then 1252.
  export LC_ALL=C.UTF-8
  NIMBARA_STATE="$1.state"
  mkdir -p "$NIMBARA_STATE"
}

# Creates the prefix once (tests that start Wine in parallel on a fresh prefix race), with a
# virtual desktop so the tray has a home under Xvfb.
nimbara_wine_init() {
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.nimbara-ready" ]; then
      rm -rf "$WINEPREFIX"
      wineboot -i >"$NIMBARA_STATE/wineboot.log" 2>&1
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.nimbara-ready"
    fi
  ) 9>"$NIMBARA_STATE/init.lock"
}

# Sets DISPLAY: the caller's, else the shared Xvfb of the test fixture, else a private Xvfb whose
# process id is left in NIMBARA_PRIVATE_XVFB for the caller to end.
nimbara_display() {
  NIMBARA_PRIVATE_XVFB=""
  [ -n "${DISPLAY:-}" ] && return 0
  if [ -f "$NIMBARA_STATE/xvfb.display" ] && kill -0 "$(cat "$NIMBARA_STATE/xvfb.pid" 2>/dev/null)" 2>/dev/null; then
    export DISPLAY="$(cat "$NIMBARA_STATE/xvfb.display")"
    return 0
  fi
  nimbara_start_xvfb
  NIMBARA_PRIVATE_XVFB="$NIMBARA_XVFB_PID"
}

nimbara_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    NIMBARA_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$NIMBARA_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "no free display for Xvfb" >&2
  return 1
}

# Registers a network provider DLL (a Linux path) in the prefix, before a program loads mpr:
# drive mappings of Wine programs then reach it.
nimbara_register_netprovider() {
  local key='HKLM\System\CurrentControlSet'
  wine reg add "$key\Control\NetworkProvider\Order" /v ProviderOrder /d NimbaraTest /f &&
    wine reg add "$key\Services\NimbaraTest\NetworkProvider" /v Name /d NimbaraTest /f &&
    wine reg add "$key\Services\NimbaraTest\NetworkProvider" /v ProviderPath /d "Z:${1//\//\\}" /f
} </dev/null >/dev/null 2>&1

# The folder the demo network provider lets the mapped letter stand in for, with a few files.
nimbara_demo_drive() {
  mkdir -p "$1/Fotos"
  printf 'Willkommen bei Ihrer Nimbara.\r\n' >"$1/Willkommen.txt"
  printf 'Notizen\r\n' >"$1/Notizen.txt"
}
