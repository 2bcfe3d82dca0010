#!/bin/bash
# The start-up of the window, and a report run without a display against
# quillmere-scan on the same tree.
#
#   bench/startup.sh [--files N] [--folders N]
#
# The tree is made once in $QUILLMERE_BENCH_DIR/report-tree (default
# /var/tmp/quillmere-bench) with the benchmark's generator.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BENCH_DIR="${QUILLMERE_BENCH_DIR:-/var/tmp/quillmere-bench}"
BUILD="${QUILLMERE_BUILD_DIR:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
FILES=1000000
FOLDERS=100000
while [ $# -gt 0 ]; do
    case "$1" in
    --files) FILES=$2; shift 2 ;;
    --folders) FOLDERS=$2; shift 2 ;;
    *) echo "usage: bench/startup.sh [--files N] [--folders N]" >&2; exit 2 ;;
    esac
done
"$ROOT/scripts/deps.sh" --bench
cmake --build "$BUILD" --target quillmere quillmere-scan quillmere-gentree quillmere-startup-bench >/dev/null

echo "start to first paint (ms), ten runs:"
for i in $(seq 1 10); do "$BUILD/bench/quillmere-startup-bench" 2>/dev/null | cut -d' ' -f1; done | sort -n | tr '\n' ' '
echo

TREE="$BENCH_DIR/report-tree-$FILES-$FOLDERS"
if [ ! -d "$TREE" ]; then
    mkdir -p "$BENCH_DIR"
    "$BUILD/bench/quillmere-gentree" "$TREE" --files "$FILES" --folders "$FOLDERS" >/dev/null
fi
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
# No display: the report run shows no window.
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$OUT/config" hyperfine --warmup 1 --runs 5 \
    --export-markdown "$BENCH_DIR/report-run.md" \
    -n "quillmere /RCSV ... /A /Q" "$BUILD/src/app/quillmere /RCSV $TREE $OUT/list.csv /A /Q" \
    -n "quillmere-scan" "$BUILD/src/app/quillmere-scan $TREE"
cat "$BENCH_DIR/report-run.md"
