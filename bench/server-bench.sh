#!/usr/bin/env bash
# RVServer against nginx on loopback, with the same wrk command for both:
#   1. one archived 20 KB page asked for again and again;
#   2. a rotation over 10,000 different archived 20 KB pages.
# nginx serves the same bytes as static files. Both connection models are
# measured, each server configured alike:
#   close:      every request says "Connection: close"; nginx also has
#               keepalive_timeout 0. Each answer pays for a connection.
#   keep-alive: wrk's HTTP/1.1 requests keep their connections; nginx has
#               keepalive_timeout 65 and no limit on requests per connection.
#
#   bench/server-bench.sh [BUILD-FOLDER] [SECONDS] [CONNECTIONS] [THREADS] [ROUNDS] [MODELS]
#
# Defaults: build, 5 s, 16 connections, 2 threads, 3 rounds, "close keep-alive".
# Each round runs nginx and RVServer back to back, so that load from other
# programs on the machine hits both alike; the ratios printed last are the
# medians over the rounds. Needs wrk and nginx
# (tools/setup.sh installs them); builds RVServer and served-pages-bench.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-5}
connections=${3:-16}
threads=${4:-2}
rounds=${5:-3}
models=${6:-close keep-alive}

command -v wrk >/dev/null || { echo "server-bench: wrk is missing; run tools/setup.sh" >&2; exit 1; }
[ -x /usr/sbin/nginx ] || { echo "server-bench: nginx is missing; run tools/setup.sh" >&2; exit 1; }
cmake -S . -B "$build" -G Ninja >/dev/null
ninja -C "$build" RVServer served-pages-bench >/dev/null

# The archives and nginx's static copy live on tmpfs, so that both servers
# read from memory; RV_BENCH_TMP names another folder.
scratch=${RV_BENCH_TMP:-/dev/shm}
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=/tmp
work=$(mktemp -d "$scratch/rv-server-bench.XXXXXX")
chmod 755 "$work"  # nginx workers read the static pages as another user
mkdir -p "$work/nginx" "$work/config/Marrowby Works" "$work/run"
chmod 700 "$work/run"
"$build/bench/served-pages-bench" "$work/data" 10000

. tools/script-lib.sh

# One nginx worker, a server block for each connection model.
nginx_close_port=$(free_port 19080)
nginx_keep_port=$(free_port $((nginx_close_port + 1)))
write_nginx_conf "$work/nginx" "    keepalive_requests 100000000;" \
    "    server { listen 127.0.0.1:$nginx_close_port; root $work/data/www; keepalive_timeout 0; }
    server { listen 127.0.0.1:$nginx_keep_port; root $work/data/www; keepalive_timeout 65; }"
nginx_port=$nginx_close_port

server_port=$(free_port $((nginx_keep_port + 1)))
printf '[Servers]\nRavelin%%20Server%%20Port=%s\n' "$server_port" > "$work/config/Marrowby Works/Ravelin.conf"

cleanup() {
    [ -f "$work/nginx/nginx.pid" ] && kill "$(cat "$work/nginx/nginx.pid")" 2>/dev/null || true
    [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
    sleep 0.2
    rm -rf "$work"
}
trap cleanup EXIT

/usr/sbin/nginx -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log"
XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run "$build/bin/RVServer" --no-window &
server_pid=$!
wait_for_port "$nginx_close_port"
wait_for_port "$nginx_keep_port"
wait_for_port "$server_port"
nginx_worker=$(pgrep -P "$(cat "$work/nginx/nginx.pid")" | head -n 1)

# The rotation: each request takes the next of the 10,000 pages. Every wrk
# thread starts at a different page so that the threads do not move in step.
cat > "$work/rotation.lua" <<'LUA'
local counter = 0
local prefix = ""
function setup(thread)
    thread:set("counter", math.random(0, 9999))
end
function init(args)
    prefix = args[1]
end
function request()
    counter = (counter + 1) % 10000
    return wrk.format("GET", prefix .. string.format("%05d", counter) .. ".html")
end
LUA
# Prints "requests/s p50 p90 p99 bytes-per-answer errors" for one wrk run. A
# server that ends its answer by closing the connection (no Content-Length)
# makes wrk count a read error for every answer, so read errors are left
# out; the bytes per answer show that the answers were whole.
cat > "$work/report.lua" <<'LUA'
done = function(summary, latency, requests)
    local bad = summary.errors.status + summary.errors.connect + summary.errors.write + summary.errors.timeout
    io.write(string.format("RESULT %.0f %.0f %.0f %.0f %.0f %d\n", summary.requests / (summary.duration / 1e6),
        latency:percentile(50), latency:percentile(90), latency:percentile(99),
        summary.bytes / math.max(summary.requests, 1), bad))
end
LUA
cat "$work/rotation.lua" "$work/report.lua" > "$work/rotation-report.lua"

# CPU time a process has used so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# One bounded wrk run against the server process pid; prints its RESULT
# line's fields and then the server's CPU time per answer in microseconds,
# a figure that load from other programs on the machine changes little.
run_wrk() {
    local pid=$1 url=$2 script=$3 before result
    shift 3
    before=$(cpu_ticks "$pid")
    result=$(wrk -t "$threads" -c "$connections" -d "${seconds}s" --latency "${header[@]}" -s "$script" "$url" "$@" |
        sed -n 's/^RESULT //p')
    [ -n "$result" ] || return 0
    awk -v r="$result" -v used=$(($(cpu_ticks "$pid") - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN {
        split(r, f, " "); printf "%s %.0f\n", r, used * 1e6 / hz / (f[1] * s) }'
}

# Checks that a server answers the page with status 200 before timing it.
check_page() {
    local port=$1 path=$2 status
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$path" >&3
    status=$(head -n 1 <&3 | tr -d '\r')
    exec 3<&-
    case "$status" in *" 200"*) ;; *) echo "server-bench: port $port answered \"$status\" for $path" >&2; exit 1 ;; esac
}

one_rv="$work/data/one.rvd/bench.example/page.html"
one_nginx="/bench.example/page.html"
many_rv="$work/data/many.rvd/bench.example/p/"
many_nginx="/bench.example/p/"
check_page "$server_port" "$one_rv"
check_page "$nginx_port" "$one_nginx"
check_page "$server_port" "${many_rv}09999.html"
check_page "$nginx_port" "${many_nginx}09999.html"

ratio() { awk -v n="$1" -v r="$2" -v f="$3" 'BEGIN { split(n, a, " "); split(r, b, " ")
    printf "%.2f", (f == 1) ? b[1] / a[1] : a[2] / b[2] }'; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
line() {
    local test=$1 name=$2 rps p50 p90 p99 bytes bad cpu
    read -r rps p50 p90 p99 bytes bad cpu || { echo "server-bench: wrk gave no result for $name" >&2; exit 1; }
    printf '%-22s %10s %9s %9s %9s %9s %9s %7s %7s\n' "$test" "$name" "$rps" "$p50" "$p90" "$p99" "$bytes" "$bad" "$cpu" >&2
    echo "$rps $cpu"
}
summary=()
for model in $models; do
    case $model in
        close) header=(-H "Connection: close") nginx_port=$nginx_close_port
            what="one request per connection" ;;
        keep-alive) header=() nginx_port=$nginx_keep_port
            what="connections kept open" ;;
        *) echo "server-bench: unknown connection model $model" >&2; exit 1 ;;
    esac
    echo
    echo "wrk -t $threads -c $connections -d ${seconds}s, $what, loopback"
    printf '%-22s %10s %9s %9s %9s %9s %9s %7s %7s\n' test server 'req/s' 'p50 us' 'p90 us' 'p99 us' 'B/answer' errors 'CPU us'
    ratios1=() ratios2=() cpu1=() cpu2=()
    for round in $(seq "$rounds"); do
        {
            n1=$(run_wrk "$nginx_worker" "http://127.0.0.1:$nginx_port$one_nginx" "$work/report.lua" | line "repeated 20 KB page" nginx)
            r1=$(run_wrk "$server_pid" "http://127.0.0.1:$server_port$one_rv" "$work/report.lua" | line "repeated 20 KB page" RVServer)
            n2=$(run_wrk "$nginx_worker" "http://127.0.0.1:$nginx_port/" "$work/rotation-report.lua" -- "$many_nginx" |
                line "rotation over 10,000" nginx)
            r2=$(run_wrk "$server_pid" "http://127.0.0.1:$server_port/" "$work/rotation-report.lua" -- "$many_rv" |
                line "rotation over 10,000" RVServer)
        } 2>&1
        [ -n "$n1" ] && [ -n "$r1" ] && [ -n "$n2" ] && [ -n "$r2" ] || exit 1
        # Each of n1 r1 n2 r2 is "requests/s CPU-us-per-answer".
        ratios1+=("$(ratio "$n1" "$r1" 1)") ratios2+=("$(ratio "$n2" "$r2" 1)")
        cpu1+=("$(ratio "$n1" "$r1" 2)") cpu2+=("$(ratio "$n2" "$r2" 2)")
        echo "round $round: RVServer / nginx ${ratios1[-1]}x repeated, ${ratios2[-1]}x rotation"
    done
    summary+=("$model, requests/s, RVServer / nginx: $(median "${ratios1[@]}")x repeated, $(median "${ratios2[@]}")x rotation (median of $rounds)"
        "$model, answers per CPU second, RVServer / nginx: $(median "${cpu1[@]}")x repeated, $(median "${cpu2[@]}")x rotation")
done
echo
printf '%s\n' "${summary[@]}"
