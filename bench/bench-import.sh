#!/usr/bin/env bash
# Tag import into a large map, against plainly copying that map to disk.
#
# Builds a ~256 MiB map of 8000 tags and the small demo map, then, round after round, times
#   import:  pelmar-cli import BIG SOURCE weap:weapons\pistol\pistol  (load both maps, build
#            the new file from the map's bytes, write it beside the old one, flush, rename
#            over the old one, flush the folder)
#   cp over: cp BIG COPY && sync COPY, where COPY is a file of the same size already (the
#            import, too, replaces a file of that size)
#   cp new:  cp BIG COPY && sync COPY, where COPY does not exist yet
# side by side, in an order that changes every round. Every run starts with the written data
# flushed. Prints each round, the medians and the import's ratio to each copy; the goal is a
# ratio of at most 1.3.
#
# Usage: bench-import.sh BUILD_DIR   (pelmar-cli is BUILD_DIR/bin/pelmar-cli)
# Environment: ROUNDS (default 7), BENCH_DIR (where the maps go; default a temporary folder).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

bench_setup import "${1:-build}"
rounds="${ROUNDS:-7}"
tag='weap:weapons\pistol\pistol'

"$cli" make-demo "$work/original.map" --size-mb 256 --tags 8000 >/dev/null
"$cli" make-demo "$work/source.map" >/dev/null
echo "destination: $(stat -c %s "$work/original.map") bytes, 8000 tags; source: demo map"

time_import() {
    # A fresh destination each round, flushed before the clock starts.
    cp "$work/original.map" "$work/dest.map"
    sync
    local start=$EPOCHREALTIME
    "$cli" import "$work/dest.map" "$work/source.map" "$tag" >/dev/null
    seconds_since "$start"
}

time_copy() { # "over" or "new"
    if [[ $1 == over ]]; then
        cp "$work/original.map" "$work/copy.map"
    else
        rm -f "$work/copy.map"
    fi
    sync
    local start=$EPOCHREALTIME
    cp "$work/original.map" "$work/copy.map" && sync "$work/copy.map"
    seconds_since "$start"
}

imports=()
overs=()
news=()
printf '%-6s %10s %10s %10s\n' round import "cp over" "cp new"
for ((r = 1; r <= rounds; r++)); do
    case $((r % 3)) in
    1) i=$(time_import); o=$(time_copy over); n=$(time_copy new) ;;
    2) o=$(time_copy over); n=$(time_copy new); i=$(time_import) ;;
    0) n=$(time_copy new); i=$(time_import); o=$(time_copy over) ;;
    esac
    imports+=("$i")
    overs+=("$o")
    news+=("$n")
    printf '%-6s %9ss %9ss %9ss\n' "$r" "$i" "$o" "$n"
done

mi=$(median_of "${imports[@]}")
mo=$(median_of "${overs[@]}")
mn=$(median_of "${news[@]}")
printf 'medians: import %ss, cp over %ss, cp new %ss\n' "$mi" "$mo" "$mn"
printf 'ratio import / cp over: %s, import / cp new: %s (goal <= 1.3)\n' \
    "$(ratio "$mi" "$mo")" "$(ratio "$mi" "$mn")"
