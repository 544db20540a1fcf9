#!/usr/bin/env bash
# The demo storage and the redirector's work behind the demo network provider: a real WebDAV
# server on the loopback address (rclone over HTTPS with the test CA), holding the demo account's
# share, and FUSE mounts of a share for the drive letters the provider maps. Wine cannot wait
# for a Linux program it started, so "mount" and "unmount" write their outcome (a Windows error
# code) to a file the provider waits for.
# usage: webdav.sh serve STATE PORT CERT_DIR   start the server; STATE/port names its port,
#                                              STATE/unusable why the share cannot be mounted
#                                              here (absent: it can)
#        webdav.sh stop STATE                  unmount every mount, end the server
#        webdav.sh mount STATE URL MOUNT       the login from STATE/login (user, password lines)
#        webdav.sh unmount STATE MOUNT
set -u
state="$2"
user=demo-webdav password=demo-secret share=demo
export RCLONE_CONFIG="$state/rclone.conf"

stop() {
  for mount in "$state"/mounts/*; do
    mountpoint -q "$mount" 2>/dev/null && fusermount3 -u -z "$mount"
  done
  pid="$(cat "$state/server.pid" 2>/dev/null)" && grep -qs rclone "/proc/$pid/cmdline" &&
    kill "$pid" && while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  rm -f "$state/server.pid" "$state/port"
}

# Whether a FUSE mount works on this machine; the reason when not, else nothing.
fuse_unusable() {
  [ -c /dev/fuse ] || { echo "no /dev/fuse on this machine"; return; }
  command -v fusermount3 >/dev/null || { echo "fusermount3 is not installed"; return; }
  local probe="$state/mounts/probe"
  mkdir -p "$probe"
  if ! rclone mount :webdav: "$probe" --daemon --daemon-timeout 10s --webdav-url "$1" \
    --ca-cert "$state/ca.pem" >/dev/null 2>&1 || ! mountpoint -q "$probe"; then
    echo "the FUSE mount is refused here"
    return
  fi
  fusermount3 -u "$probe"
}

serve() {
  stop
  mkdir -p "$state/storage/$share/Fotos" "$state/mounts"
  printf 'Willkommen bei Ihrer Nimbara.\r\n' >"$state/storage/$share/Willkommen.txt"
  printf 'Notizen\r\n' >"$state/storage/$share/Notizen.txt"
  cp "$2/ca.pem" "$state/ca.pem"
  cp "$0" "$state/webdav.sh" # where the network provider finds it
  touch "$RCLONE_CONFIG"
  rm -f "$state/unusable"
  command -v rclone >/dev/null || { echo "rclone is not installed" >"$state/unusable"; return 1; }
  setsid rclone serve webdav "$state/storage" --addr "127.0.0.1:$1" --user "$user" \
    --pass "$password" --cert "$2/server.pem" --key "$2/server-key.pem" --dir-cache-time 1s \
    </dev/null >"$state/server.out" 2>&1 &
  echo $! >"$state/server.pid"
  for _ in $(seq 50); do
    curl -s -o /dev/null --cacert "$state/ca.pem" "https://127.0.0.1:$1/" && break
    sleep 0.1
  done
  if ! kill -0 "$(cat "$state/server.pid")" 2>/dev/null; then
    echo "the WebDAV server did not start: $(tail -n 1 "$state/server.out")" >"$state/unusable"
    return 1
  fi
  echo "$1" >"$state/port"
  echo "WebDAV server on 127.0.0.1:$1"
  fuse_unusable "https://127.0.0.1:$1/$share" >"$state/unusable"
  [ -s "$state/unusable" ] || rm -f "$state/unusable"
}

# The codes the redirector answers: 86 refused login, 67 no such share, 1203 server not reached.
mount_share() {
  local result="$4.result" code=0 out
  {
    read -r login_user
    read -r login_password
  } <"$state/login"
  rm -f "$state/login" "$result"
  export RCLONE_WEBDAV_URL="$3" RCLONE_WEBDAV_USER="$login_user"
  RCLONE_WEBDAV_PASS="$(rclone obscure "$login_password")"
  export RCLONE_WEBDAV_PASS
  local flags=(--ca-cert "$state/ca.pem" --contimeout 5s --timeout 10s --low-level-retries 1)
  # A mount with a wrong password would start all the same: the login is checked first.
  if ! out="$(rclone lsd :webdav: "${flags[@]}" --retries 1 2>&1)"; then
    case "$out" in
    *401* | *403*) code=86 ;;
    *"directory not found"* | *404*) code=67 ;;
    *) code=1203 ;;
    esac
  else
    mkdir -p "$4"
    rclone mount :webdav: "$4" "${flags[@]}" --daemon --vfs-cache-mode writes \
      --vfs-write-back 0s --dir-cache-time 1s >/dev/null 2>&1 && mountpoint -q "$4" || code=1203
  fi
  echo "$code" >"$result.tmp" && mv "$result.tmp" "$result"
}

case "$1" in
serve) serve "$3" "$4" ;;
stop) stop ;;
mount) mount_share "$@" ;;
unmount)
  rm -f "$3.result"
  code=0
  ! mountpoint -q "$3" || fusermount3 -u "$3" || code=2404 # ERROR_DEVICE_IN_USE
  echo "$code" >"$3.result.tmp" && mv "$3.result.tmp" "$3.result"
  ;;
*) echo "usage: webdav.sh serve|stop|mount|unmount STATE ..." >&2 && exit 2 ;;
esac
