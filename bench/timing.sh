# Shared by the benchmark scripts: sourced, not run.

# The median of the numbers on standard input, one per line.
median() {
    sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'
}

# $1 / $2 with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Seconds (wall clock) of one run of "$@", output discarded.
seconds_of() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", b - a }'
}

# Peak memory (KiB) of one run of "$@".
peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

# Sets cli, plugins and work (a scratch folder removed when the script exits) from BUILD_DIR;
# the maps go under $BENCH_DIR (default: the build folder, which is on disk).
bench_setup() { # NAME BUILD_DIR
    local build_dir
    build_dir="$(cd "$2" && pwd)"
    cli="$build_dir/bin/pelmar-cli"
    plugins="$build_dir/bin/plugins"
    work="$(mktemp -d "${BENCH_DIR:-$build_dir}/pelmar-bench-$1.XXXXXX")"
    export XDG_DATA_HOME="$work/data" # the edit history of the benchmark maps
    trap 'rm -rf "$work"' EXIT
}

# Writes a realistic map of SIZE MiB with TAGS tags (the size of a campaign map's index) to PATH.
TAGS="${TAGS:-4096}"
make_map() { # PATH SIZE_MB
    "$cli" make-demo "$1" --size-mb "$2" --tags "$TAGS" --plugins "$plugins" --force >/dev/null
}

SIZES="${SIZES:-32 128 256 512}"
ROUNDS="${ROUNDS:-5}"
