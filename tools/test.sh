#!/usr/bin/env bash
# Configures, builds and runs every test twice: in the normal build (build/)
# and in a build with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/). Warnings are errors in both. First of all, every C++ file
# must be formatted as the tree's .clang-format says (tools/check-format.sh).
#   --quick      the normal build only
#   --sanitize   the sanitizer build only
set -euo pipefail
cd "$(dirname "$0")/.."

run_build() {
    local build=$1
    shift
    cmake -S . -B "$build" -G Ninja -DRV_WERROR=ON "$@" >/dev/null
    cmake --build "$build"
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
}

tools/check-format.sh

case "${1:-}" in
    --quick) run_build build ;;
    --sanitize) run_build build-asan -DRV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug ;;
    *)
        run_build build
        run_build build-asan -DRV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
        ;;
esac
