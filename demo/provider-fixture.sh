#!/usr/bin/env bash
# Fixture of the local provider service. "setup" makes the test certificates, has the Wine
# prefix trust the test CA and starts provider.py detached on the given ports, or on ports ten,
# twenty... above them when one is taken: BUILD_DIR/provider-state/ports names the ports it
# took. Beside it the demo storage, a WebDAV server on the port after UNTRUSTED_PORT's next
# (demo/webdav.sh; BUILD_DIR/webdav is its state). Both "setup" and "cleanup" first end the
# service and the server the last setup started, and every FUSE mount of the share.
# usage: provider-fixture.sh setup BUILD_DIR PREFIX HTTP_PORT HTTPS_PORT UNTRUSTED_PORT
#        provider-fixture.sh cleanup BUILD_DIR
set -u
here="$(cd "$(dirname "$0")" && pwd)"
state="$2/provider-state"
certs="$2/provider-certs"
pid="$(cat "$state/provider.pid" 2>/dev/null)" && grep -qs provider.py "/proc/$pid/cmdline" &&
  kill "$pid" && while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
rm -f "$state/provider.pid" "$state/ports" "$state/script.json" "$state/requests.txt"
bash "$here/webdav.sh" stop "$2/webdav"
[ "$1" = setup ] || exit 0

bash "$here/make-certs.sh" "$certs" || exit 1
source "$here/wine-lib.sh"
nimbara_wine_env "$3"
nimbara_display || exit 1
mkdir -p "$state"
# Wine's output goes to a file: a Wine process left behind must not hold CTest's pipe.
timeout --kill-after=10 120 wine "$2/bin/certinstall.exe" "Z:$certs/ca.der" </dev/null \
  >"$state/certinstall.out" 2>&1
status=$?
cat "$state/certinstall.out"
[ -n "$NIMBARA_PRIVATE_XVFB" ] && kill "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
[ "$status" = 0 ] || exit 1
for offset in 0 10 20 30 40 50 60 70 80 90; do
  setsid python3 "$here/provider.py" "$state" $(($4 + offset)) $(($5 + offset)) $(($6 + offset)) \
    "$certs" </dev/null >"$state/provider.out" 2>&1 &
  echo $! >"$state/provider.pid"
  while kill -0 $! 2>/dev/null && [ ! -f "$state/ports" ]; do sleep 0.1; done
  if [ -f "$state/ports" ]; then
    echo "provider service on $(tr '\n' ' ' <"$state/ports")"
    bash "$here/webdav.sh" serve "$2/webdav" $(($6 + offset + 2)) "$certs" ||
      echo "no WebDAV server: $(cat "$2/webdav/unusable" 2>/dev/null)"
    exit 0
  fi
done
cat "$state/provider.out" >&2
exit 1
