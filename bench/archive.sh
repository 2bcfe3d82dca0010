#!/bin/bash
# Times quillmere-clean archive (level 6, the read-back check included) and
# restore against zip -r -6 and unzip on the same folder: about 1 GB of mixed
# real files copied from /usr (text, programs and libraries, files that are
# already compressed), and compares the archives' sizes. zip is told to store
# the suffixes Quillmere stores.
#
#   bench/archive.sh [--runs N]
#
# The folder is made once in $QUILLMERE_BENCH_DIR/archive-source (default
# /var/tmp/quillmere-bench); the archives go beside it.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BENCH_DIR="${QUILLMERE_BENCH_DIR:-/var/tmp/quillmere-bench}"
BUILD="${QUILLMERE_BUILD_DIR:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
RUNS=1
[ "${1:-}" = "--runs" ] && RUNS=$2

"$ROOT/scripts/deps.sh" --bench
cmake --build "$BUILD" --target quillmere-clean >/dev/null
CLEAN="$BUILD/src/app/quillmere-clean"
SOURCE="$BENCH_DIR/archive-source"
WORK="$BENCH_DIR/archive-work"
mkdir -p "$BENCH_DIR"
if [ ! -f "$SOURCE/.complete" ]; then
    rm -rf "$SOURCE"
    mkdir -p "$SOURCE"
    echo "copying about 1 GB of /usr into $SOURCE ..." >&2
    # A third each: text, programs and libraries, compressed files.
    take() { # NAME FOLDERS... -- TESTS...: copies matching files until 340 MB are taken
        local into="$SOURCE/$1" folders=()
        shift
        while [ "$1" != "--" ]; do folders+=("$1"); shift; done
        shift
        mkdir -p "$into"
        find "${folders[@]}" -type f -size +0 \( "$@" \) -printf '%s\t%p\0' 2>/dev/null |
            awk -v RS='\0' -v ORS='\0' -F'\t' '{ t += $1; if (t > 356515840) exit; print $2 }' |
            xargs -0 -r cp -p --parents -t "$into" 2>/dev/null || true
    }
    take text /usr/share /usr/include -- -not -name '*.gz' -not -name '*.png' -not -name '*.svg*' \
        -not -name '*.jar' -not -name '*.xz' -not -name '*.bz2' -not -name '*.zip'
    take programs /usr/lib /usr/bin /usr/libexec -- -not -name '*.gz' -not -name '*.zip'
    take compressed /usr/share /usr/lib -- -name '*.gz' -o -name '*.png' -o -name '*.jar' \
        -o -name '*.xz' -o -name '*.bz2'
    touch "$SOURCE/.complete"
fi
echo "$(du -sb "$SOURCE" | cut -f1) bytes in $(find "$SOURCE" -type f | wc -l) files" >&2

STORED=".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha:.rar:.ace:.cab:.gz:.gzip:.jar"
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
for run in $(seq 1 "$RUNS"); do
    rm -rf "$WORK"
    mkdir -p "$WORK/drive" "$WORK/zip"
    sync
    # zip stores the same suffixes as Quillmere does (-n), so the sizes
    # compare the same work.
    zip_time=$(cd "$BENCH_DIR" && seconds zip -r -6 -q -n "$STORED" "$WORK/zip/source.zip" archive-source)
    q_time=$(seconds "$CLEAN" archive "$SOURCE" --keep --level 6 --drive "$WORK/drive")
    name=$("$CLEAN" list --drive "$WORK/drive" | cut -f1)
    unzip_time=$(seconds unzip -q "$WORK/zip/source.zip" -d "$WORK/unzipped")
    restore_time=$(seconds "$CLEAN" restore "$name" --keep-archive --drive "$WORK/drive" --to "$WORK/restored")
    diff -r "$SOURCE" "$WORK/restored/archive-source" >/dev/null || { echo "the restore differs" >&2; exit 1; }
    zip_size=$(stat -c %s "$WORK/zip/source.zip")
    q_size=$(stat -c %s "$WORK/drive/.Archives Bin/$name")
    printf "run %d: compress %.2f s (zip %.2f s, ratio %.2f); restore %.2f s (unzip %.2f s, ratio %.2f); size %d (zip %d, ratio %.3f)\n" \
        "$run" "$q_time" "$zip_time" "$(echo "$q_time / $zip_time" | bc -l)" \
        "$restore_time" "$unzip_time" "$(echo "$restore_time / $unzip_time" | bc -l)" \
        "$q_size" "$zip_size" "$(echo "$q_size / $zip_size" | bc -l)"
done
rm -rf "$WORK"
