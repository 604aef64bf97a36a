#!/usr/bin/env bash
# Configures, builds and runs every test. Pass --sanitize to do it in a
# separate build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=(-DRV_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    flags+=(-DRV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
