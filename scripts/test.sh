#!/usr/bin/env bash
# Builds everything and runs every test: unit, JVM and end-to-end in a real Apache.
# Extra arguments go to ctest (for example -L unit, or -R Cookie).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(bash "$root/scripts/build.sh")
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
