#!/usr/bin/env bash
# Duplication and import on realistic maps of each size in SIZES, in both relocation modes,
# against the floor of a crash-safe replacement, `cp MAP TMP && sync TMP && mv TMP MAP`. Each
# run starts from a fresh copy of the map (not timed) after `sync`; "warm" runs follow at once,
# "cold" ones after 3 s of idle memory. ROUNDS rounds, each running the floor and every edit in
# turn; medians of the times, and of each round's ratio of an edit to its floor.
# Goals: at most 0.9 x the floor warm, 1.1 x cold.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
bench_setup edit "${1:-build}"
scenario='scnr:levels\test\pelmardemo\pelmardemo'
weapon='weap:weapons\pistol\pistol'

floor() { cp "$map" "$work/tmp.map" && sync "$work/tmp.map" && mv "$work/tmp.map" "$map"; }
dup() { "$cli" dup "$map" "$scenario" 'scnr>skies;1' --relocation "$1" --plugins "$plugins"; }
import() { "$cli" import "$map" "$source" "$weapon" --relocation "$1" --plugins "$plugins"; }

kinds=(floor "dup scan" "dup precise" "import scan" "import precise")

# One run of KIND ("floor", or an edit and a mode) on a fresh copy of the map, after WAIT s.
run_once() { # WAIT KIND
    cp "$pristine" "$map"
    rm -rf "$XDG_DATA_HOME"
    sync
    sleep "$1"
    if [ "$2" = floor ]; then seconds_of floor; else seconds_of $2; fi
}

printf '%6s %-5s %-8s %-7s %8s %8s %6s\n' MiB memory edit mode "edit (s)" "floor (s)" ratio
for size in $SIZES; do
    pristine="$work/pristine.map" map="$work/map.map" source="$work/source.map"
    make_map "$pristine" "$size"
    cp "$pristine" "$source"
    for memory in warm cold; do
        wait=0
        [ "$memory" = cold ] && wait=3
        # Each round runs the floor and every edit once, one after another, so that a drift of
        # the machine's speed touches all alike; the ratio is the median of the rounds' ratios.
        declare -A times=() ratios=()
        for ((i = 0; i < ROUNDS; i++)); do
            floor_s=""
            for kind in "${kinds[@]}"; do
                t=$(run_once "$wait" "$kind")
                times[$kind]+="$t "
                if [ "$kind" = floor ]; then floor_s=$t; else ratios[$kind]+="$(ratio "$t" "$floor_s") "; fi
            done
        done
        f=$(printf '%s\n' ${times[floor]} | median)
        for kind in "${kinds[@]:1}"; do
            e=$(printf '%s\n' ${times[$kind]} | median)
            r=$(printf '%s\n' ${ratios[$kind]} | median)
            read -r edit mode <<<"$kind"
            printf '%6s %-5s %-8s %-7s %8s %8s %6s\n' "$size" "$memory" "$edit" "$mode" "$e" "$f" \
                "$(awk -v r="$r" 'BEGIN { printf "%.2f", r }')"
        done
    done
    cp "$pristine" "$map"
    echo "peak KiB of a precise dup on $size MiB: $(peak_kib "$cli" dup "$map" "$scenario" \
        'scnr>skies;1' --relocation precise --plugins "$plugins")"
    rm -f "$pristine" "$map" "$source"
done
