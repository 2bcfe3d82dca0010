#!/bin/sh
# A chain of 1,000,000 folders (too slow for a unit test): a report run on its
# top, the scan exported as a scan file, and the window opening that file,
# each timed; any crash fails the run.
#
#   bench/deep.sh [BUILD_DIR] [WORK_DIR]     (defaults: build, a temporary folder)
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
WORK="${2:-$(mktemp -d)}"
CHAIN="$WORK/tree"
[ -d "$CHAIN" ] || "$BUILD/bench/quillmere-gentree" "$CHAIN" --files 0 --folders 0 --chain 1000000 >/dev/null
timed() {
    start=$(date +%s.%N)
    "$@"
    echo "$(echo "$(date +%s.%N) - $start" | bc) s: $*" | cut -c1-120
}
timed env -u DISPLAY -u WAYLAND_DISPLAY "$BUILD/src/app/quillmere" /RCSV "$CHAIN/chain" "$WORK/chain.csv" /Q
# The chain's one subfolder holds the other 999,998 folders.
grep -q '"999,998"' "$WORK/chain.csv"
timed "$BUILD/src/app/quillmere-scan" --export "$WORK/chain.json" "$CHAIN/chain"
# The window has no way to end by itself here: it is given two minutes to
# open the file and show it, then ended; only a crash fails.
status=0
QT_QPA_PLATFORM=offscreen timeout 120 "$BUILD/src/app/quillmere" "$WORK/chain.json" || status=$?
[ "$status" -eq 124 ] || { echo "deep.sh: the window ended with $status" >&2; exit 1; }
echo "deep.sh: held a chain of 1,000,000 folders"
