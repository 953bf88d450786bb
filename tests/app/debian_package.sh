#!/bin/sh
# cpack -G DEB writes verdane_<version>_amd64.deb with its run-time dependencies,
# a valid desktop entry and AppStream file, the copyright file, changelog and
# manual pages Debian expects, and no error from lintian; apt-get installs it on
# this machine and the programs answer from /usr/bin. Installing needs root: without it the
# test is skipped (exit 77). A package that was not installed before is purged
# again afterwards.
set -eu
build=$1
version=$2
skip() { echo "skipped: $1"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in cpack dpkg-deb dpkg-shlibdeps apt-get desktop-file-validate appstreamcli lintian man; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (.ci/install-deps installs it)"; exit 1; }
done

work=$(mktemp -d)
# Two runs of this test on one machine (two build folders) would install and
# purge the one package under each other: they take turns.
if command -v flock >/dev/null; then
  exec 9>/tmp/verdane-debian-package-test.lock
  flock -w 900 9 || { echo "another run of this test holds the lock"; exit 1; }
fi
was_installed=no
dpkg-query -W -f='${Status}' verdane 2>/dev/null | grep -q 'install ok installed' && was_installed=yes
cleanup() {
  if [ "$was_installed" = no ] && dpkg-query -W verdane >/dev/null 2>&1; then
    dpkg --purge verdane >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb="$work/verdane_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work"; fail "cpack did not write verdane_${version}_amd64.deb"; }

# Dependencies as dpkg-shlibdeps found them, and the recommended fonts.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libssl3 libstdc++6; do
  echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q 'fonts-ipafont' || fail "fonts-ipafont is not recommended"
[ "$(dpkg-deb -f "$deb" Package)" = verdane ] || fail "package name"

# The files a desktop and a software centre look for, valid.
dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/verdane usr/bin/verdane-cli usr/share/verdane/verdane.HLP \
         usr/share/applications/verdane.desktop usr/share/icons/hicolor/scalable/apps/verdane.svg \
         usr/share/mime/packages/verdane.xml usr/share/metainfo/org.verdane.Verdane.metainfo.xml; do
  [ -e "$work/root/$f" ] || fail "the package lacks /$f"
done
# Archives: when the programs link libzip, the package depends on it.
if objdump -p "$work/root/usr/bin/verdane" | grep -q 'NEEDED.*libzip'; then
  echo "$depends" | grep -q libzip4 || fail "verdane links libzip, Depends lacks libzip4: $depends"
fi
desktop-file-validate "$work/root/usr/share/applications/verdane.desktop" || fail "desktop entry invalid"
grep -q '<project_license>MIT</project_license>' "$work/root/usr/share/metainfo/org.verdane.Verdane.metainfo.xml" \
  || fail "the AppStream file does not declare the MIT licence"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.verdane.Verdane.metainfo.xml" \
  || fail "AppStream file invalid"

# The licence and documents where Debian keeps them, and the manual pages.
dpkg-deb -c "$deb" >"$work/contents.txt"
for f in usr/share/doc/verdane/copyright usr/share/doc/verdane/changelog.gz usr/share/doc/verdane/README.md \
         usr/share/man/man1/verdane.1.gz usr/share/man/man1/verdane-cli.1.gz; do
  grep -q " \./$f\$" "$work/contents.txt" || fail "dpkg-deb -c does not list /$f"
done
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$work/root/usr/share/doc/verdane/copyright" || fail "the copyright file is not in the machine-readable format"
grep -q '^License: Expat' "$work/root/usr/share/doc/verdane/copyright" || fail "the copyright file does not name the licence"
for page in verdane verdane-cli; do
  # Rendered as man shows it, with groff's warnings as errors.
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$work/root/usr/share/man/man1/$page.1.gz" \
    >"$work/$page.txt" 2>"$work/$page.err" || fail "man -l $page.1.gz failed"
  [ ! -s "$work/$page.err" ] || { cat "$work/$page.err"; fail "man -l $page.1.gz warns"; }
  grep -q "^NAME" "$work/$page.txt" && grep -q "^SYNOPSIS" "$work/$page.txt" || fail "$page(1) renders without its sections"
done
grep -q 'palm-desktop init' "$work/verdane-cli.txt" || fail "verdane-cli(1) lacks palm-desktop init"
lintian --fail-on error --no-tag-display-limit "$deb" >"$work/lintian.txt" 2>&1 \
  || { cat "$work/lintian.txt"; fail "lintian reports errors"; }

# Installed from a clean state, as a user installs it.
[ "$was_installed" = no ] || dpkg --purge verdane >/dev/null
cd "$work"
# Recommended packages are left out: the programs run without them, and the
# test must not fetch anything.
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 \
  "./verdane_${version}_amd64.deb" \
  >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install failed"; }
out=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/verdane --version) || fail "verdane --version failed"
[ "$out" = "Verdane Ver${version}" ] || fail "unexpected verdane --version: $out"
/usr/bin/verdane-cli --help >"$work/help.txt" || fail "verdane-cli --help failed"
grep -q '^Usage: verdane-cli COMMAND' "$work/help.txt" || fail "verdane-cli --help does not list its commands"
# The installed tool does real work with the installed libraries.
printf 'Palm\r\n' >"$work/memo.txt"
/usr/bin/verdane-cli to-doc "$work/memo.txt" "$work/memo.pdb" || fail "verdane-cli to-doc failed"
[ "$(/usr/bin/verdane-cli to-text "$work/memo.pdb" -)" = "$(printf 'Palm\r\n')" ] || fail "round trip through the installed tool"
if [ "$was_installed" = yes ]; then
  echo "note: the verdane package installed before this test is left as the built one"
fi
echo "package verdane_${version}_amd64.deb installs and runs"
