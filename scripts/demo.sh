#!/usr/bin/env bash
# Builds the module and checks a sample server configuration that loads it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(bash "$root/scripts/build.sh")

demo="$build/demo"
mkdir -p "$demo"
sed -e "s|@MODULE@|$build/modules/mod_morvane.so|g" -e "s|@DEMO@|$demo|g" \
    "$root/demo/sample.conf.in" > "$demo/httpd.conf"
echo "Checking $demo/httpd.conf with apache2 -t"
/usr/sbin/apache2 -t -f "$demo/httpd.conf"
