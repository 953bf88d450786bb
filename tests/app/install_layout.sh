#!/bin/sh
# cmake --install puts the programs, the manual, the desktop entry, the icon and
# the MIME type where a desktop finds them; verdane answers --help and --version
# on the terminal without a display.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/verdane bin/verdane-cli share/verdane/verdane.HLP share/applications/verdane.desktop \
         share/icons/hicolor/scalable/apps/verdane.svg share/mime/packages/verdane.xml \
         share/man/man1/verdane.1.gz share/man/man1/verdane-cli.1.gz share/doc/verdane/copyright; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -q '^Exec=verdane %f$' "$prefix/share/applications/verdane.desktop"
grep -q 'application/vnd.palm' "$prefix/share/applications/verdane.desktop"
grep -q '<glob pattern="\*.pdb"/>' "$prefix/share/mime/packages/verdane.xml"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/verdane" --version)
[ "$out" = "Verdane Ver1.22" ] || { echo "unexpected --version: $out"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/verdane" --help | grep -q '^Usage: verdane \[FILE\]'
echo "install layout ok"
