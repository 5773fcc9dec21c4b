#!/usr/bin/env bash
# Checks the Debian packages of a build tree (BUILD/packages/*.deb, made by
# `make package`; with --build they are made first): unpacked into a scratch
# root they hold every file at its place, lintian finds no errors, the
# desktop entries, AppStream files and MIME types validate, the manual pages
# render, and the installed pxconvert and instari run from the scratch root.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
if [ "${2:-}" = --build ]; then
  rm -rf "$build/packages"
  (cd "$build" && cpack -G DEB >/dev/null 2>"$build/cpack.err") || { cat "$build/cpack.err"; exit 1; }
fi
shopt -s nullglob
debs=("$build"/packages/*.deb)
[ ${#debs[@]} -eq 3 ] || { echo "check-packages: expected 3 packages in $build/packages"; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail=0
problem() { echo "check-packages: $*"; fail=1; }

for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
lib=$(dirname "$(find "$root/usr/lib" -name 'libixstdf32.so.1' | head -1)")
for f in usr/bin/prentix usr/bin/pxconvert usr/bin/pxhookwatch usr/bin/pxsend usr/bin/instari \
  usr/include/ixstdf.h usr/share/applications/prentix.desktop \
  usr/share/applications/instari.desktop usr/share/metainfo/example.tervola.Prentix.metainfo.xml \
  usr/share/metainfo/example.tervola.Instari.metainfo.xml usr/share/mime/packages/prentix.xml \
  usr/share/icons/hicolor/scalable/apps/prentix.svg usr/share/icons/hicolor/48x48/apps/prentix.png \
  usr/share/icons/hicolor/256x256/apps/instari.png usr/share/man/man1/prentix.1.gz \
  usr/share/man/man1/instari.1.gz usr/share/man/man1/pxconvert.1.gz \
  usr/share/doc/prentix/prentix.html usr/share/doc/instari/examples/demo.inf; do
  [ -e "$root/$f" ] || problem "missing /$f"
done
[ -n "$lib" ] && [ -e "$lib/libpxnthook.so.1" ] && [ -L "$lib/libixstdf32.so" ] &&
  [ -e "$lib/pkgconfig/ixstdf32.pc" ] || problem "libraries or their links missing under /usr/lib"

# lintian: warnings are reported, errors fail
if out=$(lintian --tag-display-limit 0 "${debs[@]}" 2>/dev/null); then :; fi
grep '^E:' <<<"$out" && problem "lintian reports errors"
desktop-file-validate "$root"/usr/share/applications/*.desktop || problem "desktop entries"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml >/dev/null ||
  problem "AppStream metainfo"
XDG_DATA_DIRS="$root/usr/share" update-mime-database "$root/usr/share/mime" 2>&1 | grep . &&
  problem "MIME types"
[ "$(grep -c '<mime-type' "$root/usr/share/mime/packages/prentix.xml")" = 2 ] &&
  grep -q 'image/x-prentix' "$root/usr/share/mime/globs" || problem "no type for .pxi files"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || echo failed)
  [ -z "$warnings" ] || problem "$(basename "$page"): $warnings"
done

# the installed programs, from the scratch root
export LD_LIBRARY_PATH="$lib"
"$root/usr/bin/instari" --help | grep -q '^Usage: instari' || problem "instari --help"
printf 'P3\n2 2\n255\n255 0 0 0 255 0 0 0 255 255 255 255\n' >"$root/in.ppm"
/usr/bin/convert "$root/in.ppm" -type TrueColor "BMP3:$root/in.bmp"
"$root/usr/bin/pxconvert" "$root/in.bmp" "$root/out.gif" >/dev/null || problem "pxconvert"
[ "$(/usr/bin/identify -format '%m %wx%h' "$root/out.gif" 2>/dev/null)" = "GIF 2x2" ] ||
  problem "the installed pxconvert wrote no 2x2 GIF"
[ $fail -eq 0 ] && echo "check-packages: ${#debs[@]} packages fine"
exit $fail
