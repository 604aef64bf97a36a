#!/usr/bin/env bash
# The main job: run the demonstration brief and serve its archive.
#
#   1. nginx serves the Python documentation on a free loopback port (the
#      "local web server" of the demo brief);
#   2. RVServer starts on 127.0.0.1 with its settings in build/demo;
#   3. rvbrief writes build/demo/Briefs/Demo.brf from data/Briefs/Demo.txt
#      (a "file:" entry on the bundled site and an entry on that nginx);
#   4. RVClient --generate runs the brief to a closed archive, printing each
#      status-log line;
#   5. the address of the archive's summary page is printed: open it in your
#      browser. RVServer serves until Ctrl+C (--no-wait stops at once);
#   6. on a desktop (DISPLAY or WAYLAND_DISPLAY set, and without --no-wait)
#      the windowed RVClient opens the demo brief beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

wait_for_user=1
[ "${1:-}" = "--no-wait" ] && wait_for_user=0

cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target RVClient RVServer rvbrief rvdump rv_data

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo/nginx" "$demo/config/Marrowby Works" "$demo/run" "$demo/Briefs"
chmod 700 "$demo/run"

. tools/script-lib.sh

docs=/usr/share/doc/python3-doc/html
origin_port=$(free_port 18080)
write_nginx_conf "$demo/nginx" "" "    server { listen 127.0.0.1:$origin_port; root $docs; }"
server_port=$(free_port 18888)
cleanup() {
    [ -f "$demo/nginx/nginx.pid" ] && kill "$(cat "$demo/nginx/nginx.pid")" 2>/dev/null || true
    [ -n "${client_pid:-}" ] && kill "$client_pid" 2>/dev/null || true
    [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
}
trap cleanup EXIT

echo
echo "== 1. A local web server: nginx serves the Python documentation on port $origin_port"
/usr/sbin/nginx -c "$demo/nginx/nginx.conf" -e "$demo/nginx/error.log"
wait_for_port "$origin_port"

echo
echo "== 2. RVServer on 127.0.0.1:$server_port"
# No sample briefs at the windows' first start: the demo brief is the one shown.
printf '[Servers]\nRavelin%%20Server%%20Port=%s\n[Startup]\nFirst%%20Start=No\n' "$server_port" \
    > "$demo/config/Marrowby Works/Ravelin.conf"
export XDG_CONFIG_HOME=$demo/config XDG_RUNTIME_DIR=$demo/run
build/bin/RVServer --no-window &
server_pid=$!
wait_for_port "$server_port"

echo
echo "== 3. The demo brief: $demo/Briefs/Demo.brf"
sed -e "s|@DATA@|$top/build/bin|g" -e "s|@ORIGIN@|http://127.0.0.1:$origin_port|g" \
    data/Briefs/Demo.txt > "$demo/Briefs/Demo.txt"
build/bin/rvbrief "$demo/Briefs/Demo.brf" "$demo/Briefs/Demo.txt"
grep '^entry:' "$demo/Briefs/Demo.txt" | sed 's/^entry: /    /'

echo
echo "== 4. RVClient --generate runs the brief"
build/bin/RVClient --generate "$demo/Briefs/Demo.brf"
archive=$(ls -t "$demo"/Briefs/*.rvd | head -n 1)

echo
echo "== 5. The archive, served by RVServer"
summary="http://127.0.0.1:$server_port$(url_path "$archive")/"
exec 3<>"/dev/tcp/127.0.0.1/$server_port"
printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$(url_path "$archive")/" >&3
answer=$(cat <&3)
exec 3<&-
printf '%s\n' "$answer" | head -n 1
printf '%s\n' "$answer" | grep -o '<title>[^<]*</title>' | head -n 1 || true
build/bin/rvdump "$archive" | sed -n '2p'

echo
echo "Open the brief's summary page in your browser:"
echo "    $summary"
if [ "$wait_for_user" = 1 ]; then
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
        echo
        echo "== 6. The windows: RVClient opens the demo brief (F9 runs it again, F5 views it)"
        build/bin/RVClient "$demo/Briefs/Demo.brf" &
        client_pid=$!
    fi
    echo "Serving until you press Ctrl+C."
    wait "$server_pid"
fi
