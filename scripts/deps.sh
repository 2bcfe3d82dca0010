#!/bin/sh
# Installs the Debian packages that building, running and testing Quillmere
# need, skipping those already present.
set -e
PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libgl-dev
libglib2.0-dev libarchive-dev rapidjson-dev libgtest-dev libgmock-dev googletest
fonts-dejavu-core xvfb xauth fuse3 libfuse3-dev python3 poppler-utils ncdu gdu
cups printer-driver-cups-pdf libuemf-dev emf2svg libwmf-bin ghostscript"
# Readers that archives must satisfy besides our own.
PACKAGES="$PACKAGES unzip p7zip-full libarchive-tools"
# What checks the installation, builds the Debian package and checks it.
PACKAGES="$PACKAGES desktop-file-utils appstream dpkg-dev lintian x11-utils"
if [ "$1" = "--bench" ]; then
    PACKAGES="$PACKAGES hyperfine time zip bc"
fi
# The fuzz targets (bench/fuzz.sh): clang and its libFuzzer and sanitizer
# runtimes.
if [ "$1" = "--fuzz" ]; then
    PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y --no-install-recommends $missing
