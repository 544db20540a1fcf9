#!/usr/bin/env bash
# Benchmark of Nimbara.exe: prints the size of both builds and, for the shipped 32-bit build, its
# start-up times under Wine beside minimal Win32 programs, the time of its authentication call
# against the local provider service beside the same GET made directly with WinINet (and with
# curl, outside Wine), and the native cost of parsing the answer. It prints figures and judges
# nothing. The times are taken inside Wine (tools/bench/bench_launch.exe, bench_auth.exe,
# bench_wininet.exe), so the Linux side of starting Wine is left out; every program runs in the
# same private prefix, with a warm wineserver and a running desktop.
# usage: tools/benchmark.sh
#   NIMBARA_BENCH_RUNS       measured runs per program (default 15, after one warm-up run)
#   NIMBARA_BENCH_AUTH_RUNS  measured calls per protocol (default 30, after two warm-up calls)
#   NIMBARA_BENCH_I686       build directory of the timed build (default build/i686)
set -u -o pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root" || exit 1
source tests/support/wine-lib.sh

runs="${NIMBARA_BENCH_RUNS:-15}"
auth_runs="${NIMBARA_BENCH_AUTH_RUNS:-30}"
i686_dir="${NIMBARA_BENCH_I686:-build/i686}"
# The provider service of the benchmark: its certificates, state and preferred ports, apart from
# those of the tests.
service_dir="$root/$i686_dir/bench"
service_ports=(38080 38443 38444)
service_started=""
auth_path="/a/filemanager.webdav.auth?type=REST.2&username=bench-user&password=bench-pw&ClientVersion=1.0.0&key=0"
x86_64_dir="build/x86_64"
client_class="QeltoNimbaraWindowsClient"
quit_command=4006 # IDM_QUIT
minimal_class="NimbaraBenchMinimalWindow"
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

nimbara_enable_i386 || die "32-bit Linux programs cannot run here (needed by 32-bit Wine)"

# Both builds exist (full build when missing) and the measured targets are current. Only these
# targets are built into an existing tree, so a concurrent build there is not disturbed.
for preset in i686 x86_64; do
  if [ ! -f "build/$preset/bin/Nimbara.exe" ]; then
    echo "building build/$preset (missing) ..." >&2
    quietly cmake --preset "$preset"
    quietly cmake --build "build/$preset" -j2
  fi
done
[ -f "$i686_dir/CMakeCache.txt" ] || die "$i686_dir is not a configured build directory"
quietly cmake --build "$x86_64_dir" -j2 --target Nimbara
# The first build regenerates the build system when needed; only then does make know the
# benchmark targets of a tree configured before they existed.
quietly cmake --build "$i686_dir" -j2 --target Nimbara
quietly cmake --build "$i686_dir" -j2 --target bench_launch minimal_exit minimal_window \
  bench_auth bench_wininet certinstall
# The parse benchmark is native; the preset's build tree is configured when needed.
[ -f build/native/CMakeCache.txt ] || quietly cmake --preset native
quietly cmake --build --preset native --target parse_bench

bin="$root/$i686_dir/bin"
size_i686=$(stat -c %s "$i686_dir/bin/Nimbara.exe") || die "no $i686_dir/bin/Nimbara.exe"
size_x86_64=$(stat -c %s "$x86_64_dir/bin/Nimbara.exe") || die "no $x86_64_dir/bin/Nimbara.exe"

cleanup() {
  [ -n "$service_started" ] &&
    bash tests/support/provider-fixture.sh cleanup "$service_dir" >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  if [ -n "${NIMBARA_PRIVATE_XVFB:-}" ]; then
    kill "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
    wait "$NIMBARA_PRIVATE_XVFB" 2>/dev/null
  fi
}

nimbara_wine_env "$root/$i686_dir/bench-prefix"
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

windows_path() {
  local path="Z:$1"
  printf '%s' "${path//\//\\}"
}

# Runs the launcher with the given mode and program; prints "MEDIAN MIN MAX" in milliseconds.
measure() {
  local output line median min max
  output=$(wine "$bin/bench_launch.exe" "$runs" "$@" 2>&1 | tr -d '\r') || {
    echo "benchmark: bench_launch $* failed: $output" >&2
    return 1
  }
  line=$(grep '^median ' <<<"$output") || {
    echo "benchmark: bench_launch $* printed: $output" >&2
    return 1
  }
  read -r _ median _ min _ max _ <<<"$line"
  echo "$median $min $max"
}

client_exe="$(windows_path "$bin/Nimbara.exe")"
force_client=$(measure exit "$client_exe" /force=0) || exit 1
force_minimal=$(measure exit "$(windows_path "$bin/minimal_exit.exe")") || exit 1
window_client=$(measure window "$client_class" "$quit_command" "$client_exe") || exit 1
window_minimal=$(measure window "$minimal_class" kill "$(windows_path "$bin/minimal_window.exe")") ||
  exit 1

row() {
  local line
  printf -v line '  %-44s %10s %10s %10s' "$@"
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

echo "Nimbara benchmark ($(wine --version 2>/dev/null), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "Size of Nimbara.exe"
row "" "bytes" "" ""
row "$x86_64_dir/bin/Nimbara.exe" "$size_x86_64" "" ""
row "$i686_dir/bin/Nimbara.exe" "$size_i686" "" ""
echo
echo "Timed build: $i686_dir/bin/Nimbara.exe (i686); $runs runs after one warm-up, wall time in ms"
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
bash tests/support/provider-fixture.sh setup "$service_dir" "$WINEPREFIX" "${service_ports[@]}" \
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

# Runs a request benchmark inside Wine; prints its "http" and "https" lines.
measure_calls() {
  local output
  output=$(wine "$bin/$1" "$http_port" "$https_port" "$auth_runs" 2>&1 | tr -d '\r') || {
    echo "benchmark: $1 failed: $output" >&2
    return 1
  }
  grep -q '^https median ' <<<"$output" || {
    echo "benchmark: $1 printed: $output" >&2
    return 1
  }
  grep -E '^https? median ' <<<"$output"
}
# "MEDIAN MIN MAX" of one protocol's line.
protocol_figures() {
  local median min max
  read -r _ _ median _ min _ max _ < <(grep "^$1 median " <<<"$2")
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

client_calls=$(measure_calls bench_auth.exe) || exit 1
minimal_calls=$(measure_calls bench_wininet.exe) || exit 1
if command -v curl >/dev/null; then
  curl_http=$(curl_figures "http://127.0.0.1:$http_port$auth_path") || die "curl over HTTP failed"
  curl_https=$(curl_figures "https://127.0.0.1:$https_port$auth_path") ||
    die "curl over HTTPS failed"
fi
bash tests/support/provider-fixture.sh cleanup "$service_dir" >/dev/null 2>&1
service_started=""

echo
echo "Authentication call against the local provider service (127.0.0.1), $auth_runs calls per"
echo "protocol after two warm-ups, wall time in ms"
for protocol in http https; do
  client=$(protocol_figures "$protocol" "$client_calls")
  minimal=$(protocol_figures "$protocol" "$minimal_calls")
  echo
  echo "${protocol^^} (port $([ "$protocol" = http ] && echo "$http_port" || echo "$https_port"))"
  row "" "median" "min" "max"
  time_row "bench_auth.exe (authenticate)" "$client"
  time_row "bench_wininet.exe (same GET, WinINet)" "$minimal"
  row "ratio of medians" "$(ratio "$client" "$minimal")" "" ""
  if command -v curl >/dev/null; then
    [ "$protocol" = http ] && time_row "curl, outside Wine (context)" "$curl_http"
    [ "$protocol" = https ] && time_row "curl, outside Wine (context)" "$curl_https"
  else
    row "curl: not installed, skipped" "" "" ""
  fi
done

parse=$(build/native/tools/bench/native/parse_bench) || die "parse_bench failed"
read -r _ typical_bytes _ _ typical_ns _ typical_runs < <(grep '^typical ' <<<"$parse")
read -r _ large_bytes _ _ large_ms _ large_runs < <(grep '^large ' <<<"$parse")
echo
echo "Parsing the field answer (native, -O2, LineSplitter + applyAuthLine in 1024-byte chunks)"
row "typical answer ($typical_bytes bytes, $typical_runs runs)" "$typical_ns" "ns/answer" ""
row "large answer ($large_bytes bytes, $large_runs runs)" "$large_ms" "ms/MB" ""
echo
echo "Benchmark run took $((SECONDS - started)) s"
