#!/bin/sh
# What an installation puts in place, as the desktop's own checkers see it,
# and, as root, the Debian package installed with apt-get and run.
#   install-test.sh BUILD_DIR
# Exit status 77: skipped, with the reason on standard output.
set -e
BUILD="$1"
STAGE="$(mktemp -d)"
trap 'rm -rf "$STAGE"' EXIT
cmake --install "$BUILD" --prefix "$STAGE/usr" >/dev/null
for program in quillmere quillmere-scan quillmere-clean; do
    test -x "$STAGE/usr/bin/$program"
    test -f "$STAGE/usr/share/man/man1/$program.1"
done
test -f "$STAGE/usr/share/icons/hicolor/scalable/apps/quillmere.svg"
test -f "$STAGE/usr/share/icons/hicolor/48x48/apps/quillmere.png"
# Never a handler of folders: that would take folders away from the file manager.
! grep -q '^MimeType=.*inode/directory' "$STAGE"/usr/share/applications/*.desktop
"$STAGE/usr/bin/quillmere" --version | grep -q '^quillmere [0-9]'
if ! command -v desktop-file-validate >/dev/null || ! command -v appstreamcli >/dev/null; then
    echo "desktop-file-validate or appstreamcli is missing"
    exit 77
fi
desktop-file-validate "$STAGE"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$STAGE"/usr/share/metainfo/*.xml >/dev/null

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "installing the package needs root and apt-get"
    exit 77
fi
if dpkg-query -W -f='${Status}' quillmere 2>/dev/null | grep -q "install ok installed"; then
    echo "a quillmere package is installed already; it is left alone"
    exit 77
fi
cd "$BUILD"
rm -f quillmere_*.deb
cpack -G DEB >/dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./quillmere_*.deb >/dev/null
status=0
/usr/bin/quillmere --version | grep -q '^quillmere [0-9]' || status=1
test -f /usr/share/applications/example.fenwright.Quillmere.desktop || status=1
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q quillmere >/dev/null
rm -f quillmere_*.deb
exit $status
