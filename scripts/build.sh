#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into
# ${MORVANE_BUILD_DIR:-<checkout>/build}. Prints the build directory last.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${MORVANE_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >&2
echo "$build"
