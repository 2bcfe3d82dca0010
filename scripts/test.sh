#!/bin/sh
# Installs what is missing, builds, and runs every test. Then builds the
# engine, platform, clean-up and scan-file suites and the fuzz corpora again with
# AddressSanitizer and UndefinedBehaviorSanitizer, into build-sanitize/ (or
# $QUILLMERE_SANITIZE_BUILD_DIR), and runs them there.
#
#   scripts/test.sh              # as CI runs it
#   scripts/test.sh --sanitize   # every suite, only the sanitized build
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
ALL_SANITIZED=0
case "${1:-}" in
"") ;;
--sanitize) ALL_SANITIZED=1 ;;
*) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
esac
"$ROOT/scripts/deps.sh"

if [ "$ALL_SANITIZED" = 0 ]; then
    "$ROOT/scripts/build.sh"
    BUILD="${QUILLMERE_BUILD_DIR:-$ROOT/build}"
    (cd "$BUILD" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600)
fi

SANITIZED="${QUILLMERE_SANITIZE_BUILD_DIR:-$ROOT/build-sanitize}"
if [ ! -f "$SANITIZED/build.ninja" ]; then
    cmake -S "$ROOT" -B "$SANITIZED" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLMERE_SANITIZE=ON
fi
# Any finding fails the test that made it; leaks are reported at each test
# program's end.
ASAN_OPTIONS="detect_leaks=1:strict_init_order=1:check_initialization_order=1"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
if [ "$ALL_SANITIZED" = 1 ]; then
    cmake --build "$SANITIZED"
    cd "$SANITIZED"
    exec env QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 1200
fi
targets="test_platform test_engine test_cleanup test_snapshot"
for source in "$ROOT"/tests/fuzz/*Fuzz.cpp; do
    targets="$targets fuzz-corpus-$(basename "$source" Fuzz.cpp)"
done
# shellcheck disable=SC2086
cmake --build "$SANITIZED" --target $targets
cd "$SANITIZED"
exec env QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600 \
    -L '^(platform|engine|cleanup|snapshot|fuzz)$'
