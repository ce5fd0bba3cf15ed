#!/usr/bin/env bash
# A value edit on a 256 MiB map: `pelmar-cli set` of one field, ROUNDS times, and the time of the
# edit itself (open, check, journal, write, history) without starting the program: the median
# of `set` minus the median of `get` of the same block. Goal: at most 10 ms.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
bench_setup value "${1:-build}"
map="$work/map.map"
make_map "$map" 256
weapon='weap:weapons\pistol\pistol'
sets=() gets=()
for ((i = 0; i < ROUNDS * 4; i++)); do
    gets+=("$(seconds_of "$cli" get "$map" "$weapon" 'weap>magazines;1' --plugins "$plugins")")
    sets+=("$(seconds_of "$cli" set "$map" "$weapon" 'weap>magazines;1' 'rounds loaded maximum' \
        $((20 + i % 7)) --plugins "$plugins")")
done
s=$(printf '%s\n' "${sets[@]}" | median)
g=$(printf '%s\n' "${gets[@]}" | median)
echo "set: $s s, get: $g s, the edit: $(awk -v s="$s" -v g="$g" 'BEGIN { printf "%.1f", (s - g) * 1000 }') ms"
