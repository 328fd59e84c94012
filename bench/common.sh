# Shared by the benchmark scripts: the build, the benchmark's Java classes and
# private Apache instances on loopback, each with its own directory, port and
# configuration, and their children's memory. Source it; it defines the
# functions below, and an EXIT trap stops every instance it started.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d /tmp/morvane-bench-XXXXXX)
# Apache's children run as www-data when started as root: everything they read
# lives under this directory, world-readable.
chmod 755 "$work"
started_instances=()
trap 'bench_cleanup' EXIT

bench_cleanup() {
  local name
  for name in "${started_instances[@]}"; do bench_stop "$name"; done
  if [ -z "${MORVANE_BENCH_KEEP:-}" ]; then rm -rf "$work"; else echo "bench: kept $work" >&2; fi
}

if ! build=$(bash "$root/scripts/build.sh" 2>"$work/build.log"); then
  cat "$work/build.log" >&2
  exit 1
fi
apache_modules=/usr/lib/apache2/modules
java_home=/usr/lib/jvm/java-17-openjdk-amd64
base_port=${MORVANE_BENCH_PORT:-18480}

"$java_home/bin/javac" -nowarn -d "$work/classes" \
  "$root"/bench/java/morvaneFramework/*.java "$root"/bench/java/morvaneConnector/*.java \
  "$root"/bench/java/morvaneBench/*.java
chmod -R a+rX "$work/classes"
echo "<bench/>" > "$work/app.xml"
chmod 644 "$work/app.xml"

# The lines that load mod_morvane with the benchmark's connector and route
# /app to it.
morvane_config() {
  cat <<CONF
LoadModule morvane_module "$build/modules/mod_morvane.so"
JVM $java_home/lib/server/libjvm.so
classpath $work/classes
LogFile $work/var/morvane.log
MorvaneConfigXML $work/app.xml
<Location /app>
  SetHandler morvane-handler
</Location>
CONF
}
mkdir -m 777 "$work/var"

# bench_configure NAME PORT: writes the configuration of instance NAME, which
# listens on PORT; its own lines come on standard input. Every instance has the
# same MPM and sizing: event, one child, 64 threads. One child means one JVM
# serves every request, and every variant gets the same threads to work with.
bench_configure() {
  local name=$1 port=$2 dir="$work/$1"
  mkdir -p "$dir/htdocs"
  cat > "$dir/httpd.conf" <<CONF
ServerRoot "$dir"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile "$dir/httpd.pid"
ErrorLog "$dir/error.log"
DefaultRuntimeDir "$dir"
DocumentRoot "$dir/htdocs"
LoadModule mpm_event_module $apache_modules/mod_mpm_event.so
LoadModule authz_core_module $apache_modules/mod_authz_core.so
StartServers 1
ServerLimit 1
ThreadsPerChild 64
MaxRequestWorkers 64
MinSpareThreads 1
MaxSpareThreads 64
# wrk keeps its connections open; Apache's default closes one after 100 requests.
MaxKeepAliveRequests 0
# Uploads of any size; Apache's own default stops at 1 GiB.
LimitRequestBody 0
$( [ "$(id -u)" = 0 ] && printf 'User www-data\nGroup www-data\n' )
$(cat)
CONF
  echo "$port" > "$dir/port"
}

bench_port() { cat "$work/$1/port"; }

# bench_start NAME: starts the instance and waits until it answers.
bench_start() {
  local dir="$work/$1"
  /usr/sbin/apache2 -f "$dir/httpd.conf" -k start
  started_instances+=("$1")
  for _ in $(seq 200); do
    curl -s -o /dev/null "http://127.0.0.1:$(bench_port "$1")/" && return 0
    sleep 0.05
  done
  echo "bench: apache2 '$1' did not come up; see $dir/error.log" >&2
  return 1
}

# bench_stop NAME: stops the instance (by its pid file) and waits until it is gone.
bench_stop() {
  local dir="$work/$1"
  [ -f "$dir/httpd.pid" ] || return 0
  /usr/sbin/apache2 -f "$dir/httpd.conf" -k stop 2>/dev/null || true
  for _ in $(seq 100); do [ -f "$dir/httpd.pid" ] || return 0; sleep 0.05; done
}

# write_post_script FILE BYTES: a wrk script that POSTs a form body of BYTES
# bytes, which the benchmark's Java logic echoes back.
write_post_script() {
  cat > "$1" <<LUA
wrk.method = "POST"
wrk.body = string.rep("a", $2)
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA
}

# The instance's one child process, and a process's resident set in KiB.
child_pid() { pgrep -P "$(cat "$work/$1/httpd.pid")" | head -n 1; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
