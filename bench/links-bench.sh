#!/usr/bin/env bash
# One page with many links, run end to end at depth 1.
#
#   bench/links-bench.sh [-b BUILD-FOLDER] [-r ROUNDS] [LINKS ...]   (default: 100000)
#
# For each LINKS a single HTML page with that many distinct links (spread
# over a few hundred hosts and paths, as a link directory would have) is
# served by nginx on a free loopback port, and RVClient --generate runs a
# brief with one entry, that page at depth 1, to a closed archive. Every
# link is resolved, put to the link policy, recorded in the brief's link
# cache and rewritten; none is followed. Wall time, user and system CPU
# seconds and peak resident memory come from /usr/bin/time; each size keeps
# its fastest round. Needs nginx (tools/setup.sh) and /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
rounds=1
sizes=()
while [ $# -gt 0 ]; do
    case $1 in
        -b) build=$2; shift 2 ;;
        -r) rounds=$2; shift 2 ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) sizes+=("$1"); shift ;;
    esac
done
[ ${#sizes[@]} -gt 0 ] || sizes=(100000)

[ -x /usr/sbin/nginx ] || { echo "links-bench: nginx is missing; run tools/setup.sh" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "links-bench: /usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
cmake -S . -B "$build" -G Ninja >/dev/null
ninja -C "$build" RVClient rvbrief >/dev/null
build=$(cd "$build" && pwd)

# Page, archive and working files on tmpfs; RV_BENCH_TMP names another folder.
scratch=${RV_BENCH_TMP:-/dev/shm}
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=/tmp
work=$(mktemp -d "$scratch/rv-links-bench.XXXXXX")
chmod 755 "$work" # nginx workers read the site as another user
cleanup() {
    [ -f "$work/nginx/nginx.pid" ] && kill "$(cat "$work/nginx/nginx.pid")" 2>/dev/null || true
    sleep 0.2
    rm -rf "$work"
}
trap cleanup EXIT

. tools/script-lib.sh
client=$(scratch_client "$build" "$work/prog")

mkdir -p "$work/site"
for n in "${sizes[@]}"; do
    awk -v n="$n" 'BEGIN {
        print "<html><head><title>Links " n "</title></head><body><h1>Directory</h1><ul>"
        for (i = 0; i < n; ++i)
            printf "<li><a href=\"http://site%d.example/%s/p%d.html\">Page %d</a>\n", i % 397, (i % 3 ? "docs" : "news/2024"), i, i
        print "</ul></body></html>"
    }' > "$work/site/links-$n.html"
done
port=$(free_port 19480)
write_nginx_conf "$work/nginx" "" "    server { listen 127.0.0.1:$port; root $work/site; }"
/usr/sbin/nginx -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log"
wait_for_port "$port"

: > "$work/results"
for n in "${sizes[@]}"; do
    for round in $(seq "$rounds"); do
        dir=$work/rv-$n-$round
        mkdir -p "$dir/config" "$dir/run" "$dir/cache" "$dir/Briefs"
        chmod 700 "$dir/run"
        printf 'name: Links\nentry: Links | http://127.0.0.1:%s/links-%s.html | 1\n' "$port" "$n" > "$dir/Briefs/Links.txt"
        "$build/bin/rvbrief" "$dir/Briefs/Links.brf" "$dir/Briefs/Links.txt"
        status=0
        XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/run XDG_CACHE_HOME=$dir/cache TMPDIR=$dir/cache \
            /usr/bin/time -f '%e %U %S %M' -o "$dir/time" "$client" --generate "$dir/Briefs/Links.brf" \
            > "$dir/log" 2>&1 || status=$?
        read -r wall user sys peak < <(tail -n 1 "$dir/time")
        printf '  %8d links  round %d  wall %7.2f s  cpu %7.2f s  peak %6.1f MiB  exit %d\n' \
            "$n" "$round" "$wall" "$(echo "$user + $sys" | bc)" "$(echo "$peak / 1024" | bc -l)" "$status"
        echo "$n $wall $(echo "$user + $sys" | bc) $peak $status" >> "$work/results"
        [ "$status" = 0 ] || { echo "    RVClient ended with status $status:"; tail -n 3 "$dir/log" | sed 's/^/    /'; }
        rm -rf "$dir/Briefs"
    done
done

echo
echo "Fastest round of each:"
sort -k1,1n -k2,2n "$work/results" | awk '!seen[$1]++ {
    printf "  %8d links  wall %7.2f s  cpu %7.2f s  peak %6.1f MiB  exit %d\n", $1, $2, $3, $4 / 1024, $5 }'
