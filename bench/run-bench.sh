#!/usr/bin/env bash
# A whole brief run against wget, end to end, over the same generated site.
#
#   bench/run-bench.sh [-b BUILD-FOLDER] [-r ROUNDS] [-c CONNECTIONS] [-s PAGE-BYTES] [-p] [--entries] [--all | PAGES]
#
# Defaults: build, 1 round, 4 connections, pages of about 17 KB (-s sets
# their size), 5000 pages. --all runs 1000, 5000 and 20000 pages and also
# prints the memory growth per page from 1000 to 20000 for both programs.
# --entries always runs the one-entry-per-page brief described below, not
# only when the depth-99 run falls short. -p
# records a call-graph profile of every RVClient run with perf (package
# linux-perf) into rv-PAGES-ROUND.perf.data in the current folder; perf
# slows the run, so its times are not comparable with runs without -p.
# RV_PERF_OPTS replaces perf's call-graph option (default -g; for example
# "--call-graph dwarf,16384 -F 2000" names the callers of library code).
# RV_WRAP puts a command before every RVClient run, for example
# "strace -f -c -o counts.txt" to count its system calls.
#
# For each size site-generator writes a site of PAGES pages of about 17 KB of
# article HTML with some 20 links each, a style sheet and 17 images; nginx
# serves it on a free loopback port. Then, in each round:
#   - RVClient --generate runs a brief with one entry, the site's index.html
#     at depth 99, with the connection limit set in its settings file, to a
#     closed archive; rvdump then counts the site's pages stored in it;
#   - wget -m -k -np -nv mirrors the same site into a scratch folder and
#     converts its links, the nearest thing wget does to our rewriting.
# Wall time, user and system CPU seconds and peak resident memory come from
# /usr/bin/time for each program alone (nginx is not counted on either
# side). pages/s is the site's page count over the wall time. When the
# archive does not hold every page of the site, the run is reported as
# INCOMPLETE and a second brief with one depth-1 entry per page is run too,
# so that the fetch, rewrite and store path still gets a throughput figure.
#
# Site, archives, mirror and working files (RVClient's working files too,
# through a copy of RVClient there) are all under /dev/shm (tmpfs), so that
# neither program waits on the disk.
#
# Each line of the summary keeps the fastest of its rounds. Needs nginx and
# wget (tools/setup.sh installs nginx; apt-get install wget); builds
# RVClient, rvbrief, rvdump and site-generator.
set -euo pipefail
caller_dir=$PWD
cd "$(dirname "$0")/.."

build=build
rounds=1
connections=4
page_bytes=17000
sizes=(5000)
always_entries=0
profile_dir=
while [ $# -gt 0 ]; do
    case $1 in
        -b) build=$2; shift 2 ;;
        -r) rounds=$2; shift 2 ;;
        -c) connections=$2; shift 2 ;;
        -s) page_bytes=$2; shift 2 ;;
        -p) profile_dir=$caller_dir; shift ;;
        --all) sizes=(1000 5000 20000); shift ;;
        --entries) always_entries=1; shift ;;
        -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
        *) sizes=("$1"); shift ;;
    esac
done

[ -x /usr/sbin/nginx ] || { echo "run-bench: nginx is missing; run tools/setup.sh" >&2; exit 1; }
command -v wget >/dev/null || { echo "run-bench: wget is missing (apt-get install wget)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "run-bench: /usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
cmake -S . -B "$build" -G Ninja >/dev/null
ninja -C "$build" RVClient rvbrief rvdump site-generator >/dev/null
build=$(cd "$build" && pwd)

# Everything both programs write, and the site nginx serves, lives on tmpfs:
# opening files on the shared disks took up to three times as long from one
# run to the next. RV_BENCH_TMP names another folder.
scratch=${RV_BENCH_TMP:-/dev/shm}
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=/tmp
work=$(mktemp -d "$scratch/rv-run-bench.XXXXXX")
chmod 755 "$work" # nginx workers read the site as another user
cleanup() {
    [ -f "$work/nginx/nginx.pid" ] && kill "$(cat "$work/nginx/nginx.pid")" 2>/dev/null || true
    sleep 0.2
    rm -rf "$work"
}
trap cleanup EXIT

. tools/script-lib.sh

# RVClient's working files go to the scratch folder too.
client=$(scratch_client "$build" "$work/prog")

# One site and one nginx server block per size.
mkdir -p "$work/nginx"
servers=""
declare -A port_of
next_port=19380
for n in "${sizes[@]}"; do
    echo "writing the site of $n pages ..."
    "$build/bench/site-generator" "$work/site-$n" "$n" "$page_bytes" >/dev/null
    port=$(free_port "$next_port")
    port_of[$n]=$port
    next_port=$((port + 1))
    servers+="    server { listen 127.0.0.1:$port; root $work/site-$n; }"$'\n'
done
write_nginx_conf "$work/nginx" "" "$servers"
/usr/sbin/nginx -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log"
for n in "${sizes[@]}"; do wait_for_port "${port_of[$n]}"; done

# timed OUT-FILE COMMAND...: runs the command under /usr/bin/time and writes
# "wall user sys peak-KiB exit-status" to OUT-FILE.
timed() {
    local out=$1
    shift
    local status=0
    /usr/bin/time -f '%e %U %S %M' -o "$out.time" "$@" || status=$?
    echo "$(tail -n 1 "$out.time") $status" > "$out"
}

# The number of distinct pages of the site stored in an archive.
stored_pages() {
    "$build/bin/rvdump" "$1" | awk '$3 == "stored" && $0 ~ /text\/html/ { print $NF }' |
        grep -E "^127\.0\.0\.1(:|&colon;)$2/(index\.html|s[0-9]+/p[0-9]+\.html)$" | sort -u | wc -l
}

# run_rv N ROUND LABEL DESCRIPTION-LINES: one brief run; prints a result line.
run_rv() {
    local n=$1 round=$2 label=$3
    local dir=$work/rv-$n-$round-${label// /}
    mkdir -p "$dir/config/Marrowby Works" "$dir/run" "$dir/cache" "$dir/tmp" "$dir/Briefs"
    chmod 700 "$dir/run"
    printf '[Network]\nMax%%20Sockets=%s\n' "$connections" > "$dir/config/Marrowby Works/Ravelin.conf"
    cat > "$dir/Briefs/Bench.txt"
    "$build/bin/rvbrief" "$dir/Briefs/Bench.brf" "$dir/Briefs/Bench.txt"
    local profiler=()
    # shellcheck disable=SC2206 # RV_WRAP is a command and its words
    [ -n "${RV_WRAP:-}" ] && profiler=($RV_WRAP)
    # shellcheck disable=SC2206 # RV_PERF_OPTS holds several options
    [ -n "$profile_dir" ] && profiler=(perf record -q ${RV_PERF_OPTS:--g} -o "$profile_dir/rv-$n-$round.perf.data" --)
    XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/run XDG_CACHE_HOME=$dir/cache TMPDIR=$dir/tmp \
        timed "$dir/result" "${profiler[@]}" "$client" --generate "$dir/Briefs/Bench.brf" > "$dir/log" 2>&1
    local archive
    archive=$(ls -t "$dir"/Briefs/*.rvd 2>/dev/null | head -n 1 || true)
    local stored=0
    [ -n "$archive" ] && stored=$(stored_pages "$archive" "${port_of[$n]}")
    local archive_bytes=0
    [ -n "$archive" ] && archive_bytes=$(stat -c %s "$archive")
    echo "$n $round $label $stored $archive_bytes $(cat "$dir/result")" >> "$work/results"
    [ "$(awk '{print $5}' "$dir/result")" = 0 ] || echo "    RVClient ended with status $(awk '{print $5}' "$dir/result"); its log: $dir/log" >&2
    tail -n 2 "$dir/log" | sed 's/^/    /'
    rm -rf "$dir/Briefs"
}

run_wget() {
    local n=$1 round=$2
    local dir=$work/wget-$n-$round
    mkdir -p "$dir"
    (cd "$dir" && timed "$dir/result" wget -m -k -np -nv -P mirror "http://127.0.0.1:${port_of[$n]}/index.html" \
        > "$dir/log" 2>&1)
    local stored
    stored=$(find "$dir/mirror" -regextype posix-extended -regex '.*/(index|s[0-9]+/p[0-9]+)\.html' | wc -l)
    local bytes
    bytes=$(du -sb "$dir/mirror" | awk '{print $1}')
    echo "$n $round wget $stored $bytes $(cat "$dir/result")" >> "$work/results"
    rm -rf "$dir/mirror"
}

: > "$work/results"
for n in "${sizes[@]}"; do
    for round in $(seq "$rounds"); do
        echo "== $n pages, round $round: RVClient, depth 99, $connections connections"
        printf 'name: Bench\nentry: Bench site | http://127.0.0.1:%s/index.html | 99\n' "${port_of[$n]}" |
            run_rv "$n" "$round" "depth99"
        echo "== $n pages, round $round: wget -m -k -np -nv"
        run_wget "$n" "$round"
        stored=$(awk -v n="$n" -v r="$round" '$1 == n && $2 == r && $3 == "depth99" { print $4 }' "$work/results")
        if [ "$stored" -lt "$n" ] || [ "$always_entries" = 1 ]; then
            echo "== $n pages, round $round: the depth-99 archive holds $stored of $n pages;" \
                 "RVClient with one depth-1 entry per page"
            {
                echo "name: Bench"
                for ((k = 0; k < n; k++)); do
                    if [ "$k" = 0 ]; then path=index.html; else path=s$((k / 100))/p$k.html; fi
                    echo "entry: p$k | http://127.0.0.1:${port_of[$n]}/$path | 1"
                done
            } | run_rv "$n" "$round" "entries"
        fi
    done
done

# results lines: pages round program stored bytes wall user sys peak-KiB status
echo
echo "Every round (wall and CPU in seconds, peak resident memory in MiB):"
awk '{ printf "  %6d pages  round %d  %-8s stored %6d  wall %7.2f  cpu %7.2f  peak %7.1f  exit %d\n",
       $1, $2, $3, $4, $6, $7 + $8, $9 / 1024, $10 }' "$work/results"

echo
echo "Fastest round of each ($connections connections for RVClient; wget uses one):"
awk -v conns="$connections" '
    { key = $1 " " $3
      if (!(key in wall) || $6 < wall[key]) { wall[key] = $6; cpu[key] = $7 + $8; peak[key] = $9; stored[key] = $4; status[key] = $10 }
      pages[$1] = 1 }
    END {
      printf "  %6s  %-22s %7s %8s %8s %8s %9s %7s %7s %7s\n", "pages", "program", "stored", "wall s", "pages/s", "cpu s",
             "peak MiB", "rate x", "cpu x", "mem x"
      n = 0
      for (p in pages) order[++n] = p + 0
      for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (order[j] < order[i]) { t = order[i]; order[i] = order[j]; order[j] = t }
      split("wget depth99 entries", programs, " ")
      names["wget"] = "wget -m -k -np"; names["depth99"] = "RVClient depth 99"; names["entries"] = "RVClient N x depth 1"
      for (i = 1; i <= n; ++i) {
        p = order[i]; w = p " wget"
        for (k = 1; k <= 3; ++k) {
          key = p " " programs[k]
          if (!(key in wall)) continue
          note = stored[key] < p ? "  INCOMPLETE" : ""
          if (status[key] != 0) note = note "  exit " status[key]
          printf "  %6d  %-22s %7d %8.2f %8.0f %8.2f %9.1f %7.2f %7.2f %7.2f%s\n", p, names[programs[k]], stored[key], wall[key],
                 p / wall[key], cpu[key], peak[key] / 1024, wall[w] / wall[key], cpu[key] / cpu[w], peak[key] / peak[w], note
        }
      }
      if (("1000 wget" in peak) && ("20000 wget" in peak)) {
        printf "\nPeak memory growth from 1000 to 20000 pages, bytes per page:\n"
        gw = (peak["20000 wget"] - peak["1000 wget"]) * 1024 / 19000
        printf "  %-22s %8.0f\n", "wget -m -k -np", gw
        for (k = 2; k <= 3; ++k) {
          a = "1000 " programs[k]; b = "20000 " programs[k]
          if ((a in peak) && (b in peak)) {
            g = (peak[b] - peak[a]) * 1024 / 19000
            printf "  %-22s %8.0f  (%.2f x wget)\n", names[programs[k]], g, gw != 0 ? g / gw : 0
          }
        }
      }
    }' "$work/results"
