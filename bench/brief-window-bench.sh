#!/usr/bin/env bash
# A brief of 32767 entries opened into a shown brief window, offscreen.
#
#   bench/brief-window-bench.sh [-b BUILD-FOLDER] [-r ROUNDS]   (default: build, 3 rounds)
#
# Builds brief-window-bench and runs it: the time to read the brief file
# alone (LoadBrief) beside the time to make the window, read the file into
# it, show it and paint its first rows, and to scroll to the end. Peak
# resident memory of the whole run comes from /usr/bin/time when it is
# there. Exits 2 when opening takes a second or more.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
rounds=3
while [ $# -gt 0 ]; do
    case $1 in
        -b) build=$2; shift 2 ;;
        -r) rounds=$2; shift 2 ;;
        -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
        *) echo "brief-window-bench: unknown argument $1" >&2; exit 1 ;;
    esac
done

cmake -S . -B "$build" -G Ninja >/dev/null
ninja -C "$build" brief-window-bench >/dev/null
export QT_QPA_PLATFORM=offscreen
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "peak resident memory: %M KiB" "$build/bench/brief-window-bench" "$rounds" 2>&1 |
        grep -v -e "^QStandardPaths" -e "propagateSizeHints"
else
    "$build/bench/brief-window-bench" "$rounds" 2>/dev/null
fi
