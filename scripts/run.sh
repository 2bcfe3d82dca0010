#!/bin/sh
# Installs what is missing, builds, and starts Quillmere on the given paths.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
BUILD="${QUILLMERE_BUILD_DIR:-$ROOT/build}"
exec "$BUILD/src/app/quillmere" "$@"
