#!/bin/sh
# Builds the Debian package quillmere_VERSION_ARCH.deb in the build folder.
# Install it with: apt-get install ./build/quillmere_*.deb
set -e
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
BUILD="${QUILLMERE_BUILD_DIR:-$ROOT/build}"
cd "$BUILD"
rm -f quillmere_*.deb
cpack -G DEB
# Debian's checker of packages: an error stops here, warnings are shown.
lintian --fail-on error quillmere_*.deb
ls "$BUILD"/quillmere_*.deb
