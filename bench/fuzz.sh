#!/bin/bash
# Fuzzes each parser that reads outside input: builds the targets of
# tests/fuzz with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ (or $QUILLMERE_FUZZ_BUILD_DIR),
# runs each target for SECONDS (default 60), one after the other, on one core,
# and adds the run to the totals in tests/fuzz/figures.md.
#
#   bench/fuzz.sh [SECONDS] [--only NAME] [--merge]
#
# Each target starts from tests/fuzz/corpus/<Name>/ and keeps what it finds in
# build-fuzz/fuzz-work/<Name>/corpus/, across runs. A crash or a failed check
# ends that target's run and leaves the input as crash-* (or timeout-*, oom-*,
# leak-*) in build-fuzz/fuzz-work/<Name>/; it counts as found. Once the code is
# fixed, the input goes into the corpus as crash-<what>, where
# Fuzz.<Name>Corpus runs it on every test run; those count as fixed.
# --merge adds to tests/fuzz/corpus/<Name>/ the inputs of the work corpus that
# reach code the corpus does not (libFuzzer's -merge=1, edges only).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QUILLMERE_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_EACH=60
ONLY=""
MERGE=0
while [ $# -gt 0 ]; do
    case "$1" in
    --only) ONLY=$2; shift 2 ;;
    --merge) MERGE=1; shift ;;
    [0-9]*) SECONDS_EACH=$1; shift ;;
    *) echo "usage: bench/fuzz.sh [SECONDS] [--only NAME] [--merge]" >&2; exit 2 ;;
    esac
done

"$ROOT/scripts/deps.sh" --fuzz
if [ ! -f "$BUILD/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLMERE_FUZZ=ON -DQUILLMERE_TESTS=OFF >/dev/null
fi

NAMES=()
for source in "$ROOT"/tests/fuzz/*Fuzz.cpp; do
    name=$(basename "$source" Fuzz.cpp)
    if [ -z "$ONLY" ] || [ "$ONLY" = "$name" ]; then
        NAMES+=("$name")
    fi
done
[ ${#NAMES[@]} -gt 0 ] || { echo "no fuzz target ${ONLY}" >&2; exit 2; }
nice cmake --build "$BUILD" --target "${NAMES[@]/#/fuzz-}"

# The targets' files go to a RAM disk where there is one: the settings
# store's writes are flushed to disk, which would otherwise set the pace.
SCRATCH=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && SCRATCH=/dev/shm

FIGURES="$ROOT/tests/fuzz/figures.md"
# The totals so far, one "name hours executions found" line per target.
declare -A HOURS EXECS FOUND
if [ -f "$FIGURES" ]; then
    while read -r name hours execs found; do
        HOURS[$name]=$hours; EXECS[$name]=$execs; FOUND[$name]=$found
    done < <(awk -F'|' '/^\| [A-Za-z]/ && !/Target/ {
        gsub(/[ ,]/, "", $2); gsub(/[ ,]/, "", $3); gsub(/[ ,]/, "", $4); gsub(/[ ,]/, "", $5);
        print $2, $3, $4, $5 }' "$FIGURES")
fi

for name in "${NAMES[@]}"; do
    work="$BUILD/fuzz-work/$name"
    mkdir -p "$work/corpus"
    # A target may ask for options of its own in a line of its source.
    options=$(sed -n 's|^// libFuzzer options: ||p' "$ROOT/tests/fuzz/${name}Fuzz.cpp")
    # 0 seconds: only --merge (libFuzzer would take 0 for no limit).
    if [ "$SECONDS_EACH" -gt 0 ]; then
        before=$(find "$work" -maxdepth 1 -name 'crash-*' -o -maxdepth 1 -name 'timeout-*' \
            -o -maxdepth 1 -name 'oom-*' -o -maxdepth 1 -name 'leak-*' | wc -l)
        echo "== $name: $SECONDS_EACH s" >&2
        start=$(date +%s)
        # A failed check ends the run with a non-zero status: that is a finding,
        # not a failure of this script.
        # shellcheck disable=SC2086
        TMPDIR="$SCRATCH" nice "$BUILD/tests/fuzz/fuzz-$name" -max_total_time="$SECONDS_EACH" \
            -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/" $options \
            "$work/corpus" "$ROOT/tests/fuzz/corpus/$name" >"$work/last.log" 2>&1 || true
        took=$(( $(date +%s) - start ))
        runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$work/last.log" | tail -1)
        after=$(find "$work" -maxdepth 1 -name 'crash-*' -o -maxdepth 1 -name 'timeout-*' \
            -o -maxdepth 1 -name 'oom-*' -o -maxdepth 1 -name 'leak-*' | wc -l)
        HOURS[$name]=$(echo "${HOURS[$name]:-0} $took" | awk '{ printf "%.2f", $1 + $2 / 3600 }')
        EXECS[$name]=$(( ${EXECS[$name]:-0} + ${runs:-0} ))
        FOUND[$name]=$(( ${FOUND[$name]:-0} + after - before ))
        echo "   $took s, ${runs:-0} executions, $((after - before)) new findings" >&2
    fi
    if [ "$MERGE" = 1 ]; then
        # By the code reached alone, not how often: the corpus in the
        # repository stays a few dozen files.
        # shellcheck disable=SC2086
        TMPDIR="$SCRATCH" nice "$BUILD/tests/fuzz/fuzz-$name" -merge=1 -use_counters=0 $options \
            "$ROOT/tests/fuzz/corpus/$name" "$work/corpus" >>"$work/last.log" 2>&1
    fi
done

{
    echo "# Fuzzing figures"
    echo
    echo "Totals of every \`bench/fuzz.sh\` run so far (libFuzzer with AddressSanitizer and"
    echo "UndefinedBehaviorSanitizer, one target at a time on one core). A crash or a"
    echo "failed check counts as found; as fixed once its input is kept in the corpus as"
    echo "crash-*, where \`Fuzz.<Target>Corpus\` runs it on every test run."
    echo
    echo "| Target | Hours fuzzed | Executions | Crashes found | Crashes fixed |"
    echo "|---|---:|---:|---:|---:|"
    all=$(for s in "$ROOT"/tests/fuzz/*Fuzz.cpp; do basename "$s" Fuzz.cpp; done)
    for name in $all; do
        fixed=$(find "$ROOT/tests/fuzz/corpus/$name" -maxdepth 1 -name 'crash-*' 2>/dev/null | wc -l)
        echo "| $name | ${HOURS[$name]:-0.00} | ${EXECS[$name]:-0} | ${FOUND[$name]:-0} | $fixed |"
    done
} >"$FIGURES"
cat "$FIGURES"
