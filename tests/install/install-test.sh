#!/bin/sh
# What an installation puts in place, as the desktop's own checkers see it,
# and, as root, the Debian package installed with apt-get and run.
#   install-test.sh BUILD_DIR
# Exit status 77: skipped, with the reason on standard output.
set -e
BUILD="$1"
STAGE="$(mktemp -d)"
pids=""
# Under set -e a failing kill (nothing left to kill) would end the trap early.
trap '[ -z "$pids" ] || kill $pids 2>/dev/null || true; rm -rf "$STAGE"' EXIT
cmake --install "$BUILD" --prefix "$STAGE/usr" >/dev/null
for program in quillmere quillmere-scan quillmere-clean; do
    test -x "$STAGE/usr/bin/$program"
    gzip -t "$STAGE/usr/share/man/man1/$program.1.gz"
done
test -f "$STAGE/usr/share/doc/quillmere/copyright"
gzip -t "$STAGE/usr/share/doc/quillmere/changelog.gz"
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

# On X11 the desktop finds the entry, and its icon, of a running window by
# the window's WM_CLASS: the class the entry names must be the window's.
class="$(sed -n 's/^StartupWMClass=//p' "$STAGE"/usr/share/applications/*.desktop)"
test -n "$class"
if command -v Xvfb >/dev/null && command -v xwininfo >/dev/null; then
    Xvfb -displayfd 3 -nolisten tcp 3>"$STAGE/display" 2>/dev/null &
    pids="$!"
    tries=0
    until [ -s "$STAGE/display" ] || [ $tries -ge 100 ]; do sleep 0.1; tries=$((tries + 1)); done
    export DISPLAY=":$(cat "$STAGE/display")"
    mkdir "$STAGE/config" "$STAGE/empty"
    XDG_CONFIG_HOME="$STAGE/config" QT_QPA_PLATFORM=xcb "$STAGE/usr/bin/quillmere" "$STAGE/empty" \
        2>/dev/null &
    pids="$pids $!"
    tries=0
    until xwininfo -root -tree 2>/dev/null | grep -qF "\"$class\")"; do
        tries=$((tries + 1))
        if [ $tries -ge 100 ]; then
            echo "no window of class $class:" >&2
            xwininfo -root -tree >&2
            exit 1
        fi
        sleep 0.1
    done
    kill $pids
    pids=""
    unset DISPLAY
fi

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
status=0
# What Debian's policy asks of the package: lintian finds no error.
if command -v lintian >/dev/null; then
    lintian --fail-on error ./quillmere_*.deb || status=1
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./quillmere_*.deb >/dev/null
/usr/bin/quillmere --version | grep -q '^quillmere [0-9]' || status=1
test -f /usr/share/applications/example.fenwright.Quillmere.desktop || status=1
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q quillmere >/dev/null
rm -f quillmere_*.deb
exit $status
