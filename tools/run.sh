#!/usr/bin/env bash
# The README's run command: builds the shipped 32-bit Nimbara.exe and starts it with /tray
# under Wine in a virtual desktop, as a user meets it at log-on, against the bundled local
# provider service (demo/provider.py) with a demo account: the registry's endpoint
# overrides point the client at it over HTTPS. Drives are mapped through the demo network
# provider (demo/netprovider.cpp): Wine has no WebDAV redirector, so the mapped letter
# stands in for a local folder with a few files. Each run starts from a fresh product key.
# With a display the desktop is shown and the client runs until it is quit from its tray menu
# or Ctrl-C is pressed; without one it runs under Xvfb and does the main job by itself: a
# double click on the tray icon, the dialog on Login, the demo login typed, the drive connected
# and opened; screenshots of each step are saved under build/screenshots, and the client is
# stopped after that demo.
set -eu -o pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/install-deps.sh
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j"$(nproc)" --target Nimbara nimctl certinstall netprovider

source demo/wine-lib.sh
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
  bash demo/provider-fixture.sh cleanup "$rundir" >/dev/null 2>&1 || true
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
bash demo/provider-fixture.sh setup "$rundir" "$WINEPREFIX" 48080 48443 48444
https_port=$(awk '$1 == "https" {print $2}' "$rundir/provider-state/ports")
# The demo account: the service accepts the portal login and the WebDAV login it hands out.
cat >"$rundir/provider-state/script.json" <<'JSON'
[{"status": 200, "account": {"logins": [["demo", "demo-password"], ["demo-webdav", "demo-secret"]],
  "body": "Status: 200\r\nName: demo-webdav\r\nPassword: demo-secret\r\nShare: demo\r\nQuota-Used-Bytes: 1073741824\r\nQuota-Available-Bytes: 9663676416\r\nQuota-Total-Bytes: 10737418240\r\nQuota-Used-Pretty: 1 GB\r\nQuota-Available-Pretty: 9 GB\r\nQuota-Total-Pretty: 10 GB\r\nPackage-Name: Nimbara 10 GB\r\n"}}]
JSON
product='HKCU\Software\Qelto\Nimbara'
wine reg delete "$product" /f >/dev/null 2>&1 || true
for api in authApi statApi; do
  wine reg add "$product" /v "${api}Proto" /d https /f >/dev/null 2>&1
  wine reg add "$product" /v "${api}Host" /d "127.0.0.1:$https_port" /f >/dev/null 2>&1
done

# The demo network provider does the redirector's work: it mounts the share of the real WebDAV
# server (demo/webdav.sh) through FUSE behind the letter. Where that cannot be done here, the
# letter stands in for a local folder instead.
nimbara_register_netprovider "$bin/netprovider.dll"
storage="$rundir/webdav/storage/demo"
if [ -f "$rundir/webdav/port" ] && [ ! -f "$rundir/webdav/unusable" ]; then
  export NIMBARA_WEBDAV="$rundir/webdav"
  wine reg add "$product" /v DAVHost /d "127.0.0.1:$(cat "$rundir/webdav/port")" /f >/dev/null 2>&1
  echo "Storage: the WebDAV server at https://127.0.0.1:$(cat "$rundir/webdav/port")/demo ($storage)."
else
  echo "No WebDAV share on the drive here ($(cat "$rundir/webdav/unusable" 2>/dev/null ||
    echo "the WebDAV server did not start")): the drive letter stands in for a local folder."
  export NIMBARA_NETDEMO="$rundir/demo-drive"
  storage="$NIMBARA_NETDEMO"
  nimbara_demo_drive "$NIMBARA_NETDEMO"
fi
rm -f "$WINEPREFIX/dosdevices/t:" # left by a demo that ended without disconnecting
# The desktop "Default" is the one every program of this prefix uses, so nimctl finds the client.
/usr/lib/wine/wine64 explorer.exe /desktop=Default,1024x768 "$bin/Nimbara.exe" /tray \
  </dev/null >/dev/null 2>&1 &
if ! wine "$bin/nimctl.exe" wait 60; then
  echo "Nimbara did not start" >&2
  exit 1
fi
echo "Nimbara is running in the tray of the Wine desktop. Demo login: demo / demo-password."
sleep 3
if [ $headless = 1 ]; then
  screenshot tray
  # The main job: a double click connects; with no login stored the dialog opens on Login.
  wine "$bin/nimctl.exe" tray 515 # WM_LBUTTONDBLCLK
  wine "$bin/nimctl.exe" dialog 60
  sleep 2
  screenshot login
  wine "$bin/nimctl.exe" login demo demo-password
  sleep 3 # the balloon follows the connection within about two seconds
  screenshot connected
  sleep 1
  screenshot drive
  # A file copied onto the drive arrives in the storage's folder.
  printf 'Hallo aus Wine\r\n' >"$rundir/Hallo.txt"
  wine cmd /c copy "Z:${rundir//\//\\}\\Hallo.txt" 'T:\' </dev/null >/dev/null 2>&1
  sleep 1
  if [ -f "$storage/Hallo.txt" ]; then
    echo "copied onto T:, arrived in the storage: $storage/Hallo.txt"
  else
    echo "the file copied onto T: did not arrive in $storage" >&2
  fi
  # Every tab of the properties dialog, opened from the tray menu's "&Eigenschaften".
  wine "$bin/nimctl.exe" command 4013
  wine "$bin/nimctl.exe" dialog 30
  for tab in 0:allgemein 1:login 2:einstellungen 3:update 4:info; do
    wine "$bin/nimctl.exe" tab "${tab%%:*}"
    sleep 2
    screenshot "tab-${tab#*:}"
  done
  wine "$bin/nimctl.exe" tab -1
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
