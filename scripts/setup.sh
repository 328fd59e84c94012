#!/usr/bin/env bash
# Installs, only when missing, the Debian packages that the build, the tests and the
# benchmarks need. Safe to run again: a machine that has everything is left untouched.
set -euo pipefail

packages=(
  cmake g++ make
  apache2 apache2-dev libapr1-dev libaprutil1-dev
  openjdk-17-jdk-headless
  libgtest-dev curl
  g++-mingw-w64-x86-64-posix wine64
  wrk linux-perf
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  as_root=()
  [[ $(id -u) -eq 0 ]] || as_root=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
