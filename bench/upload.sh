#!/usr/bin/env bash
# Streams a multipart upload (1 GiB by default) through mod_morvane and prints
# the throughput and the serving child's peak RSS growth during the upload.
#   bench/upload.sh [size-in-MiB]
# Sourced by bench/run.sh for send_upload and measure_upload alone.

boundary=MorvaneBenchBoundary
# send_upload PORT MIB: sends a multipart upload of MIB MiB of zeros to /app;
# prints what the Java side counted.
send_upload() {
  { printf -- '--%s\r\nContent-Disposition: form-data; name="file"; filename="big.bin"\r\n' "$boundary"
    printf 'Content-Type: application/octet-stream\r\n\r\n'
    head -c "$(($2 * 1024 * 1024))" /dev/zero
    printf -- '\r\n--%s--\r\n' "$boundary"; } |
  curl -sf -X POST -T - -H "Content-Type: multipart/form-data; boundary=$boundary" "http://127.0.0.1:$1/app"
}

# measure_upload NAME MIB: one upload of MIB MiB through instance NAME, while
# sampling its child's resident set every 20 ms. Sets upload_secs,
# upload_counted (bytes the Java side saw), upload_base_kib and upload_peak_kib.
measure_upload() {
  local child peak_file sampler start end
  child=$(child_pid "$1")
  upload_base_kib=$(rss_kib "$child")
  peak_file="$work/$1/peak"
  echo "$upload_base_kib" > "$peak_file"
  ( while kill -0 "$child" 2>/dev/null; do
      rss=$(rss_kib "$child" 2>/dev/null || echo 0)
      [ "${rss:-0}" -gt "$(cat "$peak_file")" ] && echo "$rss" > "$peak_file"
      sleep 0.02
    done ) &
  sampler=$!
  start=$(date +%s.%N)
  upload_counted=$(send_upload "$(bench_port "$1")" "$2")
  end=$(date +%s.%N)
  kill "$sampler" 2>/dev/null || true
  wait "$sampler" 2>/dev/null || true
  upload_peak_kib=$(cat "$peak_file")
  upload_secs=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  size_mib=${1:-1024}
  source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
  morvane_config | bench_configure upload "$base_port"
  bench_start upload
  # Start the JVM and let its heap settle with a first upload: the growth then
  # measured is what the connector holds on to, not the JVM sizing its young
  # generation on its first large upload.
  send_upload "$base_port" "${MORVANE_BENCH_WARMUP_MIB:-512}" >/dev/null
  measure_upload upload "$size_mib"
  awk -v mib="$size_mib" -v secs="$upload_secs" -v base="$upload_base_kib" -v peak="$upload_peak_kib" \
      -v got="$upload_counted" 'BEGIN {
    printf "upload size:         %d MiB (Java counted %s bytes)\n", mib, got
    printf "time:                %.2f s\n", secs
    printf "throughput:          %.0f MiB/s\n", mib / secs
    printf "child RSS baseline:  %.1f MiB\n", base / 1024
    printf "child RSS growth:    %.1f MiB (peak %.1f MiB; target under 16 MiB)\n", (peak - base) / 1024, peak / 1024
  }'
fi
