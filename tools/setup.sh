#!/usr/bin/env bash
# Installs every Debian package Ravelin needs to build, test, fuzz and
# benchmark, and only those that are missing. Safe to run again.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6network6
    zlib1g-dev libzstd-dev libdeflate-dev
    libpsl-dev publicsuffix
    googletest libgtest-dev libgmock-dev
    clang libclang-rt-14-dev clang-format
    nginx-light tinyproxy wrk linux-perf
    python3-doc python-terminaltables-doc gzip curl openssl
    libgumbo-dev
    chromium
    xvfb xdotool imagemagick
    dbus-daemon python3-dbusmock
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: every package is present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

# The packaged nginx and tinyproxy start system-wide services; the tests start
# their own instances on free loopback ports, so stop the system ones.
for svc in nginx tinyproxy; do
    if command -v systemctl >/dev/null 2>&1; then "${sudo_cmd[@]}" systemctl disable --now "$svc" >/dev/null 2>&1 || true; fi
    "${sudo_cmd[@]}" service "$svc" stop >/dev/null 2>&1 || true
done
