#!/usr/bin/env bash
# Benchmark of Nimbara.exe. Prints the size of both builds beside a minimal static program of the
# same toolchain; for the timed build (the 64-bit one unless chosen otherwise), its start-up times
# under Wine beside minimal Win32 programs, and the time of its authentication call against the
# local provider service beside a minimal WinINet program making the same calls (and curl,
# outside Wine), with where the client's extra time goes; and the native cost of parsing the
# answer. It prints figures and judges nothing.
# The times are taken inside Wine (tools/bench/bench_launch.exe, bench_auth.exe,
# bench_wininet.exe), so the Linux side of starting Wine is left out; every program runs in the
# same private prefix, with a warm wineserver and a running desktop. The 64-bit build is timed by
# default because a kernel without 32-bit support runs the 32-bit build under emulation.
# usage: tools/benchmark.sh
#   NIMBARA_BENCH_RUNS       measured runs per program (default 15, after one warm-up run)
#   NIMBARA_BENCH_AUTH_RUNS  measured rounds per protocol (default 30, after two warm-up rounds)
#   NIMBARA_BENCH_UPDATE_RUNS  measured rounds of the update download (default 10, after one)
#   NIMBARA_BENCH_BUILD      build directory of the timed build (default build/x86_64)
set -u -o pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root" || exit 1
source demo/wine-lib.sh

runs="${NIMBARA_BENCH_RUNS:-15}"
auth_runs="${NIMBARA_BENCH_AUTH_RUNS:-30}"
update_runs="${NIMBARA_BENCH_UPDATE_RUNS:-10}"
build_dir="${NIMBARA_BENCH_BUILD:-build/x86_64}"
build_dir="${build_dir%/}"
# The provider service of the benchmark: its certificates, state and preferred ports, apart from
# those of the tests.
service_dir="$root/$build_dir/bench"
service_ports=(38080 38443 38444)
service_started=""
auth_path="/a/filemanager.webdav.auth?type=REST.2&username=bench-user&password=bench-pw&ClientVersion=1.0.0&key=0"
client_class="QeltoNimbaraWindowsClient"
quit_command=4006 # IDM_QUIT
minimal_class="NimbaraBenchMinimalWindow"
timed_targets=(Nimbara bench_launch minimal_exit minimal_window bench_auth bench_wininet
  bench_update certinstall bench_connect netprovider)
size_targets=(Nimbara minimal_exit)
started=$SECONDS

die() {
  echo "benchmark: $*" >&2
  exit 1
}

# Runs a build step quietly; shows the end of its output when it fails.
quietly() {
  local log="$root/build/benchmark-build.log"
  mkdir -p "$root/build"
  "$@" >"$log" 2>&1 && return 0
  tail -n 40 "$log" >&2
  die "failed: $*"
}

# Brings the given targets of a build directory up to date; a preset's directory is configured
# first when missing. Only these targets are built, so a concurrent build there is not disturbed.
# The first build regenerates the build system when needed; only then does make know the
# benchmark targets of a tree configured before they existed.
build_targets() {
  local dir="$1" preset
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    case "$dir" in
    build/i686 | build/x86_64) preset="${dir#build/}" ;;
    *) die "$dir is not a configured build directory" ;;
    esac
    echo "configuring $dir (missing) ..." >&2
    quietly cmake --preset "$preset"
  fi
  quietly cmake --build "$dir" -j2 --target Nimbara
  quietly cmake --build "$dir" -j2 --target "$@"
}

# The processor a Windows program is built for, from its PE header.
pe_machine() {
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1") || return 1
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1") || return 1
  machine="${machine// /}"
  case "$machine" in
  14c) echo i686 ;;
  8664) echo x86_64 ;;
  *) echo "machine 0x$machine" ;;
  esac
}

# Debian's wine command starts the 32-bit loader first, and the prefix holds 32-bit parts.
bash tools/install-deps.sh >/dev/null || die "tools/install-deps.sh failed"

build_targets "$build_dir" "${timed_targets[@]}"
for dir in build/i686 build/x86_64; do
  [ "$dir" = "$build_dir" ] || build_targets "$dir" "${size_targets[@]}"
done
# The parse benchmark is native; the preset's build tree is configured when needed.
[ -f build/native/CMakeCache.txt ] || quietly cmake --preset native
quietly cmake --build --preset native --target parse_bench

bin="$root/$build_dir/bin"
timed_machine=$(pe_machine "$bin/Nimbara.exe") || die "cannot read $bin/Nimbara.exe"

cleanup() {
  [ -n "$service_started" ] &&
    bash demo/provider-fixture.sh cleanup "$service_dir" >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  if [ -n "${NIMBARA_PRIVATE_XVFB:-}" ]; then
    kill "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
    wait "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
  fi
}

nimbara_wine_env "$root/$build_dir/bench-prefix"
nimbara_wine_init || die "cannot create the Wine prefix $WINEPREFIX"
trap cleanup EXIT
trap 'exit 130' INT TERM
nimbara_display || die "no display"
# A persistent wineserver, so every start below meets a warm one. Long-lived Wine processes must
# not hold this script's output.
wineserver -p </dev/null >/dev/null 2>&1
# The desktop both GUI programs attach to; otherwise the first window of a run would wait for
# Wine to start one.
setsid /usr/lib/wine/wine64 explorer.exe /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &

# Runs a Wine program with its output in the file OUTPUT, carriage returns removed. Never through
# a pipe or a command substitution: a Wine process the program starts in the background (a
# service, the desktop) inherits the program's output handles and would hold a pipe open long
# after the program ended, so its reader would wait forever. The limit ends a hung run.
run_wine() {
  local output="$1" limit="$2" status=0
  shift 2
  timeout --kill-after=10 "$limit" wine "$@" </dev/null >"$output.raw" 2>&1 || status=$?
  tr -d '\r' <"$output.raw" >"$output"
  rm -f "$output.raw"
  return $status
}

windows_path() {
  local path="Z:$1"
  printf '%s' "${path//\//\\}"
}

output_dir="$root/$build_dir/bench-output"
mkdir -p "$output_dir"

# Runs the launcher with the given mode and program; prints "MEDIAN MIN MAX" in milliseconds.
measure() {
  local output="$output_dir/launch.txt" line median min max
  run_wine "$output" $((120 + 10 * runs)) "$bin/bench_launch.exe" "$runs" "$@" || {
    echo "benchmark: bench_launch $* failed: $(cat "$output")" >&2
    return 1
  }
  line=$(grep '^median ' "$output") || {
    echo "benchmark: bench_launch $* printed: $(cat "$output")" >&2
    return 1
  }
  read -r _ median _ min _ max _ <<<"$line"
  echo "$median $min $max"
}

run_wine "$output_dir/version.txt" 60 --version || die "wine --version failed"
wine_version=$(head -n 1 "$output_dir/version.txt")

client_exe="$(windows_path "$bin/Nimbara.exe")"
force_client=$(measure exit "$client_exe" /force=0) || exit 1
force_minimal=$(measure exit "$(windows_path "$bin/minimal_exit.exe")") || exit 1
window_client=$(measure window "$client_class" "$quit_command" "$client_exe") || exit 1
window_minimal=$(measure window "$minimal_class" kill "$(windows_path "$bin/minimal_window.exe")") ||
  exit 1

row() {
  local line
  printf -v line '  %-52s %10s %10s %10s' "$@"
  printf '%s\n' "${line%"${line##*[! ]}"}"
}
# A "MEDIAN MIN MAX" figure as a table row.
time_row() {
  local label="$1" median min max
  read -r median min max <<<"$2"
  row "$label" "$median" "$min" "$max"
}
ratio() {
  awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { printf "%.2f", a / b }'
}

echo "Nimbara benchmark ($wine_version, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "Size in bytes, beside a program of the same toolchain that only starts and exits"
row "" "Nimbara" "minimal" "ratio"
for dir in build/i686 build/x86_64; do
  size_client=$(stat -c %s "$dir/bin/Nimbara.exe") || die "no $dir/bin/Nimbara.exe"
  size_minimal=$(stat -c %s "$dir/bin/minimal_exit.exe") || die "no $dir/bin/minimal_exit.exe"
  row "$dir/bin: Nimbara.exe, minimal_exit.exe" "$size_client" "$size_minimal" \
    "$(ratio "$size_client" "$size_minimal")"
done
echo
# Where the bytes go: the sections of each build (code, read-only data, unwind tables, imports,
# resources with the icons and dialogs, relocations), as the toolchain's objdump lists them.
echo "Sections of Nimbara.exe in bytes"
for dir in build/i686 build/x86_64; do
  case "$dir" in *i686) objdump=i686-w64-mingw32-objdump ;; *) objdump=x86_64-w64-mingw32-objdump ;; esac
  sections=$("$objdump" -h "$dir/bin/Nimbara.exe" | awk '/^ *[0-9]+ \./ {print $2, $3}' |
    while read -r name hex; do printf '%s %d, ' "$name" $((16#$hex)); done)
  echo "  $dir: ${sections%, }"
done
echo
echo "Timed build: $build_dir/bin/Nimbara.exe ($timed_machine)"
echo "$runs runs after one warm-up, wall time in ms"
echo
echo "Start to exit"
row "" "median" "min" "max"
time_row "Nimbara.exe /force=0" "$force_client"
time_row "minimal_exit.exe" "$force_minimal"
row "ratio of medians" "$(ratio "$force_client" "$force_minimal")" "" ""
echo
echo "Start until the main window exists"
row "" "median" "min" "max"
time_row "Nimbara.exe ($client_class)" "$window_client"
time_row "minimal_window.exe" "$window_minimal"
row "ratio of medians" "$(ratio "$window_client" "$window_minimal")" "" ""

# The authentication call. The fixture installs its test CA with BUILD_DIR/bin/certinstall.exe.
mkdir -p "$service_dir/bin"
cp -f "$bin/certinstall.exe" "$service_dir/bin/"
service_started=1
bash demo/provider-fixture.sh setup "$service_dir" "$WINEPREFIX" "${service_ports[@]}" \
  >"$service_dir/fixture.log" 2>&1 || {
  cat "$service_dir/fixture.log" >&2
  die "the provider service did not start"
}
read -r _ http_port < <(grep '^http ' "$service_dir/provider-state/ports")
read -r _ https_port < <(grep '^https ' "$service_dir/provider-state/ports")
# Every request gets the same complete field answer.
answer='Status: 200\r\nName: bench-name\r\nPassword: bench-secret\r\nShare: https://dav.example.invalid/bench\r\n'
printf '[{"status": 200, "body": "%s"}]\n' "$answer" >"$service_dir/provider-state/script.json.tmp"
mv -f "$service_dir/provider-state/script.json.tmp" "$service_dir/provider-state/script.json"

# Runs a request benchmark inside Wine; its output is left in OUTPUT_DIR/PROGRAM.txt.
measure_calls() {
  local output="$output_dir/$1.txt"
  run_wine "$output" $((120 + 20 * auth_runs)) "$bin/$1" "$http_port" "$https_port" \
    "$auth_runs" || {
    echo "benchmark: $1 failed: $(cat "$output")" >&2
    return 1
  }
  grep -q '^https [a-z-]* median ' "$output" || {
    echo "benchmark: $1 printed: $(cat "$output")" >&2
    return 1
  }
}
# "MEDIAN MIN MAX" of one line "PROTOCOL NAME median M min A max B runs N" of a program's output.
figures() {
  local median min max
  read -r _ _ _ median _ min _ max _ < <(grep "^$2 $3 median " "$output_dir/$1.txt")
  echo "$median $min $max"
}
# The same GET with curl, outside Wine: "MEDIAN MIN MAX" in milliseconds.
curl_figures() {
  local i
  for ((i = 0; i < auth_runs + 2; i++)); do
    curl --cacert "$service_dir/provider-certs/ca.pem" -s -o /dev/null -w '%{time_total}\n' "$1" ||
      return 1
  done | tail -n "$auth_runs" | sort -g | awk '
    { t[NR] = $1 * 1000 }
    END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
          printf "%.2f %.2f %.2f\n", m, t[1], t[NR] }'
}

measure_calls bench_auth.exe || exit 1
measure_calls bench_wininet.exe || exit 1
# The connect command, with drive mappings going to the test network provider.
nimbara_register_netprovider "$bin/netprovider.dll" || die "cannot register the network provider"
(cd "$output_dir" && run_wine "$output_dir/bench_connect.exe.txt" $((120 + 20 * auth_runs)) \
  "$bin/bench_connect.exe" "$https_port" "$auth_runs") || {
  cat "$output_dir/bench_connect.exe.txt" >&2
  die "bench_connect failed"
}
# The same against the real WebDAV share of the demo environment, mounted through FUSE, with a
# 5 MB file written and read through the letter and through the mount directly.
webdav="$service_dir/webdav"
share_skipped=""
if [ -f "$webdav/port" ] && [ ! -f "$webdav/unusable" ]; then
  printf '[{"status": 200, "body": "%s"}]\n' \
    'Status: 200\r\nName: demo-webdav\r\nPassword: demo-secret\r\nShare: demo\r\n' \
    >"$service_dir/provider-state/script.json.tmp"
  mv -f "$service_dir/provider-state/script.json.tmp" "$service_dir/provider-state/script.json"
  (cd "$output_dir" && NIMBARA_WEBDAV="$webdav" run_wine "$output_dir/bench_share.txt" \
    $((300 + 30 * auth_runs)) "$bin/bench_connect.exe" "$https_port" "$auth_runs" \
    "127.0.0.1:$(cat "$webdav/port")" "$webdav/mounts/T") || {
    cat "$output_dir/bench_share.txt" >&2
    die "bench_connect against the WebDAV share failed"
  }
  printf '[{"status": 200, "body": "%s"}]\n' "$answer" >"$service_dir/provider-state/script.json"
else
  share_skipped="$(cat "$webdav/unusable" 2>/dev/null || echo "the WebDAV server did not start")"
fi
if command -v curl >/dev/null; then
  curl_http=$(curl_figures "http://127.0.0.1:$http_port$auth_path") || die "curl over HTTP failed"
  curl_https=$(curl_figures "https://127.0.0.1:$https_port$auth_path") ||
    die "curl over HTTPS failed"
fi

# The update: a 5 MB file of random bytes, served for every request, downloaded and checked.
update_file="$service_dir/update.bin"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$update_file"
update_crc=$(python3 -c 'import sys, zlib; print("%08X" % zlib.crc32(open(sys.argv[1], "rb").read()))' \
  "$update_file")
printf '[{"status": 200, "file": "%s"}]\n' "$update_file" >"$service_dir/provider-state/script.json.tmp"
mv -f "$service_dir/provider-state/script.json.tmp" "$service_dir/provider-state/script.json"
update_sha=$(sha256sum "$update_file" | cut -d' ' -f1)
run_wine "$output_dir/bench_update.txt" $((120 + 20 * update_runs)) "$bin/bench_update.exe" \
  "$http_port" "$update_crc" "$update_runs" "$update_sha" || die "bench_update failed: $(cat "$output_dir/bench_update.txt")"
grep -q '^crc32 ' "$output_dir/bench_update.txt" ||
  die "bench_update printed: $(cat "$output_dir/bench_update.txt")"
bash demo/provider-fixture.sh cleanup "$service_dir" >/dev/null 2>&1
service_started=""

# The breakdown works on pairs "MEDIAN MIN" in ms: a difference of medians beside a difference
# of minimums, which a busy machine disturbs less.
pair_of() {
  local figures
  figures=$(figures "$@")
  echo "${figures% *}"
}
pair_minus() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ")
    printf "%.2f %.2f\n", x[1] - y[1], x[2] - y[2] }'
}
pair_plus() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ")
    printf "%.2f %.2f\n", x[1] + y[1], x[2] + y[2] }'
}
# A breakdown row: label, a pair, and each figure's share of the pair being explained.
share_row() {
  local line
  line=$(awk -v part="$2" -v whole="$3" 'BEGIN { split(part, p, " "); split(whole, w, " ")
    for (i = 1; i <= 2; i++)
      s[i] = w[i] > 0 ? sprintf("%.0f%%", 100 * p[i] / w[i]) : "n/a"
    printf "%s %s %s %s\n", p[1], s[1], p[2], s[2] }')
  # shellcheck disable=SC2086 # four words
  breakdown_line "$1" $line
}
breakdown_line() {
  local line
  printf -v line '  %-52s %10s %7s %10s %7s' "$@"
  printf '%s\n' "${line%"${line##*[! ]}"}"
}

echo
echo "Authentication call against the local provider service (127.0.0.1), $auth_runs rounds per"
echo "protocol after two warm-ups, one call of each kind per round; wall time in ms"
for protocol in http https; do
  client=$(figures bench_auth.exe "$protocol" authenticate)
  same=$(figures bench_wininet.exe "$protocol" same)
  plain=$(figures bench_wininet.exe "$protocol" plain)
  echo
  echo "${protocol^^} (port $([ "$protocol" = http ] && echo "$http_port" || echo "$https_port"))"
  row "" "median" "min" "max"
  time_row "bench_auth.exe (authenticateCall)" "$client"
  time_row "bench_wininet.exe, the client's WinINet calls" "$same"
  row "ratio of medians" "$(ratio "$client" "$same")" "" ""
  time_row "bench_wininet.exe, plain GET" "$plain"
  row "ratio of medians, client to plain GET" "$(ratio "$client" "$plain")" "" ""
  if command -v curl >/dev/null; then
    [ "$protocol" = http ] && time_row "curl, outside Wine (context)" "$curl_http"
    [ "$protocol" = https ] && time_row "curl, outside Wine (context)" "$curl_https"
  else
    row "curl: not installed, skipped" "" "" ""
  fi

  # The client's call beside a plain GET: each step of the call timed on its own in the same
  # rounds, and the minimal program with and without the calls the client adds.
  client_pair=$(pair_of bench_auth.exe "$protocol" authenticate)
  plain_pair=$(pair_of bench_wininet.exe "$protocol" plain)
  same_pair=$(pair_of bench_wininet.exe "$protocol" same)
  no_check_pair=$(pair_of bench_wininet.exe "$protocol" no-check)
  no_extras_pair=$(pair_of bench_wininet.exe "$protocol" no-extras)
  request_pair=$(pair_of bench_auth.exe "$protocol" request)
  difference=$(pair_minus "$client_pair" "$plain_pair")
  steps_pair="0 0"
  echo
  echo "  Where the client's time goes: client minus plain GET = ${difference% *} ms (medians),"
  echo "  ${difference#* } ms (minimums)"
  breakdown_line "step of authenticateCall, timed on its own" "median" "share" "min" "share"
  for step in connectivity endpoint method request store; do
    pair=$(pair_of bench_auth.exe "$protocol" "$step")
    steps_pair=$(pair_plus "$steps_pair" "$pair")
    case "$step" in
    connectivity) share_row "connectivity check (internetAvailable)" "$pair" "$difference" ;;
    endpoint) share_row "endpoint from the registry (readEndpoint)" "$pair" "$difference" ;;
    method) share_row "method for the key (selectConnectionMethod)" "$pair" "$difference" ;;
    request)
      breakdown_line "request and answer (startCall, readAnswer, close)" "${pair% *}" "" \
        "${pair#* }" ""
      share_row "  of which beyond the plain GET" "$(pair_minus "$pair" "$plain_pair")" \
        "$difference"
      ;;
    store) share_row "storing the login (storeConnection)" "$pair" "$difference" ;;
    esac
  done
  breakdown_line "sum of the steps" "${steps_pair% *}" "" "${steps_pair#* }" ""
  share_row "not explained (client minus sum of the steps)" \
    "$(pair_minus "$client_pair" "$steps_pair")" "$difference"
  echo
  breakdown_line "the minimal WinINet program's versions" "median" "share" "min" "share"
  share_row "connectivity check (same minus no-check)" \
    "$(pair_minus "$same_pair" "$no_check_pair")" "$difference"
  share_row "time-outs, attempt, header (same minus no-extras)" \
    "$(pair_minus "$same_pair" "$no_extras_pair")" "$difference"
  share_row "all of them (same minus plain)" "$(pair_minus "$same_pair" "$plain_pair")" \
    "$difference"
  share_row "client's request step minus no-check" \
    "$(pair_minus "$request_pair" "$no_check_pair")" "$difference"
  echo
  row "" "median" "min" "max"
  time_row "selectConnectionMethod without a forced method" \
    "$(figures bench_auth.exe "$protocol" probe)"
  row "  (OS probe and registry reads; the calls above run with method 5)" "" "" ""
done

connect_figures() {
  local median min max
  read -r _ _ median _ min _ max _ < <(grep "^$1 median " "$output_dir/${2:-bench_connect.exe.txt}")
  echo "$median $min $max"
}
connect=$(connect_figures connect)
outside=$(awk -v a="$(connect_figures auth)" -v b="$(connect_figures map)" 'BEGIN {
  split(a, x, " "); split(b, y, " "); printf "%.2f %.2f %.2f\n", x[1] + y[1], x[2] + y[2], x[3] + y[3] }')
own=$(awk -v a="$connect" -v p="$(connect_figures pause)" 'BEGIN {
  split(a, x, " "); split(p, y, " "); printf "%.2f %.2f %.2f\n", x[1] - y[1], x[2] - y[2], x[3] - y[3] }')
echo
echo "Connect command: IDM_CONNECT until the mapping call returns (HTTPS, test network provider),"
echo "$auth_runs rounds after two warm-ups; wall time in ms"
row "" "median" "min" "max"
time_row "bench_connect.exe, the client (IDM_CONNECT)" "$connect"
time_row "  of which its own pauses (250 ms between cancels)" "$(connect_figures pause)"
time_row "  without its pauses" "$own"
time_row "authentication GET, bare WinINet" "$(connect_figures auth)"
time_row "WNetAddConnection2A, bare" "$(connect_figures map)"
time_row "sum of the two outside calls (sum of medians)" "$outside"
row "ratio of medians, client to the outside calls" "$(ratio "$connect" "$outside")" "" ""
row "ratio of medians, client without its pauses" "$(ratio "$own" "$outside")" "" ""
echo
if [ -n "$share_skipped" ]; then
  echo "Connect against the real WebDAV share: not measured here ($share_skipped)"
else
  echo "Connect against the real WebDAV share (HTTPS, mounted through FUSE by the test network"
  echo "provider), $auth_runs rounds after two warm-ups; wall time in ms"
  row "" "median" "min" "max"
  share_connect=$(connect_figures connect bench_share.txt)
  share_outside=$(awk -v a="$(connect_figures auth bench_share.txt)" \
    -v b="$(connect_figures map bench_share.txt)" 'BEGIN {
    split(a, x, " "); split(b, y, " "); printf "%.2f %.2f %.2f\n", x[1] + y[1], x[2] + y[2], x[3] + y[3] }')
  time_row "bench_connect.exe, the client (IDM_CONNECT)" "$share_connect"
  time_row "WNetAddConnection2A, bare (login check and mount)" "$(connect_figures map bench_share.txt)"
  time_row "sum of the two outside calls (sum of medians)" "$share_outside"
  row "ratio of medians, client to the outside calls" "$(ratio "$share_connect" "$share_outside")" "" ""
  for way in write read; do
    letter=$(connect_figures "${way}_letter" bench_share.txt)
    mount=$(connect_figures "${way}_mount" bench_share.txt)
    time_row "5 MB ${way} through T:" "$letter"
    time_row "5 MB ${way} through the FUSE mount directly" "$mount"
    row "ratio of medians" "$(ratio "$letter" "$mount")" "" ""
  done
fi
# "MEDIAN MIN MAX" of a line "NAME median M min A max B runs N" of bench_update's output.
update_figures() {
  local median min max
  read -r _ _ median _ min _ max _ < <(grep "^$1 median " "$output_dir/bench_update.txt")
  echo "$median $min $max"
}
echo
echo "Update: download and check (CRC-32 and SHA-256) of a 5 MB file from the local provider"
echo "service (HTTP), $update_runs rounds after one warm-up, one download of each kind per round;"
echo "wall time in ms"
row "" "median" "min" "max"
update_client=$(update_figures client)
update_plain=$(update_figures wininet)
time_row "bench_update.exe (downloadUpdate + checkUpdate)" "$update_client"
time_row "bench_update.exe, minimal WinINet download" "$update_plain"
row "ratio of medians" "$(ratio "$update_client" "$update_plain")" "" ""
read -r _ crc_speed < <(grep '^crc32 ' "$output_dir/bench_update.txt")
row "CRC-32 throughput (Crc32::update, in memory)" "$crc_speed" "MB/s" ""
read -r _ sha_speed < <(grep '^sha256 ' "$output_dir/bench_update.txt")
row "SHA-256 throughput (Sha256::update, in memory)" "$sha_speed" "MB/s" ""

parse=$(build/native/tools/bench/native/parse_bench) || die "parse_bench failed"
read -r _ typical_bytes _ _ typical_ns _ typical_runs < <(grep '^typical ' <<<"$parse")
read -r _ large_bytes _ _ large_ms _ large_runs < <(grep '^large ' <<<"$parse")
echo
echo "Parsing the field answer (native, -O2, LineSplitter + applyAuthLine in 1024-byte chunks)"
row "typical answer ($typical_bytes bytes, $typical_runs runs)" "$typical_ns" "ns/answer" ""
row "large answer ($large_bytes bytes, $large_runs runs)" "$large_ms" "ms/MB" ""
echo
echo "Benchmark run took $((SECONDS - started)) s"
