#!/usr/bin/env bash
# Runs the demo on an already built tree: its own Apache (event MPM) with
# mod_morvane and the sample Java application, in the foreground until Ctrl-C.
#   demo/run-demo.sh BUILD_DIR
# MORVANE_DEMO_PORT (default 8080) and MORVANE_DEMO_DIR (default
# /tmp/morvane-demo) change where it listens and where it keeps its files.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:?usage: run-demo.sh BUILD_DIR}" && pwd)
port=${MORVANE_DEMO_PORT:-8080}
dir=${MORVANE_DEMO_DIR:-/tmp/morvane-demo}
libjvm=/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so

# Apache's children run as www-data when started by root: everything they read
# must be readable by it, and the logs and uploads writable.
rm -rf "$dir/classes"
mkdir -p "$dir/htdocs" "$dir/logs" "$dir/uploads"
chmod 755 "$dir" "$dir/htdocs"
chmod 777 "$dir/logs" "$dir/uploads"
cp -r "$build/demo/classes" "$dir/classes"
chmod -R a+rX "$dir/classes"
printf '<demo title="Morvane demo" uploadDir="%s/uploads"/>\n' "$dir" > "$dir/app.xml"
chmod 644 "$dir/app.xml"

user=""
[ "$(id -u)" = 0 ] && user=$'User www-data\nGroup www-data'
sed -e "s|@DIR@|$dir|g" -e "s|@LISTEN@|127.0.0.1:$port|g" -e "s|@MODULE@|$build/modules/mod_morvane.so|g" \
    -e "s|@LIBJVM@|$libjvm|g" -e "s|@USER@|${user//$'\n'/\\n}|g" \
    "$root/demo/httpd.conf.in" > "$dir/httpd.conf"
if ! check=$(/usr/sbin/apache2 -t -f "$dir/httpd.conf" 2>&1); then
  echo "$check" >&2
  exit 1
fi

/usr/sbin/apache2 -f "$dir/httpd.conf" -DFOREGROUND &
server=$!
stop() {
  trap - INT TERM
  echo "Stopping the demo server..."
  kill -TERM "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  echo "Stopped."
  exit 0
}
trap stop INT TERM

# Ready once it answers; the JVM itself starts with the first page.
for _ in $(seq 150); do
  curl -s -o /dev/null "http://127.0.0.1:$port/" && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "The demo server did not start; see $dir/logs/error.log" >&2
    exit 1
  fi
  sleep 0.1
done

cat <<INFO
Morvane demo
  open:        http://127.0.0.1:$port/app/
  Apache log:  $dir/logs/error.log and $dir/logs/access.log
  Java log:    $dir/logs/morvane.log
  uploads:     $dir/uploads
  config:      $dir/httpd.conf
Press Ctrl-C to stop.
INFO
wait "$server"
