#!/usr/bin/env bash
# Test fixture of the local provider service. "setup" makes the test certificates, installs the
# test CA into the Wine prefix's root store and starts provider.py detached; "cleanup" ends it by
# its process id. The preferred ports come from the build; when one of them is taken (another
# build's service, say) the next ten are tried, and so on. The ports in use are written to
# BUILD_DIR/provider-state/ports, where the tests read them.
# usage: provider-fixture.sh setup BUILD_DIR PREFIX HTTP_PORT HTTPS_PORT UNTRUSTED_PORT
#        provider-fixture.sh cleanup BUILD_DIR
set -u
here="$(cd "$(dirname "$0")" && pwd)"
build="$2"
state="$build/provider-state"
certs="$build/provider-certs"

# Ends the service this build's fixture started, when it is still running.
stop_provider() {
  local pid
  pid="$(cat "$state/provider.pid" 2>/dev/null)" || return 0
  if [ -n "$pid" ] && grep -q provider.py "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
  fi
  rm -f "$state/provider.pid" "$state/ports"
}

port_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

port_open() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

case "$1" in
setup)
  prefix="$3"
  bash "$here/make-certs.sh" "$certs" || exit 1

  source "$here/wine-lib.sh"
  nimbara_wine_env "$prefix"
  nimbara_display || exit 1
  mkdir -p "$state"
  # Wine's output goes to a file: a Wine process it leaves behind must not hold CTest's pipe.
  status=0
  timeout --kill-after=10 120 wine "$build/bin/certinstall.exe" "Z:${certs//\//\\}\\ca.der" \
    </dev/null >"$state/certinstall.out" 2>&1 || status=$?
  cat "$state/certinstall.out"
  [ -n "$NIMBARA_PRIVATE_XVFB" ] && kill "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
  if [ "$status" != 0 ]; then
    echo "installing the test CA failed ($status)" >&2
    exit 1
  fi

  stop_provider
  rm -f "$state/script.json" "$state/requests.log" "$state/requests.txt"
  for offset in 0 10 20 30 40 50 60 70 80 90; do
    http=$(($4 + offset)) https=$(($5 + offset)) untrusted=$(($6 + offset))
    port_free "$http" && port_free "$https" && port_free "$untrusted" || continue
    setsid python3 "$here/provider.py" --state "$state" \
      --http-port "$http" --https-port "$https" --cert "$certs/server.pem" \
      --key "$certs/server-key.pem" --untrusted-port "$untrusted" \
      --untrusted-cert "$certs/untrusted-server.pem" \
      --untrusted-key "$certs/untrusted-server-key.pem" \
      </dev/null >"$state/provider.out" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      [ -f "$state/ports" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -f "$state/ports" ] && port_open "$http" && port_open "$https" && port_open "$untrusted"; then
      echo "provider service $pid on ports $http, $https and $untrusted; state in $state"
      exit 0
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -f "$state/ports" "$state/provider.pid"
  done
  echo "the provider service did not start:" >&2
  cat "$state/provider.out" >&2 2>/dev/null
  exit 1
  ;;
cleanup)
  stop_provider
  echo "provider service ended"
  ;;
*)
  echo "usage: provider-fixture.sh setup|cleanup BUILD_DIR ..." >&2
  exit 2
  ;;
esac
