#!/usr/bin/env bash
# Fails, listing the files, when a C++ file of the tree is not as the tree's
# own .clang-format writes it. `--fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
bad=()
for f in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        bad+=("$f")
    fi
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "check-format: not formatted with .clang-format (run tools/check-format.sh --fix):" >&2
    printf '    %s\n' "${bad[@]}" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
