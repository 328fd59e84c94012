#!/usr/bin/env bash
# The benchmark: one command that installs what is missing, builds the module,
# starts its own Apache instances on loopback (never the system's) and prints
# one table, every figure taken in this run:
#   - small GET (13 bytes) through mod_morvane, a native C handler (the floor of
#     any Apache handler), a static file, and mod_proxy_http to the JDK's HTTP
#     server running the same Java logic;
#   - a 64 KiB POST, echoed, through mod_morvane, the native handler and the proxy;
#   - a 1 GiB streamed upload: throughput and the child's peak RSS growth,
#     with a fresh JVM, once its heap has settled, and with a fixed young generation;
#   - first-request latency: from Apache's start to the first routed answer.
#
#   bench/run.sh
# Environment: MORVANE_BENCH_SECONDS (10, per wrk figure), MORVANE_BENCH_WARMUP
# (3, seconds of wrk before each figure), MORVANE_BENCH_CONNECTIONS (32),
# MORVANE_BENCH_THREADS (2, wrk's), MORVANE_BENCH_UPLOAD_MIB (1024),
# MORVANE_BENCH_FIRST_RUNS (5), MORVANE_BENCH_PORT (18480, the first of five),
# MORVANE_BENCH_KEEP (keep the work directory).
set -euo pipefail
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$bench/common.sh"
source "$bench/upload.sh"

seconds=${MORVANE_BENCH_SECONDS:-10}
warmup=${MORVANE_BENCH_WARMUP:-3}
connections=${MORVANE_BENCH_CONNECTIONS:-32}
wrk_threads=${MORVANE_BENCH_THREADS:-2}
upload_mib=${MORVANE_BENCH_UPLOAD_MIB:-1024}
first_runs=${MORVANE_BENCH_FIRST_RUNS:-5}
post_bytes=65536
hello="Hello, world!"

say() { echo "bench: $*" >&2; }

# --- the variants ------------------------------------------------------------

# The native handler, compiled against this machine's Apache and APR headers.
mkdir -p "$work/native"
gcc -O2 -fPIC -shared -Wall -I"$(apxs -q INCLUDEDIR)" $(apr-1-config --includes --cppflags) \
  $(apu-1-config --includes) -o "$work/native/mod_bench_hello.so" "$bench/native/mod_bench_hello.c"
chmod -R a+rX "$work/native"

morvane_config | bench_configure morvane "$base_port"
bench_configure native $((base_port + 1)) <<CONF
LoadModule bench_hello_module $work/native/mod_bench_hello.so
<Location /app>
  SetHandler bench-hello
</Location>
CONF
bench_configure static $((base_port + 2)) </dev/null
printf '%s' "$hello" > "$work/static/htdocs/hello.txt"
chmod -R a+rX "$work/static/htdocs"
backend_port=$((base_port + 4))
bench_configure proxy $((base_port + 3)) <<CONF
LoadModule proxy_module $apache_modules/mod_proxy.so
LoadModule proxy_http_module $apache_modules/mod_proxy_http.so
ProxyPass /app http://127.0.0.1:$backend_port/app
CONF

# The proxy's backend: the JDK's HTTP server with as many threads as Apache has.
# Without TCP_NODELAY it writes the headers and the body of a small answer in
# two segments, and the second waits for the proxy's delayed ACK: 40 ms per
# request. Anyone who puts it behind a proxy sets this, so the figure does too.
backend_pid=
start_backend() {
  "$java_home/bin/java" -Dsun.net.httpserver.nodelay=true -cp "$work/classes" \
    morvaneBench.BenchHttpServer "$backend_port" 64 \
    > "$work/backend.log" 2>&1 &
  backend_pid=$!
  for _ in $(seq 200); do
    grep -q '^listening' "$work/backend.log" && return 0
    sleep 0.05
  done
  say "the JDK HTTP server did not come up; see $work/backend.log"
  return 1
}
stop_backend() {
  [ -n "$backend_pid" ] || return 0
  kill "$backend_pid" 2>/dev/null || true
  wait "$backend_pid" 2>/dev/null || true
  backend_pid=
}
trap 'stop_backend; bench_cleanup' EXIT

# --- checks and measurements -------------------------------------------------

head -c "$post_bytes" /dev/zero | tr '\0' 'a' > "$work/post.body"
write_post_script "$work/post.lua" "$post_bytes"

# A figure is worthless if the variant answers something else: check first.
check_answers() {
  local url=$1 got
  got=$(curl -sf "$url") || { say "GET $url failed"; return 1; }
  [ "$got" = "$hello" ] || { say "GET $url answered '$got'"; return 1; }
  [ "$2" = get ] && return 0
  curl -sf -H 'Content-Type: application/x-www-form-urlencoded' --data-binary @"$work/post.body" "$url" \
    | cmp -s - "$work/post.body" || { say "POST $url did not echo the body"; return 1; }
}

declare -A rps p50 p99 bad
# measure KEY URL [LUA]: a warm-up, then one wrk figure.
measure() {
  local key=$1 url=$2 script=() out
  [ $# -ge 3 ] && script=(-s "$3")
  wrk -t"$wrk_threads" -c"$connections" -d"${warmup}s" "${script[@]}" "$url" >/dev/null
  say "$key: ${seconds} s of wrk"
  out=$(wrk -t"$wrk_threads" -c"$connections" -d"${seconds}s" --latency "${script[@]}" "$url")
  echo "$out" > "$work/wrk-$key.txt"
  read -r rps[$key] p50[$key] p99[$key] bad[$key] < <(awk '
    function ms(v) {
      if (v ~ /us$/) return v / 1000; if (v ~ /ms$/) return v + 0; if (v ~ /s$/) return v * 1000
      return v
    }
    $1 == "50%" { p50 = ms($2) }  $1 == "99%" { p99 = ms($2) }
    /^Requests\/sec:/ { rps = $2 }
    /Non-2xx or 3xx responses:/ { bad += $NF }
    /Socket errors:/ { gsub(/,/, ""); bad += $4 + $6 + $8 + $10 }
    END { printf "%s %s %s %d\n", rps, p50, p99, bad }' <<<"$out")
}

# Apache's start to the first answer of $2 on instance $1, in ms; the instance
# is stopped afterwards. Sets first_total_ms and first_request_ms (the
# answering request alone).
first_answer() {
  local name=$1 url=$2 t0 t1 timing
  t0=$(date +%s%N)
  /usr/sbin/apache2 -f "$work/$name/httpd.conf" -k start
  started_instances+=("$name")
  for _ in $(seq 2000); do
    timing=$(curl -s -o /dev/null -w '%{http_code} %{time_total}' "$url" || true)
    [ "${timing%% *}" = 200 ] && break
    sleep 0.005
  done
  t1=$(date +%s%N)
  [ "${timing%% *}" = 200 ] || { say "no answer from $url"; return 1; }
  first_total_ms=$(( (t1 - t0) / 1000000 ))
  first_request_ms=$(awk -v t="${timing#* }" 'BEGIN { printf "%d", t * 1000 }')
  bench_stop "$name"
}
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# --- the run -----------------------------------------------------------------

# One instance at a time, so that no idle server or JVM shares the two cores
# with the one measured.
url_of() { echo "http://127.0.0.1:$(bench_port "$1")$2"; }

bench_start native
check_answers "$(url_of native /app)" post
measure get_native "$(url_of native /app)"
measure post_native "$(url_of native /app)" "$work/post.lua"
bench_stop native

bench_start static
check_answers "$(url_of static /hello.txt)" get
measure get_static "$(url_of static /hello.txt)"
bench_stop static

bench_start morvane
check_answers "$(url_of morvane /app)" post
measure get_morvane "$(url_of morvane /app)"
measure post_morvane "$(url_of morvane /app)" "$work/post.lua"
bench_stop morvane

start_backend
bench_start proxy
check_answers "$(url_of proxy /app)" post
measure get_proxy "$(url_of proxy /app)"
measure post_proxy "$(url_of proxy /app)" "$work/post.lua"
bench_stop proxy
stop_backend

# The upload, on a fresh instance: the first upload meets a young JVM, which
# touches the pages of its committed heap for the first time as G1 hands out
# fresh regions (the cold figure). G1 goes on sizing its young generation for a
# while, so the steady figure is the third upload. The last figure is a fresh
# JVM that touched its whole heap at start (JAVA_TOOL_OPTIONS=
# -XX:+AlwaysPreTouch): what the child grows by then is everything but that.
say "upload: 4 x $upload_mib MiB"
morvane_config | bench_configure upload $((base_port + 5))
bench_start upload
curl -sf -o /dev/null "$(url_of upload /app)"
measure_upload upload "$upload_mib"
cold=("$upload_secs" "$upload_base_kib" "$upload_peak_kib" "$upload_counted")
measure_upload upload "$upload_mib"
measure_upload upload "$upload_mib"
steady=("$upload_secs" "$upload_base_kib" "$upload_peak_kib" "$upload_counted")
bench_stop upload
JAVA_TOOL_OPTIONS=-XX:+AlwaysPreTouch bench_start upload
curl -sf -o /dev/null "$(url_of upload /app)"
measure_upload upload "$upload_mib"
fixed=("$upload_secs" "$upload_base_kib" "$upload_peak_kib" "$upload_counted")
bench_stop upload
expected_upload=$((upload_mib * 1024 * 1024))
for counted in "${cold[3]}" "${steady[3]}" "${fixed[3]}"; do
  [ "$counted" -ge "$expected_upload" ] || { say "the Java side counted $counted bytes of the upload"; exit 1; }
done

say "first request: $first_runs starts each"
first_morvane_total=() first_morvane_request=() first_native_total=()
for _ in $(seq "$first_runs"); do
  first_answer morvane "$(url_of morvane /app)"
  first_morvane_total+=("$first_total_ms"); first_morvane_request+=("$first_request_ms")
  first_answer native "$(url_of native /app)"
  first_native_total+=("$first_total_ms")
done

# --- the table ---------------------------------------------------------------

row() {  # label key
  printf '%-44s %10.0f %8.2f %8.2f%s\n' "$1" "${rps[$2]}" "${p50[$2]}" "${p99[$2]}" \
    "$( [ "${bad[$2]}" -gt 0 ] && echo "   (${bad[$2]} errors or non-2xx!)" )"
}
ratio() {  # label numerator denominator target
  awk -v l="$1" -v a="${rps[$2]}" -v b="${rps[$3]}" -v t="$4" 'BEGIN {
    r = a / b
    printf "  %-42s %9.2fx   target >= %.1fx: %s\n", l, r, t, (r >= t ? "met" : "MISSED") }'
}
upload_row() {  # label secs base peak
  awk -v l="$1" -v mib="$upload_mib" -v s="$2" -v base="$3" -v peak="$4" 'BEGIN {
    g = (peak - base) / 1024
    printf "%-44s %6.0f MiB/s   RSS %6.1f -> %6.1f MiB, growth %5.1f MiB (target < 16: %s)\n",
      l, mib / s, base / 1024, peak / 1024, g, (g < 16 ? "met" : "MISSED") }'
}

echo
echo "mod_morvane benchmark: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) cores, $(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "$(/usr/sbin/apache2 -v | sed -n 's/^Server version: //p'), event MPM, 1 child x 64 threads; $("$java_home/bin/java" -version 2>&1 | sed -n 's/^OpenJDK Runtime Environment (build \(.*\))/OpenJDK \1/p')"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (anything else running shares the two cores)"
echo "wrk -t$wrk_threads -c$connections -d${seconds}s after ${warmup} s of warm-up, loopback, keep-alive"
echo
printf '%-44s %10s %8s %8s\n' "small GET (13 bytes)" "req/s" "p50 ms" "p99 ms"
row "  mod_morvane (Java in process)" get_morvane
row "  native C handler (floor)" get_native
row "  static file" get_static
row "  mod_proxy_http -> JDK HttpServer" get_proxy
ratio "mod_morvane / native" get_morvane get_native 0.9
ratio "mod_morvane / proxy" get_morvane get_proxy 2
awk -v a="${rps[get_morvane]}" -v b="${rps[get_static]}" 'BEGIN { printf "  %-42s %9.2fx\n", "mod_morvane / static file", a / b }'
echo
printf '%-44s %10s %8s %8s\n' "POST 64 KiB, echoed" "req/s" "p50 ms" "p99 ms"
row "  mod_morvane (Java in process)" post_morvane
row "  native C handler (floor)" post_native
row "  mod_proxy_http -> JDK HttpServer" post_proxy
ratio "mod_morvane / proxy" post_morvane post_proxy 1.5
awk -v a="${rps[post_morvane]}" -v b="${rps[post_native]}" 'BEGIN { printf "  %-42s %9.2fx\n", "mod_morvane / native", a / b }'
echo
echo "upload of $upload_mib MiB, multipart, streamed (one client)"
upload_row "  fresh JVM (first large upload)" "${cold[0]}" "${cold[1]}" "${cold[2]}"
upload_row "  steady (third upload)" "${steady[0]}" "${steady[1]}" "${steady[2]}"
upload_row "  fresh JVM, -XX:+AlwaysPreTouch" "${fixed[0]}" "${fixed[1]}" "${fixed[2]}"
echo
echo "first request: Apache's start to the first answer, median of $first_runs starts"
printf '  %-42s %6d ms (the answering request alone: %d ms)\n' "mod_morvane (JVM created on it)" \
  "$(echo "${first_morvane_total[*]}" | median)" "$(echo "${first_morvane_request[*]}" | median)"
printf '  %-42s %6d ms\n' "native C handler, for reference" "$(echo "${first_native_total[*]}" | median)"
echo "  all runs, mod_morvane: ${first_morvane_total[*]} ms"
