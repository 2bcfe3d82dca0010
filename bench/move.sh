#!/bin/bash
# Times quillmere-clean move against coreutils mv, moving the same folder from
# the disk to another file system (a RAM disk by default): 100,000 files
# holding 1 GB of real data in 1,000 folders. Each run moves a fresh copy of
# the template tree, whose pages are in the cache for both tools alike.
#
#   bench/move.sh [--runs N] [--target-dir DIR]
#
# The template is made once in $QUILLMERE_BENCH_DIR/move-template (default
# /var/tmp/quillmere-bench). The target folder must be on another file system
# than the bench folder (default /dev/shm).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BENCH_DIR="${QUILLMERE_BENCH_DIR:-/var/tmp/quillmere-bench}"
BUILD="${QUILLMERE_BUILD_DIR:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
RUNS=3
TARGET_DIR=/dev/shm
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) RUNS=$2; shift 2 ;;
    --target-dir) TARGET_DIR=$2; shift 2 ;;
    *) echo "usage: bench/move.sh [--runs N] [--target-dir DIR]" >&2; exit 2 ;;
    esac
done

cmake --build "$BUILD" --target quillmere-clean >/dev/null
CLEAN="$BUILD/src/app/quillmere-clean"
TEMPLATE="$BENCH_DIR/move-template"
mkdir -p "$BENCH_DIR"
if [ ! -f "$TEMPLATE/.complete" ]; then
    rm -rf "$TEMPLATE"
    echo "making the template tree in $TEMPLATE ..." >&2
    /usr/bin/python3 - "$TEMPLATE" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(1)
block = os.urandom(1 << 20)
total = 0
for folder in range(1000):
    path = os.path.join(root, "d%03d" % (folder // 100), "f%04d" % folder)
    os.makedirs(path, exist_ok=True)
    for i in range(100):
        # Mostly small files, a few larger ones: 10,000 bytes on average.
        size = rng.choice((200, 1000, 3000, 6000, 9000, 12000, 15000, 20000, 33800))
        start = rng.randrange(0, len(block) - size)
        with open(os.path.join(path, "file%03d.dat" % i), "wb") as f:
            f.write(block[start:start + size])
        total += size
open(os.path.join(root, ".complete"), "w").close()
print("%d bytes in 100,000 files" % total, file=sys.stderr)
PY
fi
if [ "$(stat -c %d "$BENCH_DIR")" = "$(stat -c %d "$TARGET_DIR")" ]; then
    echo "$TARGET_DIR is on the same file system as $BENCH_DIR" >&2
    exit 2
fi

SOURCE="$BENCH_DIR/move-source"
TARGET="$TARGET_DIR/quillmere-move-bench"
declare -A TIMES
for run in $(seq 1 "$RUNS"); do
    for tool in mv quillmere; do
        rm -rf "$SOURCE" "$TARGET"
        cp -a "$TEMPLATE" "$SOURCE"
        sync
        start=$(date +%s.%N)
        if [ $tool = mv ]; then
            mv "$SOURCE" "$TARGET"
        else
            "$CLEAN" move "$SOURCE" "$TARGET" 2>/dev/null
        fi
        end=$(date +%s.%N)
        [ ! -e "$SOURCE" ] && [ -f "$TARGET/.complete" ] || { echo "$tool did not move" >&2; exit 1; }
        t=$(echo "$end - $start" | bc)
        TIMES[$tool]="${TIMES[$tool]:-} $t"
        echo "run $run $tool: $t s" >&2
    done
done
rm -rf "$SOURCE" "$TARGET"

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mv_median=$(echo "${TIMES[mv]}" | median)
q_median=$(echo "${TIMES[quillmere]}" | median)
printf "mv:              %6.2f s (median of %d)\n" "$mv_median" "$RUNS"
printf "quillmere-clean: %6.2f s (median of %d)\n" "$q_median" "$RUNS"
printf "ratio:           %6.2f\n" "$(echo "$q_median / $mv_median" | bc -l)"
