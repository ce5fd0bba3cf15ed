#!/usr/bin/env bash
# Opening a map: `pelmar-cli tags MAP --json` against `cat MAP`, page cache warm, for maps of
# each size in SIZES, medians of ROUNDS interleaved runs; and the peak memory of `tags`.
# Goals: load time flat in the map's size, at most 0.3 x cat at 256 MiB, under 16 MiB of memory.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
bench_setup load "${1:-build}"

printf '%8s %10s %10s %7s %10s\n' MiB "tags (s)" "cat (s)" ratio "peak KiB"
for size in $SIZES; do
    map="$work/map.map"
    make_map "$map" "$size"
    cat "$map" >/dev/null
    tags=() cats=()
    for ((i = 0; i < ROUNDS; i++)); do
        cats+=("$(seconds_of cat "$map")")
        tags+=("$(seconds_of "$cli" tags "$map" --json)")
    done
    t=$(printf '%s\n' "${tags[@]}" | median)
    c=$(printf '%s\n' "${cats[@]}" | median)
    printf '%8s %10s %10s %7s %10s\n' "$size" "$t" "$c" "$(ratio "$t" "$c")" \
        "$(peak_kib "$cli" tags "$map" --json)"
    rm -f "$map"
done
