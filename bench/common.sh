# Shared by the benchmark scripts: build, a private Apache on loopback with
# mod_morvane and the lean benchmark connector, and its children's memory.
# Source it; it defines the functions below and leaves the server running
# until bench_stop (an EXIT trap calls it).

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(bash "$root/scripts/build.sh")
port=${MORVANE_BENCH_PORT:-18480}
work=$(mktemp -d /tmp/morvane-bench-XXXXXX)
chmod 755 "$work"
mkdir -m 777 "$work/var"

javac_bin=/usr/lib/jvm/java-17-openjdk-amd64/bin/javac
"$javac_bin" -nowarn -d "$work/classes" "$root"/bench/java/morvaneFramework/*.java \
  "$root"/bench/java/morvaneConnector/*.java
chmod -R a+rX "$work/classes"
echo "<bench/>" > "$work/app.xml"
chmod 644 "$work/app.xml"

# Writes the server configuration: one child, so one JVM serves every request.
# Extra configuration lines come on standard input.
bench_configure() {
  cat > "$work/httpd.conf" <<CONF
ServerRoot "$work"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile "$work/httpd.pid"
ErrorLog "$work/error.log"
DefaultRuntimeDir "$work"
DocumentRoot "$work/htdocs"
LoadModule mpm_event_module /usr/lib/apache2/modules/mod_mpm_event.so
LoadModule authz_core_module /usr/lib/apache2/modules/mod_authz_core.so
StartServers 1
ServerLimit 1
ThreadsPerChild 64
MaxRequestWorkers 64
MinSpareThreads 1
MaxSpareThreads 64
# Uploads of any size; Apache's own default stops at 1 GiB.
LimitRequestBody 0
$( [ "$(id -u)" = 0 ] && printf 'User www-data\nGroup www-data\n' )
LoadModule morvane_module "$build/modules/mod_morvane.so"
JVM /usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so
classpath $work/classes
LogFile $work/var/morvane.log
MorvaneConfigXML $work/app.xml
<Location /app>
  SetHandler morvane-handler
</Location>
$(cat)
CONF
  mkdir -p "$work/htdocs"
}

bench_start() {
  /usr/sbin/apache2 -f "$work/httpd.conf" -k start
  for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port/" && return 0
    sleep 0.1
  done
  echo "bench: apache2 did not come up; see $work/error.log" >&2
  return 1
}

bench_stop() {
  [ -f "$work/httpd.pid" ] && /usr/sbin/apache2 -f "$work/httpd.conf" -k stop 2>/dev/null
  for _ in $(seq 50); do [ -f "$work/httpd.pid" ] || break; sleep 0.1; done
}
trap 'bench_stop; rm -rf "$work"' EXIT

# The resident set of the server's one child, in KiB.
child_pid() { pgrep -P "$(cat "$work/httpd.pid")" | head -n 1; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
