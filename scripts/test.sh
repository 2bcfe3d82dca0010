#!/bin/sh
# Installs what is missing, builds, and runs every test.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
BUILD="${QUILLMERE_BUILD_DIR:-$ROOT/build}"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
