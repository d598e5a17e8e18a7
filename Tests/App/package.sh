#!/usr/bin/env bash
# Builds the Debian package from a build tree, checks its metadata, unpacks
# it into a temporary root and runs both programs from there.
#   package.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/deskmap-package-XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack did not build the package"
deb="$(ls "$work"/out/deskmap_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libicu libxcb1; do
  grep "$library" <<<"$depends" >/dev/null || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$work/root"
root="$work/root/usr"
for file in bin/deskmap bin/deskmap-app lib/deskmap/libdeskmap-curl.so \
            lib/deskmap/libdeskmap-secret-service.so \
            share/applications/com.quillary.deskmap.desktop \
            share/metainfo/com.quillary.deskmap.metainfo.xml \
            share/icons/hicolor/scalable/apps/deskmap.svg; do
  [ -e "$root/$file" ] || fail "the package lacks $file"
done
desktop-file-validate "$root/share/applications/com.quillary.deskmap.desktop" ||
  fail "the desktop entry is not valid"
appstreamcli validate --no-net "$root/share/metainfo/com.quillary.deskmap.metainfo.xml" >/dev/null ||
  fail "the metainfo is not valid"

"$root/bin/deskmap" --version >/dev/null || fail "deskmap --version"
"$root/bin/deskmap-app" --version >/dev/null || fail "deskmap-app --version"
spaces="$(env -u DISPLAY "$root/bin/deskmap" spaces --desktop demo)" ||
  fail "deskmap spaces --desktop demo"
grep "Space 12" <<<"$spaces" >/dev/null || fail "deskmap spaces --desktop demo printed no Space 12"
echo "package: 1 passed, 0 failed"
