#!/bin/sh
# Configures and builds Quillmere into build/ (or $QUILLMERE_BUILD_DIR).
set -e
cd "$(dirname "$0")/.."
BUILD="${QUILLMERE_BUILD_DIR:-build}"
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" "$@"
