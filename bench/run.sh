#!/bin/bash
# Times quillmere-scan against du, ncdu and gdu on the generated benchmark tree
# (cache warm) and reports the peak memory of each. With --cold, compares
# quillmere-scan's reader-thread counts on a loop-mounted file system that is
# remounted before every run, and again warm on the same file system.
#
#   bench/run.sh [--cold] [--files N] [--folders N] [--seed S] [--runs N]
#
# The tree is made once in $QUILLMERE_BENCH_DIR (default /var/tmp/quillmere-bench)
# and reused while the parameters and the generator stay the same. The build goes
# to $QUILLMERE_BUILD_DIR like the other scripts.
set -euo pipefail

# Run by hyperfine before each cold run: a fresh mount has no cached inodes or
# directory blocks, and the image's own pages are dropped from the host cache
# in case the loop device could not bypass it.
if [ "${1:-}" = "__remount" ]; then
    dev=$2 mnt=$3 img=$4
    umount "$mnt"
    blockdev --flushbufs "$dev"
    dd if="$img" iflag=nocache count=0 status=none
    mount -o ro,noatime "$dev" "$mnt"
    exit 0
fi

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SELF="$ROOT/bench/run.sh"
BENCH_DIR="${QUILLMERE_BENCH_DIR:-/var/tmp/quillmere-bench}"
BUILD="${QUILLMERE_BUILD_DIR:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac

COLD=0
FILES=1000000
FOLDERS=100000
SEED=1
RUNS=5
COLD_RUNS=3
THREAD_COUNTS=(1 2 4 8 16)

usage() {
    sed -n '2,12s/^# \{0,1\}//p' "$SELF" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case "$1" in
    --cold) COLD=1 ;;
    --files) FILES=${2:?}; shift ;;
    --folders) FOLDERS=${2:?}; shift ;;
    --seed) SEED=${2:?}; shift ;;
    --runs) RUNS=${2:?}; shift ;;
    *) usage ;;
    esac
    shift
done
for n in "$FILES" "$FOLDERS" "$SEED" "$RUNS"; do
    case "$n" in '' | *[!0-9]*) usage ;; esac
done

say() { printf '\n== %s\n' "$*" >&2; }

# ---- Build ------------------------------------------------------------------

say "Installing what is missing and building"
"$ROOT/scripts/deps.sh" --bench
QUILLMERE_BUILD_DIR="$BUILD" "$ROOT/scripts/build.sh" --target quillmere-gentree
GENTREE="$BUILD/bench/quillmere-gentree"
SCAN=""
if ninja -C "$BUILD" -t targets all 2>/dev/null | grep -q '^quillmere-scan:'; then
    QUILLMERE_BUILD_DIR="$BUILD" "$ROOT/scripts/build.sh" --target quillmere-scan
    SCAN="$BUILD/src/app/quillmere-scan"
else
    echo "quillmere-scan is not part of this build yet: it is left out." >&2
fi

GDU="$(command -v gdu || command -v gdu-go || true)"
[ -n "$GDU" ] || { echo "gdu is not installed (scripts/deps.sh --bench)" >&2; exit 1; }

mkdir -p "$BENCH_DIR"
PARAMS="files=$FILES folders=$FOLDERS seed=$SEED generator=$(sha256sum "$ROOT/bench/gentree.cpp" | cut -c1-16)"

# ---- Helpers ----------------------------------------------------------------

# Quotes words for hyperfine -N and for eval.
quote() {
    local out="" w q="'\\''"
    for w in "$@"; do
        out+="${out:+ }'${w//\'/$q}'"
    done
    printf '%s' "$out"
}

# Tools to compare: parallel arrays of names and quoted command lines.
NAMES=()
COMMANDS=()
add_tool() {
    NAMES+=("$1")
    shift
    COMMANDS+=("$(quote "$@")")
}

hyperfine_args() {
    local i
    for i in "${!NAMES[@]}"; do
        printf '%s\0' -n "${NAMES[$i]}" "${COMMANDS[$i]}"
    done
}

# Mean of a command from hyperfine's CSV (command,mean,stddev,median,...).
csv_field() {
    awk -F, -v name="$2" -v col="$3" 'NR > 1 && $1 == name { print $col }' "$1"
}

peak_rss_kb() {
    local out
    out="$(mktemp)"
    eval "/usr/bin/time -v -o \"\$out\" $1" >/dev/null 2>&1
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$out"
    rm -f "$out"
}

machine_summary() {
    echo "- Machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
        "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) RAM, Linux $(uname -r)"
    echo "- Tools: $(du --version | head -1), ncdu $(ncdu -v | awk '{ print $2 }')," \
        "gdu $("$GDU" --version 2>/dev/null | awk '/Version/ { print $2 }'), $(hyperfine --version)"
}

# Makes the tree in $1 unless $2 says it was made with the same parameters.
generate_tree() {
    local tree=$1 stamp=$2
    if [ -d "$tree" ] && [ "$(head -1 "$stamp" 2>/dev/null)" = "$PARAMS" ]; then
        echo "Reusing the tree in $tree ($PARAMS)" >&2
        return
    fi
    say "Generating $FILES files in $FOLDERS folders into $tree"
    rm -rf "$tree" "$stamp"
    "$GENTREE" "$tree" --files "$FILES" --folders "$FOLDERS" --seed "$SEED" >"$stamp.new"
    sync
    { echo "$PARAMS"; cat "$stamp.new"; } >"$stamp"
    rm -f "$stamp.new"
}

tree_summary() {
    awk -F': ' '/^files/ { f = $2 } /^folders/ { d = $2 } /^apparent/ { b = $2 }
        END { printf "- Tree: %s files in %s folders, %.1f GB apparent size\n", f, d, b / 1e9 }' \
        <(tail -n +2 "$1")
}

# ---- Cold: thread counts on a freshly mounted file system -----------------------

if [ "$COLD" = 1 ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then
        SUDO="sudo -n"
    fi
    IMG="$BENCH_DIR/cold.img"
    MNT="$BENCH_DIR/cold-mnt"
    STAMP="$BENCH_DIR/cold.stamp"
    LOOP=""

    skip_cold() {
        echo "Cold runs skipped: $*" >&2
        exit 0
    }
    # shellcheck disable=SC2317 # run by the trap
    detach() {
        if [ -n "$LOOP" ]; then
            $SUDO umount "$MNT" 2>/dev/null || true
            $SUDO losetup -d "$LOOP" 2>/dev/null || true
            LOOP=""
        fi
    }
    trap detach EXIT

    [ -z "$SUDO" ] || $SUDO true 2>/dev/null || skip_cold "mounting needs root or password-less sudo."
    for tool in losetup mount umount blockdev mkfs.ext4; do
        command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || [ -x "/sbin/$tool" ] ||
            skip_cold "$tool is missing."
    done
    [ -e /dev/loop-control ] || skip_cold "no loop devices here (/dev/loop-control is missing)."
    # Left over from an interrupted run.
    mkdir -p "$MNT"
    if mountpoint -q "$MNT"; then
        $SUDO umount "$MNT" || skip_cold "$MNT is mounted and cannot be unmounted."
    fi
    if [ -f "$IMG" ]; then
        $SUDO losetup -j "$IMG" -O NAME -n 2>/dev/null | while read -r dev; do
            $SUDO losetup -d "$dev" || true
        done
    fi

    fresh=0
    if [ ! -f "$IMG" ] || [ "$(head -1 "$STAMP" 2>/dev/null)" != "$PARAMS" ]; then
        say "Making an ext4 image for the cold runs"
        rm -f "$IMG" "$STAMP"
        # Sparse: room for the directories and inodes, not for the files' data.
        truncate -s "$((FILES * 2 / 1000 + FOLDERS * 16 / 1000 + 256))M" "$IMG"
        mkfs.ext4 -q -F -m 0 -N "$((FILES + FOLDERS + FOLDERS / 10 + 1000))" \
            -E lazy_itable_init=1,lazy_journal_init=1,nodiscard "$IMG" ||
            skip_cold "mkfs.ext4 failed on $IMG."
        fresh=1
    fi
    LOOP="$($SUDO losetup --find --show --direct-io=on "$IMG" 2>&1)" || {
        msg=$LOOP
        LOOP=""
        skip_cold "cannot attach a loop device ($msg)."
    }
    DIRECT="$(cat "/sys/block/${LOOP#/dev/}/loop/dio" 2>/dev/null || echo 0)"
    if [ "$fresh" = 1 ]; then
        # noinit_itable: no background zeroing of inode tables filling the image.
        $SUDO mount -o noatime,noinit_itable "$LOOP" "$MNT" || skip_cold "cannot mount $LOOP."
        $SUDO chown "$(id -u):$(id -g)" "$MNT"
        generate_tree "$MNT/tree" "$STAMP"
        $SUDO umount "$MNT"
    else
        echo "Reusing the image $IMG ($PARAMS)" >&2
    fi
    $SUDO mount -o ro,noatime "$LOOP" "$MNT" || skip_cold "cannot mount $LOOP."
    TREE="$MNT/tree"

    add_tool "du -s" du -s "$TREE"
    add_tool "gdu -n -p" "$GDU" -n -p "$TREE"
    if [ -n "$SCAN" ]; then
        for t in "${THREAD_COUNTS[@]}"; do
            add_tool "quillmere-scan --threads $t" "$SCAN" --threads "$t" "$TREE"
        done
    else
        echo "Without quillmere-scan only du and gdu run, as references." >&2
    fi

    say "Cold: remounted before each run"
    mapfile -d '' args < <(hyperfine_args)
    # shellcheck disable=SC2086 # $SUDO is empty or a command and its option
    hyperfine -N --warmup 1 --runs "$COLD_RUNS" --export-csv "$BENCH_DIR/cold.csv" \
        --prepare "$(quote $SUDO bash "$SELF" __remount "$LOOP" "$MNT" "$IMG")" "${args[@]}"
    say "Warm: the same file system, cache filled"
    hyperfine -N --warmup 1 --runs "$RUNS" --export-csv "$BENCH_DIR/cold-warm.csv" "${args[@]}"

    {
        echo "### Reader threads, cold and warm ($(date +%Y-%m-%d))"
        echo
        tree_summary "$STAMP"
        machine_summary
        echo "- ext4 image on a loop device, direct I/O $([ "$DIRECT" = 1 ] && echo on || echo "off (the image's pages are dropped before each run instead)")"
        echo "- Cold: remounted before a warm-up and each of $COLD_RUNS runs; warm: 1 warm-up, $RUNS runs"
        echo
        echo "| Command | Cold mean (s) | Warm mean (s) |"
        echo "|---|---:|---:|"
        for name in "${NAMES[@]}"; do
            awk -v name="$name" -v cm="$(csv_field "$BENCH_DIR/cold.csv" "$name" 2)" \
                -v cs="$(csv_field "$BENCH_DIR/cold.csv" "$name" 3)" \
                -v wm="$(csv_field "$BENCH_DIR/cold-warm.csv" "$name" 2)" \
                -v ws="$(csv_field "$BENCH_DIR/cold-warm.csv" "$name" 3)" \
                'BEGIN { printf "| `%s` | %.3f ± %.3f | %.3f ± %.3f |\n", name, cm, cs, wm, ws }'
        done
    } | tee "$BENCH_DIR/cold.md"
    exit 0
fi

# ---- Warm: side by side, then peak memory -------------------------------------

TREE="$BENCH_DIR/tree"
STAMP="$BENCH_DIR/tree.stamp"
generate_tree "$TREE" "$STAMP"

[ -z "$SCAN" ] || add_tool "quillmere-scan" "$SCAN" "$TREE"
add_tool "du -s" du -s "$TREE"
add_tool "ncdu -0 -o /dev/null" ncdu -0 -o /dev/null "$TREE"
add_tool "gdu -n -p" "$GDU" -n -p "$TREE"

say "Timing, cache warm"
mapfile -d '' args < <(hyperfine_args)
hyperfine -N --warmup 1 --runs "$RUNS" --export-csv "$BENCH_DIR/warm.csv" "${args[@]}"

say "Peak memory"
RSS=()
for i in "${!NAMES[@]}"; do
    RSS+=("$(peak_rss_kb "${COMMANDS[$i]}")")
    echo "${NAMES[$i]}: ${RSS[$i]} kB" >&2
done

{
    echo "### Warm cache ($(date +%Y-%m-%d))"
    echo
    tree_summary "$STAMP"
    machine_summary
    echo "- hyperfine: 1 warm-up, $RUNS runs; peak RSS from \`/usr/bin/time -v\`, one run"
    echo
    echo "| Tool | Mean time (s) | Ratio to quillmere-scan | Peak RSS (MB) |"
    echo "|---|---:|---:|---:|"
    base=""
    [ -z "$SCAN" ] || base="$(csv_field "$BENCH_DIR/warm.csv" quillmere-scan 2)"
    for i in "${!NAMES[@]}"; do
        mean="$(csv_field "$BENCH_DIR/warm.csv" "${NAMES[$i]}" 2)"
        sd="$(csv_field "$BENCH_DIR/warm.csv" "${NAMES[$i]}" 3)"
        awk -v name="${NAMES[$i]}" -v mean="$mean" -v sd="$sd" -v base="$base" -v kb="${RSS[$i]}" \
            'BEGIN { ratio = base == "" ? "–" : sprintf("%.2f", mean / base)
                     printf "| `%s` | %.3f ± %.3f | %s | %.1f |\n", name, mean, sd, ratio, kb / 1024 }'
    done
    if [ -n "$SCAN" ]; then
        # What the program needs before it holds any tree (libraries, Qt's
        # locale data) is not a cost per folder: measure it on an empty folder.
        empty="$(mktemp -d)"
        base_rss="$(peak_rss_kb "$(printf '%q %q' "$SCAN" "$empty")")"
        rmdir "$empty"
        fastest="$(awk -F, 'NR > 1 && $1 != "quillmere-scan" && (m == "" || $2 < m) { m = $2 } END { print m }' \
            "$BENCH_DIR/warm.csv")"
        echo
        awk -v q="$base" -v f="$fastest" -v rss="${RSS[0]}" -v b="$base_rss" -v n="$FOLDERS" 'BEGIN {
            printf "quillmere-scan takes %.2f of the fastest other tool'\''s time (target: at most 0.60),", q / f
            printf " %.1f MB at its peak (target: under 50),", rss / 1024
            printf " %.0f bytes per folder above the %.1f MB it needs for an empty folder (target: under 400).\n", (rss - b) * 1024 / n, b / 1024 }'
    fi
} | tee "$BENCH_DIR/warm.md"

# ---- The same scan inside the main window -------------------------------------

if ninja -C "$BUILD" -t targets all 2>/dev/null | grep -q '^quillmere-window-bench:'; then
    say "Scanning inside the main window (offscreen)"
    QUILLMERE_BUILD_DIR="$BUILD" "$ROOT/scripts/build.sh" --target quillmere-window-bench
    {
        echo
        echo "### In the main window"
        echo
        "$BUILD/bench/quillmere-window-bench" "$TREE" --rounds 3 2>/dev/null
    } | tee -a "$BENCH_DIR/warm.md"

    # What depth costs the window: a chain of 100,000 folders beside a tree
    # of 100,000 files.
    DEEP="$BENCH_DIR/deep"
    if [ ! -d "$DEEP" ]; then
        say "Making the deep tree in $DEEP"
        "$GENTREE" "$DEEP" --files 100000 --folders 10000 --chain 100000 >/dev/null
    fi
    {
        echo
        echo "### In the main window, a 100,000-level chain"
        echo
        "$BUILD/bench/quillmere-window-bench" "$DEEP" --rounds 3 2>/dev/null
    } | tee -a "$BENCH_DIR/warm.md"
fi
