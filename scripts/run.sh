#!/bin/sh
# Installs what is missing, builds, and starts Quillmere on the given paths.
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
BUILD="${QUILLMERE_BUILD_DIR:-$ROOT/build}"
if [ -x "$BUILD/src/app/quillmere" ]; then
    exec "$BUILD/src/app/quillmere" "$@"
fi
# Until the window exists the scanner's command-line front end stands in.
[ $# -eq 0 ] && set -- "$HOME"
exec "$BUILD/src/app/quillmere-scan" "$@"
