#!/usr/bin/env bash
# The main job: fetch pages into a retrieval archive and serve it to the browser.
#
# The run driver, the page scan and the summary page are still being built,
# so the demo brief cannot run yet. Until it can, this shows the parts that
# work, end to end on this machine:
#   1. the page store writes real HTML into an archive and reads it back;
#   2. the fetcher fetches pages from a local web server (nginx serving the
#      Python documentation) into a retrieval archive;
#   3. RVServer serves that archive on 127.0.0.1 to your browser.
# Pass --no-wait to stop the server at the end instead of serving until Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

wait_for_user=1
[ "${1:-}" = "--no-wait" ] && wait_for_user=0

cmake -S . -B build -G Ninja >/dev/null
cmake --build build

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo/nginx" "$demo/config/Marrowby Works" "$demo/run" "$demo/Briefs"
chmod 700 "$demo/run"

free_port() {
    local port=$1
    while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
    echo "$port"
}

echo
echo "== 1. The page store on real HTML"
build/bench/store-bench --quick

docs=/usr/share/doc/python3-doc/html
origin_port=$(free_port 18080)
cat > "$demo/nginx/nginx.conf" <<CONF
worker_processes 1;
pid $demo/nginx/nginx.pid;
error_log $demo/nginx/error.log;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path $demo/nginx;
    proxy_temp_path $demo/nginx;
    fastcgi_temp_path $demo/nginx;
    uwsgi_temp_path $demo/nginx;
    scgi_temp_path $demo/nginx;
    types { text/html html; text/css css; application/javascript js; image/png png; }
    server { listen 127.0.0.1:$origin_port; root $docs; }
}
CONF
server_port=$(free_port 18888)
cleanup() {
    [ -f "$demo/nginx/nginx.pid" ] && kill "$(cat "$demo/nginx/nginx.pid")" 2>/dev/null || true
    [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
}
trap cleanup EXIT
/usr/sbin/nginx -c "$demo/nginx/nginx.conf" -e "$demo/nginx/error.log"

echo
echo "== 2. Fetching pages from a local web server (nginx on port $origin_port)"
archive=$demo/Briefs/Demo.rvd
origin=http://127.0.0.1:$origin_port
build/bin/rvfetch -c 4 "$archive" "$origin/index.html" "$origin/tutorial/index.html" \
    "$origin/library/index.html" "$origin/whatsnew/index.html" "$origin/no-such-page.html" ||
    echo "(the last address does not exist on purpose: the page that explains the failure is stored instead)"
[ -s "$archive" ] || { echo "demo: no archive was written" >&2; exit 1; }

echo
echo "== 3. Serving the archive with RVServer on port $server_port"
printf '[Servers]\nRavelin%%20Server%%20Port=%s\n' "$server_port" > "$demo/config/Marrowby Works/Ravelin.conf"
export XDG_CONFIG_HOME=$demo/config XDG_RUNTIME_DIR=$demo/run
build/bin/RVServer --no-window &
server_pid=$!
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$server_port") 2>/dev/null && break; sleep 0.1; done

page="http://127.0.0.1:$server_port${archive}/http&colon;//127.0.0.1&colon;$origin_port/tutorial/index.html"
exec 3<>"/dev/tcp/127.0.0.1/$server_port"
printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "${page#http://127.0.0.1:$server_port}" >&3
answer=$(cat <&3)
exec 3<&-
echo "Asked RVServer for a stored page; it answered:"
printf '%s\n' "$answer" | head -n 1
printf '%s\n' "$answer" | grep -o '<title>[^<]*</title>' | head -n 1 || true

echo
echo "Open this stored page in your browser (it is served from the archive, not from nginx):"
echo "    $page"
if [ "$wait_for_user" = 1 ]; then
    echo "Serving until you press Ctrl+C."
    wait "$server_pid"
fi
