#!/usr/bin/env bash
# Plants each fault listed in tests/mutants.txt in a copy of the repository, one at a time, and
# checks that the test suites catch it.
#
# Each line of the list reads   FILE | FRAGMENT => REPLACEMENT   (blank lines and lines starting
# with # are skipped): FRAGMENT must occur exactly once in FILE. The working tree is never
# touched: its tracked files (and new files not yet added, so that work in progress builds)
# are copied to a scratch folder, built there once, then for each fault the file is changed,
# rebuilt incrementally, the tests run with a timeout (a crash or a hang counts as caught),
# and the file restored.
#
# Usage: scripts/mutants.sh [PATTERN]   only the faults whose line holds PATTERN
# Environment: MUTANTS_DIR  the scratch folder (kept, and reused by the next run; default: a
#                           new temporary folder, removed at the end)
#              JOBS         parallel jobs (default: the number of processors)
#              MUTANT_TIMEOUT  seconds per test (default 120)
# Exit status: 0 every fault caught, 1 a fault survived, 2 the list or the set-up is broken.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
list="$repo/tests/mutants.txt"
pattern=${1:-}
jobs=${JOBS:-$(nproc)}
timeout=${MUTANT_TIMEOUT:-120}

fail() {
    echo "mutants: $*" >&2
    exit 2
}

if [[ -n ${MUTANTS_DIR:-} ]]; then
    scratch=$MUTANTS_DIR
    mkdir -p "$scratch" || fail "cannot create $scratch"
else
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/pelmar-mutants-XXXXXX") || fail "cannot create a scratch folder"
    trap 'rm -rf "$scratch"' EXIT
fi
src="$scratch/src-tree"
build="$scratch/build"

# Copies keep their modification times, so that a reused build rebuilds only what changed;
# files a reused copy holds that the repository no longer has are removed.
echo "mutants: copying the repository to $src"
mkdir -p "$src"
(cd "$repo" && git ls-files --cached --others --exclude-standard | sort -u |
    while IFS= read -r f; do [[ ! -f $f ]] || echo "$f"; done) >"$scratch/files" ||
    fail "cannot list the repository's files"
(cd "$repo" && while IFS= read -r f; do cp --parents -p "$f" "$src/"; done) <"$scratch/files" ||
    fail "cannot copy the repository"
(cd "$src" && find . -type f | sed 's|^\./||' | sort | comm -23 - "$scratch/files" |
    while IFS= read -r stale; do rm -f "$stale"; done)

build_tree() {
    cmake --build "$build" -j "$jobs" >"$scratch/build.log" 2>&1
}
run_tests() {
    (cd "$build" && ctest -j "$jobs" --timeout "$timeout" >"$scratch/test.log" 2>&1)
}

# The project's optimisation (-O2), without debug information: linking the test programs
# after every fault is much faster without it.
echo "mutants: building the tests"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DPELMAR_BUILD_GUI=OFF \
    -DPELMAR_BUILD_BENCH=OFF -DPELMAR_BUILD_TESTS=ON >"$scratch/configure.log" 2>&1 ||
    fail "configuring failed; see $scratch/configure.log"
build_tree || fail "the unchanged tree does not build; see $scratch/build.log"
run_tests || fail "the tests fail without any fault; see $scratch/test.log"

caught=0
survived=0
broken=0
while IFS= read -r line || [[ -n $line ]]; do
    [[ -z ${line//[[:space:]]/} || $line == \#* ]] && continue
    [[ -n $pattern && $line != *"$pattern"* ]] && continue
    file=${line%% | *}
    rest=${line#* | }
    fragment=${rest%% => *}
    replacement=${rest#* => }
    target="$src/$file"
    if [[ $line != *" | "* || $rest != *" => "* || ! -f $target ]]; then
        echo "BROKEN    $line (not FILE | FRAGMENT => REPLACEMENT of an existing file)"
        broken=$((broken + 1))
        continue
    fi
    content=$(<"$target")
    after=${content#*"$fragment"}
    if [[ $after == "$content" || $after == *"$fragment"* ]]; then
        echo "BROKEN    $file: the fragment is not found exactly once: $fragment"
        broken=$((broken + 1))
        continue
    fi
    cp -p "$target" "$scratch/original"
    printf '%s\n' "${content/"$fragment"/"$replacement"}" >"$target"
    if ! build_tree; then
        echo "BROKEN    $file: $fragment => $replacement (does not build)"
        broken=$((broken + 1))
    elif run_tests; then
        echo "SURVIVED  $file: $fragment => $replacement"
        survived=$((survived + 1))
    else
        first=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) ([^)]*)$/\1/p' "$scratch/test.log" | head -n 1)
        echo "caught    $file: $fragment => $replacement  [${first:-build checks}]"
        caught=$((caught + 1))
    fi
    # The restored file is newer than its objects, so the next build compiles it again.
    cp "$scratch/original" "$target"
    touch "$target"
done <"$list"

build_tree || fail "the restored tree does not build; see $scratch/build.log"
echo "mutants: $caught caught, $survived survived, $broken broken"
((broken > 0)) && exit 2
((survived > 0)) && exit 1
exit 0
