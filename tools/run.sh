#!/usr/bin/env bash
# The README's run command: builds the shipped 32-bit Nimbara.exe and starts it with /tray
# under Wine in a virtual desktop, as a user meets it at log-on, against the bundled local
# provider service (tests/support/provider.py) with a demo account: the registry's endpoint
# overrides point the client at it over HTTPS. With a display the desktop is
# shown and the client runs until it is quit from its tray menu or Ctrl-C is pressed; without
# one it runs under Xvfb, screenshots of the tray and of its menu are saved under
# build/screenshots, and the client is stopped after that demo.
set -eu -o pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/install-deps.sh
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j"$(nproc)" --target Nimbara nimctl certinstall

source tests/support/wine-lib.sh
nimbara_wine_env "$root/build/i686/run-prefix"
nimbara_wine_init
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
nimbara_display
bin="$root/build/i686/bin"
shots="$root/build/screenshots"
mkdir -p "$shots"

rundir="$root/build/i686/run"
mkdir -p "$rundir"
ln -sfn ../bin "$rundir/bin"

stop() {
  wine "$bin/nimctl.exe" command 4006 >/dev/null 2>&1 || true # IDM_QUIT, as "&Beenden" does
  wine "$bin/nimctl.exe" gone 20 >/dev/null 2>&1 || true
  bash tests/support/provider-fixture.sh cleanup "$rundir" >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  [ -n "$NIMBARA_PRIVATE_XVFB" ] && kill "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
  echo "Nimbara stopped."
}
trap stop EXIT
trap 'exit 130' INT TERM

screenshot() {
  xwd -root -silent | /usr/bin/convert xwd:- "$shots/$1.png" && echo "screenshot: $shots/$1.png"
}

wineserver -p </dev/null >/dev/null 2>&1

# The local provider service with its test CA trusted by this prefix, and the demo account.
bash tests/support/provider-fixture.sh setup "$rundir" "$WINEPREFIX" 48080 48443 48444
https_port=$(awk '$1 == "https" {print $2}' "$rundir/provider-state/ports")
cat >"$rundir/provider-state/script.json" <<'JSON'
[{"status": 200, "body": "Status: 200\r\nName: demo-webdav\r\nPassword: demo-secret\r\nShare: demo\r\nQuota-Used-Bytes: 1073741824\r\nQuota-Total-Bytes: 10737418240\r\n"}]
JSON
product='HKCU\Software\Qelto\Nimbara'
for api in authApi statApi; do
  wine reg add "$product" /v "${api}Proto" /d https /f >/dev/null 2>&1
  wine reg add "$product" /v "${api}Host" /d "127.0.0.1:$https_port" /f >/dev/null 2>&1
done
wine reg add "$product" /v DAVUser /d demo /f >/dev/null 2>&1
wine reg add "$product" /v DAVPasswd /d demo-password /f >/dev/null 2>&1
# The desktop "Default" is the one every program of this prefix uses, so nimctl finds the client.
/usr/lib/wine/wine64 explorer.exe /desktop=Default,1024x768 "$bin/Nimbara.exe" /tray \
  </dev/null >/dev/null 2>&1 &
if ! wine "$bin/nimctl.exe" wait 60; then
  echo "Nimbara did not start" >&2
  exit 1
fi
echo "Nimbara is running in the tray of the Wine desktop."
sleep 3
if [ $headless = 1 ]; then
  screenshot tray
  wine "$bin/nimctl.exe" tray 516 # WM_RBUTTONDOWN on the tray icon: the menu opens
  sleep 3
  screenshot tray-menu
  # What a second start with /rekey does: fresh WebDAV credentials from the service.
  wine "$bin/Nimbara.exe" /rekey </dev/null >/dev/null 2>&1
  sleep 2
  screenshot rekey
  echo "stored WebDAV user after /rekey: $(wine reg query "$product" /v DAVUser 2>/dev/null | awk '/DAVUser/ {print $3}')"
  exit 0
fi
echo "Quit it from its tray menu (Beenden) or press Ctrl-C."
wine "$bin/nimctl.exe" gone 86400 >/dev/null 2>&1 || true
