# Shared by the benchmark scripts: sourced, not run.

# Seconds elapsed since a start time taken from $EPOCHREALTIME.
seconds_since() {
    awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

# The median of the numbers on standard input, one per line.
median() {
    sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'
}

# $1 / $2 with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# The median of the arguments.
median_of() { printf '%s\n' "$@" | median; }

# Sets build_dir and cli from BUILD_DIR, and work to a scratch folder for benchmark NAME
# under PARENT (default $BENCH_DIR, else the temporary folder), removed when the script exits.
bench_setup() { # NAME BUILD_DIR [PARENT]
    build_dir="$(cd "$2" && pwd)"
    cli="$build_dir/bin/pelmar-cli"
    work="$(mktemp -d "${3:-${BENCH_DIR:-${TMPDIR:-/tmp}}}/pelmar-bench-$1.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
}
