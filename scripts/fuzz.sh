#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer),
# writes the seed corpora, runs each target for FUZZ_SECONDS seconds and reports executions
# and findings. Findings (crash, leak, timeout inputs) land in fuzz/findings/<target>/.
# Exit status 1 when any target found something.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-180}"
build_dir="${FUZZ_BUILD_DIR:-build-fuzz}"

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELMAR_FUZZ=ON -DPELMAR_BUILD_GUI=OFF -DPELMAR_BUILD_TESTS=OFF -DPELMAR_BUILD_BENCH=OFF \
    >/dev/null || exit 1
cmake --build "$build_dir" -j "$(nproc)" || exit 1

corpus="fuzz/corpus"
rm -rf "$corpus"
"$build_dir/bin/make_fuzz_seeds" "$corpus" plugins || exit 1

status=0
for target in "$build_dir"/bin/fuzz_*; do
    name="$(basename "$target")"
    findings="fuzz/findings/$name"
    mkdir -p "$findings" "$corpus/$name"
    log="$build_dir/$name.log"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$corpus/$name" >"$log" 2>&1
    rc=$?
    runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)"
    found="$(find "$findings" -type f | wc -l)"
    echo "$name: ${runs:-?} executions in ${seconds}s, $found finding(s), exit $rc"
    if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
        status=1
        tail -n 30 "$log"
    fi
done
exit $status
