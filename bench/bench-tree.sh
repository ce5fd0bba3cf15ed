#!/usr/bin/env bash
# Chunk-tree expansion: the struct row of a struct with 100,000 chunks.
set -euo pipefail
build_dir="${1:-build}"
"$build_dir/bin/bench_expand_struct" --benchmark_min_time=1 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true
