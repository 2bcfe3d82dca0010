#!/bin/bash
# Scan files on the benchmark tree: quillmere-scan --export against ncdu's
# export (both writing a file), loading the export against ncdu loading it,
# and the memory of the loaded tree against that of a live scan.
#
#   bench/export.sh [--files N] [--folders N] [--runs N]
#
# The tree is the one bench/startup.sh uses ($QUILLMERE_BENCH_DIR/report-tree-*,
# default /var/tmp/quillmere-bench), made with the benchmark's generator when
# missing. The table goes to export.md in the bench folder.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BENCH_DIR="${QUILLMERE_BENCH_DIR:-/var/tmp/quillmere-bench}"
BUILD="${QUILLMERE_BUILD_DIR:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
FILES=1000000
FOLDERS=100000
RUNS=5
while [ $# -gt 0 ]; do
    case "$1" in
    --files) FILES=$2; shift 2 ;;
    --folders) FOLDERS=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    *) sed -n '2,11s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
    esac
done
"$ROOT/scripts/deps.sh" --bench
cmake --build "$BUILD" --target quillmere-scan quillmere-gentree quillmere-load-bench >/dev/null
SCAN="$BUILD/src/app/quillmere-scan"
LOAD="$BUILD/bench/quillmere-load-bench"

TREE="$BENCH_DIR/report-tree-$FILES-$FOLDERS"
if [ ! -d "$TREE" ]; then
    mkdir -p "$BENCH_DIR"
    "$BUILD/bench/quillmere-gentree" "$TREE" --files "$FILES" --folders "$FOLDERS" >/dev/null
fi
OUT="$(mktemp -d "$BENCH_DIR/export-XXXXXX")"
trap 'rm -rf "$OUT"' EXIT

# Processor time (user + system) of one run: on a shared machine the wall
# clock says more about the neighbours than about the program.
cpu_s() {
    /usr/bin/time -f "%U %S" -o "$OUT/cpu.txt" "$@" >/dev/null 2>&1 || true
    awk '{ printf "%.2f", $1 + $2 }' "$OUT/cpu.txt"
}

peak_mb() {
    /usr/bin/time -v -o "$OUT/time.txt" "$@" >/dev/null 2>&1 || true
    awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$OUT/time.txt"
}

# Writing: both into a file on the same disk, the cache warm (one warm-up).
hyperfine --warmup 1 --runs "$RUNS" --export-csv "$OUT/write.csv" \
    -n "quillmere-scan --export" "$SCAN --export $OUT/q.json $TREE" \
    -n "ncdu -0 -o" "ncdu -0 -o $OUT/n.json $TREE" \
    -n "quillmere-scan (no export)" "$SCAN $TREE" >&2
# Loading: ncdu -f with -o re-exports without a browser; to /dev/null it is
# ncdu's parse of the file with as little else as it allows (ncdu 1.x builds
# no tree then, so its memory is no comparison).
hyperfine --warmup 1 --runs "$RUNS" --export-csv "$OUT/load.csv" \
    -n "load ours" "$LOAD $OUT/q.json" \
    -n "load ncdu's" "$LOAD $OUT/n.json" \
    -n "ncdu ours" "ncdu -0 -f $OUT/q.json -o /dev/null" \
    -n "ncdu ncdu's" "ncdu -0 -f $OUT/n.json -o /dev/null" >&2

mean() { awk -F, -v name="$2" 'NR > 1 && $1 == name { printf "%.3f", $2 }' "$1"; }
row() { echo "| $1 | $2 | $3 | $4 |"; }
{
    echo "| Command | Mean time (s) | Processor time (s) | Peak RSS (MB) |"
    echo "|---|---:|---:|---:|"
    row '`quillmere-scan --export FILE`' "$(mean "$OUT/write.csv" "quillmere-scan --export")" \
        "$(cpu_s "$SCAN" --export "$OUT/q.json" "$TREE")" "$(peak_mb "$SCAN" --export "$OUT/q.json" "$TREE")"
    row '`ncdu -0 -o FILE`' "$(mean "$OUT/write.csv" "ncdu -0 -o")" \
        "$(cpu_s ncdu -0 -o "$OUT/n.json" "$TREE")" "$(peak_mb ncdu -0 -o "$OUT/n.json" "$TREE")"
    row '`quillmere-scan` (no export)' "$(mean "$OUT/write.csv" "quillmere-scan (no export)")" \
        "$(cpu_s "$SCAN" "$TREE")" "$(peak_mb "$SCAN" "$TREE")"
    row 'load our export (`quillmere-load-bench`)' "$(mean "$OUT/load.csv" "load ours")" \
        "$(cpu_s "$LOAD" "$OUT/q.json")" "$(peak_mb "$LOAD" "$OUT/q.json")"
    row "load ncdu's export" "$(mean "$OUT/load.csv" "load ncdu's")" \
        "$(cpu_s "$LOAD" "$OUT/n.json")" "$(peak_mb "$LOAD" "$OUT/n.json")"
    row '`ncdu -0 -f` our export `-o /dev/null`' "$(mean "$OUT/load.csv" "ncdu ours")" \
        "$(cpu_s ncdu -0 -f "$OUT/q.json" -o /dev/null)" "$(peak_mb ncdu -0 -f "$OUT/q.json" -o /dev/null)"
    row "\`ncdu -0 -f\` ncdu's export \`-o /dev/null\`" "$(mean "$OUT/load.csv" "ncdu ncdu's")" \
        "$(cpu_s ncdu -0 -f "$OUT/n.json" -o /dev/null)" "$(peak_mb ncdu -0 -f "$OUT/n.json" -o /dev/null)"
    echo
    echo "Export files: ours $(stat -c %s "$OUT/q.json") bytes, ncdu's $(stat -c %s "$OUT/n.json") bytes;" \
        "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)."
} | tee "$BENCH_DIR/export.md"
