#!/usr/bin/env bash
# Tag import into a large map, against plainly copying that map to disk.
#
# Builds a ~256 MiB map of 8000 tags and the small demo map, then, round after round, times
#   import: pelmar-cli import BIG SOURCE weap:weapons\pistol\pistol   (load both maps, build
#           the new file in memory, write it beside the old one, flush, rename, flush folder)
#   copy:   cp BIG COPY && sync COPY
# side by side, alternating which goes first. Prints each round, the medians and their ratio;
# the goal is a ratio of at most 1.3.
#
# Usage: bench-import.sh BUILD_DIR   (pelmar-cli is BUILD_DIR/bin/pelmar-cli)
# Environment: ROUNDS (default 7), BENCH_DIR (where the maps go; default a temporary folder).
set -euo pipefail

build_dir="$(cd "${1:-build}" && pwd)"
cli="$build_dir/bin/pelmar-cli"
rounds="${ROUNDS:-7}"
tag='weap:weapons\pistol\pistol'

work="$(mktemp -d "${BENCH_DIR:-${TMPDIR:-/tmp}}/pelmar-bench-import.XXXXXX")"
trap 'rm -rf "$work"' EXIT

"$cli" make-demo "$work/original.map" --size-mb 256 --tags 8000 >/dev/null
"$cli" make-demo "$work/source.map" >/dev/null
echo "destination: $(stat -c %s "$work/original.map") bytes, 8000 tags; source: demo map"

seconds_since() { # start time from $EPOCHREALTIME
    awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

time_import() {
    # A fresh destination each round, flushed before the clock starts.
    cp "$work/original.map" "$work/dest.map"
    sync
    local start=$EPOCHREALTIME
    "$cli" import "$work/dest.map" "$work/source.map" "$tag" >/dev/null
    seconds_since "$start"
}

time_copy() {
    rm -f "$work/copy.map"
    sync
    local start=$EPOCHREALTIME
    cp "$work/original.map" "$work/copy.map" && sync "$work/copy.map"
    seconds_since "$start"
}

median() { sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

imports=()
copies=()
printf '%-6s %10s %10s\n' round import cp+sync
for ((r = 1; r <= rounds; r++)); do
    if ((r % 2)); then
        i=$(time_import)
        c=$(time_copy)
    else
        c=$(time_copy)
        i=$(time_import)
    fi
    imports+=("$i")
    copies+=("$c")
    printf '%-6s %9ss %9ss\n' "$r" "$i" "$c"
done

mi=$(printf '%s\n' "${imports[@]}" | median)
mc=$(printf '%s\n' "${copies[@]}" | median)
ratio=$(awk -v a="$mi" -v b="$mc" 'BEGIN { printf "%.2f", a / b }')
printf 'median import %ss, median cp+sync %ss, ratio %s (goal <= 1.3)\n' "$mi" "$mc" "$ratio"
