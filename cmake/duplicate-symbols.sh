#!/bin/sh
# Fails when one external symbol is defined in two objects of the given
# static libraries: a program that pulls both objects does not link
# ("multiple definition"). Weak, inline and template symbols (W, V, u) are
# merged by the linker and not counted. A constructor or destructor is
# listed once per variant under one demangled name; "sort -u" folds those.
#   duplicate-symbols.sh NM LIBRARY...
nm=$1
shift
[ $# -gt 0 ] || { echo "no libraries given" >&2; exit 2; }
# A library that nm cannot read fails the test rather than passing unread.
for lib in "$@"; do
    "$nm" --defined-only -g "$lib" >/dev/null || exit 2
done
for lib in "$@"; do
    "$nm" --defined-only -g -C "$lib" |
        awk -v lib="${lib##*/}" '
            /:$/ { object = substr($0, 1, length($0) - 1); next }
            NF >= 3 && $2 ~ /^[BCDGRST]$/ {
                symbol = $0
                sub(/^[^ ]+ [^ ]+ /, "", symbol)
                print symbol "\t" lib "(" object ")"
            }'
done | sort -u | awk -F '\t' '
    $1 == last { where = where ", " $2; ++count; next }
    { if (count > 1) { print last "\n    in " where; found = 1 } last = $1; where = $2; count = 1 }
    END {
        if (count > 1) { print last "\n    in " where; found = 1 }
        exit found
    }'
