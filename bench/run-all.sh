#!/usr/bin/env bash
# Runs every benchmark against the given build folder.
set -euo pipefail
build_dir="$(cd "${1:-build}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
for script in "$here"/bench-*.sh; do
    echo "== $(basename "$script")"
    bash "$script" "$build_dir"
done
echo "== chunk tree expansion"
"$build_dir/bin/bench_expand_struct"
