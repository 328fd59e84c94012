#!/usr/bin/env bash
# Installs what is missing, builds the module and the sample application, and
# runs the demo server on http://127.0.0.1:8080/app/ until Ctrl-C.
# MORVANE_DEMO_PORT changes the port.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(bash "$root/scripts/build.sh")
exec bash "$root/demo/run-demo.sh" "$build"
