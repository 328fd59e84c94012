#!/usr/bin/env bash
# Where the time of mod_morvane's requests goes: the server's one child is
# sampled with perf on the CPU clock (hardware counters are not available to
# perf on this kind of machine) while wrk drives it, after a warm-up that lets
# the JIT compile the Java side. Prints the time by library and the top
# functions. Java code that the JIT compiled has no symbols: it shows up as
# "[JIT] tid N".
#   bench/profile.sh [post|get] [seconds]        (default: post 10)
set -euo pipefail
kind=${1:-post}
seconds=${2:-10}
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$bench/common.sh"

morvane_config | bench_configure profile $((base_port + 6))
url="http://127.0.0.1:$(bench_port profile)/app"
write_post_script "$work/post.lua" 65536
wrk_script=()
[ "$kind" = post ] && wrk_script=(-s "$work/post.lua")

bench_start profile
wrk -t2 -c32 -d5s "${wrk_script[@]}" "$url" > /dev/null
child=$(child_pid profile)
echo "profile: sampling the child ($child) for $seconds s of $kind requests" >&2
wrk -t2 -c32 -d"$((seconds + 2))s" "${wrk_script[@]}" "$url" > "$work/profile/wrk.txt" &
wrk_pid=$!
sleep 1
perf record -q -e cpu-clock -F 2000 -g -p "$child" -o "$work/profile/perf.data" -- sleep "$seconds" 2>/dev/null
wait "$wrk_pid"
grep 'Requests/sec' "$work/profile/wrk.txt"

echo
echo "share of the child's CPU time by library:"
perf report -i "$work/profile/perf.data" --stdio --no-children --sort dso 2>/dev/null |
  grep -E '^ +[0-9.]+%' | awk 'n++ < 12'
echo
echo "top functions (self time):"
perf report -i "$work/profile/perf.data" --stdio --no-children --sort dso,symbol -g none 2>/dev/null |
  grep -E '^ +[0-9.]+%' | awk 'n++ < 30'
