#!/usr/bin/env bash
# Duplication and import on realistic maps of each size in SIZES, in both relocation modes,
# against the floor of a crash-safe replacement, `cp MAP TMP && sync TMP && mv TMP MAP`. Each
# run starts from a fresh copy of the map (not timed) after `sync`; "warm" runs follow at once,
# "cold" ones after 3 s of idle memory. Medians of ROUNDS runs, interleaved with the floor.
# Goals: at most 0.9 x the floor warm, 1.1 x cold.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
bench_setup edit "${1:-build}"
scenario='scnr:levels\test\pelmardemo\pelmardemo'
weapon='weap:weapons\pistol\pistol'

floor() { cp "$map" "$work/tmp.map" && sync "$work/tmp.map" && mv "$work/tmp.map" "$map"; }
dup() { "$cli" dup "$map" "$scenario" 'scnr>skies;1' --relocation "$1" --plugins "$plugins"; }
import() { "$cli" import "$map" "$source" "$weapon" --relocation "$1" --plugins "$plugins"; }

# Median seconds of ROUNDS runs of "$@" on fresh copies of the map.
timed() { # WAIT COMMAND...
    local wait=$1 runs=()
    shift
    for ((i = 0; i < ROUNDS; i++)); do
        cp "$pristine" "$map"
        rm -rf "$XDG_DATA_HOME"
        sync
        sleep "$wait"
        runs+=("$(seconds_of "$@")")
    done
    printf '%s\n' "${runs[@]}" | median
}

printf '%6s %-5s %-8s %-7s %8s %8s %6s\n' MiB memory edit mode "edit (s)" "floor (s)" ratio
for size in $SIZES; do
    pristine="$work/pristine.map" map="$work/map.map" source="$work/source.map"
    make_map "$pristine" "$size"
    cp "$pristine" "$source"
    for memory in warm cold; do
        wait=0
        [ "$memory" = cold ] && wait=3
        f=$(timed "$wait" floor)
        for edit in dup import; do
            for mode in scan precise; do
                e=$(timed "$wait" "$edit" "$mode")
                printf '%6s %-5s %-8s %-7s %8s %8s %6s\n' "$size" "$memory" "$edit" "$mode" "$e" "$f" \
                    "$(ratio "$e" "$f")"
            done
        done
    done
    cp "$pristine" "$map"
    echo "peak KiB of a precise dup on $size MiB: $(peak_kib "$cli" dup "$map" "$scenario" \
        'scnr>skies;1' --relocation precise --plugins "$plugins")"
    rm -f "$pristine" "$map" "$source"
done
