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
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

bench_setup load "${1:-build}"
size_mb="${SIZE_MB:-256}"
tags="${TAGS:-8000}"
reps="${REPS:-7}"
map="$work/large.map"

"$cli" make-demo "$map" --size-mb "$size_mb" --tags "$tags" >/dev/null
file_bytes=$(stat -c %s "$map")

# "wall cpu" seconds of one run of "$@", output discarded; cpu = user + system time, which
# other work on the machine disturbs less than the wall-clock time.
measure() {
    local TIMEFORMAT='%3R %3U %3S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.3f\n", $1, $2 + $3 }'
}

# Warm-up: the file in the page cache, the program and its libraries loaded once.
cat "$map" >/dev/null
cat "$map" >/dev/null
"$cli" tags "$map" --json >/dev/null

samples="$work/samples"
for ((i = 0; i < reps; i++)); do
    echo "cat $(measure cat "$map")" >>"$samples"
    echo "tags $(measure "$cli" tags "$map" --json)" >>"$samples"
done
column_median() { awk -v k="$1" -v c="$2" '$1 == k { print $c }' "$samples" | median; }
cat_median=$(column_median cat 2)
tags_median=$(column_median tags 2)
cat_cpu=$(column_median cat 3)
tags_cpu=$(column_median tags 3)
ratio=$(awk -v t="$tags_median" -v c="$cat_median" 'BEGIN { printf "%.4f", t / c }')
cpu_ratio=$(awk -v t="$tags_cpu" -v c="$cat_cpu" 'BEGIN { printf "%.2f", t / c }')

peak_kb=$(/usr/bin/time -f %M "$cli" tags "$map" --json 2>&1 >/dev/null | tail -n 1)
peak_bytes=$((peak_kb * 1024))
limit_bytes=$((file_bytes + 64 * 1024 * 1024))

mib() { awk -v v="$1" 'BEGIN { printf "%.1f", v / 1048576 }'; }
ms() { awk -v v="$1" 'BEGIN { printf "%.1f", v * 1000 }'; }

echo "map: $(mib "$file_bytes") MiB, $tags tags; $reps runs each, interleaved, page cache warm"
echo "cat MAP:              median $(ms "$cat_median") ms (cpu $(ms "$cat_cpu") ms)"
echo "pelmar-cli tags MAP:  median $(ms "$tags_median") ms (cpu $(ms "$tags_cpu") ms)"
ratio_ok=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) ? 1 : 0 }')
mem_ok=$((peak_bytes <= limit_bytes ? 1 : 0))
printf 'ratio:                %.2f (goal <= 1.50) %s; cpu-time ratio %s\n' "$ratio" \
    "$([ "$ratio_ok" = 1 ] && echo met || echo MISSED)" "$cpu_ratio"
echo "peak memory of tags:  $(mib "$peak_bytes") MiB for a $(mib "$file_bytes") MiB file" \
    "(goal <= $(mib "$limit_bytes") MiB) $([ "$mem_ok" = 1 ] && echo met || echo MISSED)"

if [ "${BENCH_STRICT:-0}" = 1 ] && { [ "$ratio_ok" != 1 ] || [ "$mem_ok" != 1 ]; }; then
    exit 1
fi
