#!/usr/bin/env bash
# The weather program against a real HTTP server: Debian's nginx on 127.0.0.1 serves the
# shipped LEAL page at the request's path; the program's box must show nginx's status line,
# headers and the page, and nginx must log exactly one request answered with 200.
#   nginx_interop.sh WEATHER_EXE BOXREADER_EXE LEAL_REPLY
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
weather=$1 boxreader=$2 reply=$3
tmp=$(mktemp -d)
nginx_pid=
failures=0
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

report() {  # a GoogleTest-style report, so the test summary counts this case
  local out=${GTEST_OUTPUT:-}
  out=${out#xml:}
  out=${out#Z:}
  [ -n "$out" ] || return 0
  mkdir -p "$out"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuites tests="1" failures="%d" disabled="0" errors="0" name="nginx_interop">\n</testsuites>\n' \
    $((failures > 0 ? 1 : 0)) >"$out/nginx_interop.xml"
}

mkdir -p "$tmp/www/adds/metars" "$tmp/logs"
# The page is the shipped reply's body: everything after the first empty line.
awk 'body { print; next } /^\r?$/ { body = 1 }' "$reply" >"$tmp/www/adds/metars/index.php"
page_line=$(grep -m1 'LEAL 081330Z' "$tmp/www/adds/metars/index.php" | tr -d '\r')

for attempt in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  cat >"$tmp/nginx.conf" <<CONF
user root;
daemon off;
worker_processes 1;
pid $tmp/nginx.pid;
error_log $tmp/logs/error.log;
events { worker_connections 16; }
http {
  access_log $tmp/logs/access.log;
  client_body_temp_path $tmp/body;
  proxy_temp_path $tmp/proxy;
  fastcgi_temp_path $tmp/fastcgi;
  uwsgi_temp_path $tmp/uwsgi;
  scgi_temp_path $tmp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $tmp/www;
    default_type text/html;
  }
}
CONF
  /usr/sbin/nginx -p "$tmp" -c "$tmp/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break 2
    kill -0 "$nginx_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$nginx_pid" 2>/dev/null
  wait "$nginx_pid" 2>/dev/null
  nginx_pid=
done
if [ -z "$nginx_pid" ]; then
  fail "nginx did not start"
  report
  exit 1
fi

WEATHER_HOST=127.0.0.1 WEATHER_PORT=$port "$root/scripts/wine-run" "$weather" &
program=$!
box=$("$root/scripts/wine-run" "$boxreader" --title Alert --timeout 60)
reader=$?
wait "$program"
status=$?

[ $reader = 0 ] || fail "no box appeared (box reader exit $reader)"
[ $status = 0 ] || fail "the program ended with $status"
grep -qx 'title: Alert' <<<"$box" || fail "title: $(grep '^title:' <<<"$box")"
text=$(grep '^text: ' <<<"$box")
case "$text" in
  'text: \r\nHTTP/1.1 200 OK\r\nServer: nginx'*) ;;
  *) fail "the box does not start with a line break and nginx's status line: ${text:0:80}" ;;
esac
grep -qF 'Content-Type: text/html' <<<"$text" || fail "no Content-Type header in the box"
grep -qF "$page_line" <<<"$text" || fail "the page's METAR line is not in the box"
requests=$(wc -l <"$tmp/logs/access.log")
[ "$requests" = 1 ] || fail "nginx logged $requests requests"
grep -qF '"GET /adds/metars/index.php?submit=1&station_ids=LEAL&chk_metars=on&chk_tafs=on&hoursStr=3 HTTP/1.1" 200 ' \
  "$tmp/logs/access.log" || fail "nginx's log: $(cat "$tmp/logs/access.log")"

report
[ $failures = 0 ] && echo "nginx interop: passed" && exit 0
exit 1
