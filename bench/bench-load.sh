#!/usr/bin/env bash
# Loading a large map: `pelmar-cli tags MAP --json` against `cat MAP`, and peak memory.
#
# Builds a ~256 MiB map with ~8,000 tags, warms the page cache, then times both commands
# REPS times each, interleaved, and prints the ratio of the medians. Goals: ratio <= 1.5,
# peak memory of the tags command <= file size + 64 MiB. With BENCH_STRICT=1 a missed goal
# makes the script fail.
#
# Usage: bench/bench-load.sh BUILD_DIR   (environment: SIZE_MB, TAGS, REPS, BENCH_STRICT)
set -euo pipefail

build_dir="$(cd "${1:-build}" && pwd)"
cli="$build_dir/bin/pelmar-cli"
size_mb="${SIZE_MB:-256}"
tags="${TAGS:-8000}"
reps="${REPS:-7}"

work="$(mktemp -d "${TMPDIR:-/tmp}/pelmar-bench-load.XXXXXX")"
trap 'rm -rf "$work"' EXIT
map="$work/large.map"

"$cli" make-demo "$map" --size-mb "$size_mb" --tags "$tags" >/dev/null
file_bytes=$(stat -c %s "$map")

# Wall-clock seconds of one run of "$@" with its output discarded.
elapsed() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Warm-up: the file in the page cache, the program and its libraries loaded once.
cat "$map" >/dev/null
cat "$map" >/dev/null
"$cli" tags "$map" --json >/dev/null

cat_times=()
tags_times=()
for ((i = 0; i < reps; i++)); do
    cat_times+=("$(elapsed cat "$map")")
    tags_times+=("$(elapsed "$cli" tags "$map" --json)")
done
cat_median=$(printf '%s\n' "${cat_times[@]}" | median)
tags_median=$(printf '%s\n' "${tags_times[@]}" | median)
ratio=$(awk -v t="$tags_median" -v c="$cat_median" 'BEGIN { printf "%.4f", t / c }')

peak_kb=$(/usr/bin/time -f %M "$cli" tags "$map" --json 2>&1 >/dev/null | tail -n 1)
peak_bytes=$((peak_kb * 1024))
limit_bytes=$((file_bytes + 64 * 1024 * 1024))

mib() { awk -v v="$1" 'BEGIN { printf "%.1f", v / 1048576 }'; }
ms() { awk -v v="$1" 'BEGIN { printf "%.1f", v * 1000 }'; }

echo "map: $(mib "$file_bytes") MiB, $tags tags; $reps runs each, interleaved, page cache warm"
echo "cat MAP:              median $(ms "$cat_median") ms"
echo "pelmar-cli tags MAP:  median $(ms "$tags_median") ms"
ratio_ok=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) ? 1 : 0 }')
mem_ok=$((peak_bytes <= limit_bytes ? 1 : 0))
printf 'ratio:                %.2f (goal <= 1.50) %s\n' "$ratio" \
    "$([ "$ratio_ok" = 1 ] && echo met || echo MISSED)"
echo "peak memory of tags:  $(mib "$peak_bytes") MiB for a $(mib "$file_bytes") MiB file" \
    "(goal <= $(mib "$limit_bytes") MiB) $([ "$mem_ok" = 1 ] && echo met || echo MISSED)"

if [ "${BENCH_STRICT:-0}" = 1 ] && { [ "$ratio_ok" != 1 ] || [ "$mem_ok" != 1 ]; }; then
    exit 1
fi
