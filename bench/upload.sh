#!/usr/bin/env bash
# Streams a multipart upload (1 GiB by default) through mod_morvane and prints
# the throughput and the serving child's peak RSS growth during the upload.
#   bench/upload.sh [size-in-MiB]
set -euo pipefail
size_mib=${1:-1024}
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

boundary=MorvaneBenchBoundary
# Sends a multipart upload of $1 MiB of zeros; prints what the Java side counted.
send_upload() {
  { printf -- '--%s\r\nContent-Disposition: form-data; name="file"; filename="big.bin"\r\n' "$boundary"
    printf 'Content-Type: application/octet-stream\r\n\r\n'
    head -c "$(($1 * 1024 * 1024))" /dev/zero
    printf -- '\r\n--%s--\r\n' "$boundary"; } |
  curl -sf -X POST -T - -H "Content-Type: multipart/form-data; boundary=$boundary" "http://127.0.0.1:$port/app"
}

bench_configure </dev/null
bench_start
# Start the JVM and let its heap settle with a first upload: the growth then
# measured is what the connector holds on to, not the JVM sizing its heap.
send_upload "${MORVANE_BENCH_WARMUP_MIB:-512}" >/dev/null
child=$(child_pid)
baseline=$(rss_kib "$child")

peak_file="$work/peak"
echo "$baseline" > "$peak_file"
( while kill -0 "$child" 2>/dev/null; do
    rss=$(rss_kib "$child" 2>/dev/null || echo 0)
    [ "${rss:-0}" -gt "$(cat "$peak_file")" ] && echo "$rss" > "$peak_file"
    sleep 0.02
  done ) &
sampler=$!

start=$(date +%s.%N)
answer=$(send_upload "$size_mib")
end=$(date +%s.%N)
kill "$sampler" 2>/dev/null || true
wait "$sampler" 2>/dev/null || true

peak=$(cat "$peak_file")
awk -v mib="$size_mib" -v s="$start" -v e="$end" -v base="$baseline" -v peak="$peak" -v got="$answer" 'BEGIN {
  secs = e - s
  printf "upload size:         %d MiB (Java counted %s bytes)\n", mib, got
  printf "time:                %.2f s\n", secs
  printf "throughput:          %.0f MiB/s\n", mib / secs
  printf "child RSS baseline:  %.1f MiB\n", base / 1024
  printf "child RSS growth:    %.1f MiB (peak %.1f MiB; target under 16 MiB)\n", (peak - base) / 1024, peak / 1024
}'
