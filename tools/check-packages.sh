#!/usr/bin/env bash
# Checks the Debian packages of a build tree (BUILD/packages/*.deb, made by
# `make package`; with --build they are made first): unpacked into a scratch
# root they hold every file at its place, lintian finds no errors, the
# desktop entries, AppStream files and MIME types validate (each type and
# glob defined once), the manual pages render and name the options the
# programs' --help names, the installed pxconvert and instari run from the
# scratch root, and apt accepts the three packages together with nothing to
# fetch.
#
# With PX_TEST_INSTALL=1 (CI sets it; it changes the system, so a plain
# `make test` leaves it out) and as root, the packages are also installed
# with apt from these files and what is installed already, the installed
# programs run, and the packages are purged again, leaving nothing behind.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
if [ "${2:-}" = --build ]; then
  rm -rf "$build/packages"
  (cd "$build" && cpack -G DEB >/dev/null 2>"$build/cpack.err") || { cat "$build/cpack.err"; exit 1; }
fi
shopt -s nullglob
debs=("$build"/packages/*.deb)
[ ${#debs[@]} -eq 3 ] || { echo "check-packages: expected 3 packages in $build/packages"; exit 1; }
packages=(prentix instari libixstdf32-dev)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail=0
problem() { echo "check-packages: $*"; fail=1; }

for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib=usr/lib/$multiarch
for f in usr/bin/prentix usr/bin/pxconvert usr/bin/pxhookwatch usr/bin/pxsend usr/bin/instari \
  usr/include/ixstdf.h usr/share/applications/prentix.desktop \
  usr/share/applications/instari.desktop usr/share/metainfo/example.tervola.Prentix.metainfo.xml \
  usr/share/metainfo/example.tervola.Instari.metainfo.xml usr/share/mime/packages/prentix.xml \
  usr/share/mime/packages/instari.xml \
  usr/share/icons/hicolor/scalable/apps/prentix.svg usr/share/icons/hicolor/48x48/apps/prentix.png \
  usr/share/icons/hicolor/256x256/apps/instari.png usr/share/man/man1/prentix.1.gz \
  usr/share/man/man1/instari.1.gz usr/share/man/man1/pxconvert.1.gz \
  usr/share/doc/prentix/prentix.html usr/share/doc/instari/examples/demo.inf \
  "$lib/libpxnthook.so.1" "$lib/libixstdf32.so.1" "$lib/libixstdf32.so" \
  "$lib/pkgconfig/ixstdf32.pc" usr/lib/systemd/system/instari-pending-renames.service \
  usr/lib/systemd/system/sysinit.target.wants/instari-pending-renames.service; do
  [ -e "$root/$f" ] || problem "missing /$f"
done
# the boot unit as systemd reads it, inside the unpacked tree
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify --root="$root" /usr/lib/systemd/system/instari-pending-renames.service ||
    problem "instari-pending-renames.service does not verify"
fi
# a C program builds against the development package as its pkg-config file says
# (with the sanitizers of a sanitized tree, whose library needs their runtime)
sanitize=()
if grep -qx 'PX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then sanitize=(-fsanitize=address,undefined); fi
printf '#include <ixstdf.h>\nint main(void) { return SetzeLetzteFehlerNr(7, "") != GibLetzteFehlerNr(); }\n' \
  >"$root/uses.c"
cc "${sanitize[@]}" -o "$root/uses" "$root/uses.c" $(PKG_CONFIG_SYSROOT_DIR=$root \
  PKG_CONFIG_LIBDIR="$root/$lib/pkgconfig" pkg-config --cflags --libs ixstdf32) &&
  LD_LIBRARY_PATH="$root/$lib" "$root/uses" || problem "no C program builds with libixstdf32-dev"

# lintian: warnings are reported, errors fail
if out=$(lintian --tag-display-limit 0 "${debs[@]}" 2>/dev/null); then :; fi
grep '^E:' <<<"$out" && problem "lintian reports errors"
desktop-file-validate "$root"/usr/share/applications/*.desktop || problem "desktop entries"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml >/dev/null ||
  problem "AppStream metainfo"
XDG_DATA_DIRS="$root/usr/share" update-mime-database "$root/usr/share/mime" 2>&1 | grep . &&
  problem "MIME types"
grep -q 'image/x-prentix' "$root/usr/share/mime/globs" || problem "no type for .pxi files"
# a type or glob in two packages shows twice in the desktop's tables
twice=$(grep -ohE '<mime-type type="[^"]*"|<glob pattern="[^"]*"' /dev/null \
  "$root"/usr/share/mime/packages/*.xml | sort | uniq -d) || true
[ -z "$twice" ] || problem "MIME types or globs defined twice:" $twice

# the manual pages: they render, and each page's options are those of --help
export LD_LIBRARY_PATH="$root/$lib"
options() { { grep -oE '(^|[][ ,|(])--?[a-z][a-z-]*' || true; } | sed -E 's/^[][ ,|(]//' | sort -u; }
manual() { LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/usr/share/man/man1/$1.1.gz" 2>/dev/null; }
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || echo failed)
  [ -z "$warnings" ] || problem "$(basename "$page"): $warnings"
  program=$(basename "$page" .1.gz)
  inpage=$(manual "$program" | sed -n '/^OPTIONS/,/^[A-Z]/p' | options)
  inhelp=$({ "$root/usr/bin/$program" --help 2>&1 || true; } | options)
  [ "$inpage" = "$inhelp" ] ||
    problem "man $program lists options" $inpage "but $program --help" $inhelp
done
# pxsend's page lists the hook's commands as pxsend --help (the program's table) does
commands() { { grep -oE '^ *3[0-9]{4} +[a-z].*' || true; } | sed -E 's/^ *//; s/ +/ /g' | sort; }
[ "$(manual pxsend | commands)" = "$({ "$root/usr/bin/pxsend" --help || true; } | commands)" ] ||
  problem "man pxsend and pxsend --help name other commands"

# the installed programs, from the scratch root
printf 'P3\n2 2\n255\n255 0 0 0 255 0 0 0 255 255 255 255\n' >"$root/in.ppm"
/usr/bin/convert "$root/in.ppm" -type TrueColor "BMP3:$root/in.bmp"
run_programs() {  # run_programs BINDIR: what a user would first try
  "$1/instari" --help | grep -q '^Usage: instari' || problem "instari --help"
  [ "$(QT_QPA_PLATFORM=offscreen "$1/prentix" --version)" = "prentix $(dpkg-deb -f \
    "$build"/packages/prentix_*.deb Version | sed 's/-[^-]*$//')" ] || problem "prentix --version"
  rm -f "$root/out.gif"
  "$1/pxconvert" "$root/in.bmp" "$root/out.gif" >/dev/null || problem "pxconvert"
  [ "$(/usr/bin/identify -format '%m %wx%h' "$root/out.gif" 2>/dev/null)" = "GIF 2x2" ] ||
    problem "pxconvert in $1 wrote no 2x2 GIF"
}
run_programs "$root/usr/bin"
unset LD_LIBRARY_PATH

# apt accepts the three together, from these files and the packages this
# machine has (no sources: nothing can be fetched)
mkdir "$root/sources.list.d"
: >"$root/sources.list"
offline=(-o "Dir::Etc::SourceList=$root/sources.list" -o "Dir::Etc::SourceParts=$root/sources.list.d"
  -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o DPkg::Lock::Timeout=300)
recommends=()
for want in $(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Recommends; done | tr ',' '\n' |
  sed -E 's/\(.*\)//; s/\|.*//; s/ //g' | sort -u); do
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$want" 2>/dev/null)" = installed ] ||
    recommends=(--no-install-recommends)
done
plan=$(apt-get install --simulate "${offline[@]}" "${recommends[@]}" "${debs[@]}" 2>&1) ||
  problem "apt refuses the packages: $plan"
[ "$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' <<<"$plan" | sort | tr '\n' ' ')" = \
  "instari libixstdf32-dev prentix " ] || problem "apt would install more than the packages: $plan"

if [ "${PX_TEST_INSTALL:-}" = 1 ] && [ $fail -eq 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "check-packages: PX_TEST_INSTALL=1 needs root"; exit 1; }
  # one installing check at a time on this machine
  exec 9>/run/lock/tervola-check-packages
  flock 9
  for p in "${packages[@]}"; do
    if dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qv not-installed; then
      echo "check-packages: $p is installed here already; not installing over it"
      exit 1
    fi
  done
  # caches the desktop's triggers rebuild may appear; anything else new is a leftover
  snapshot() {
    find /usr -xdev \( -path /usr/share/mime -o -name icon-theme.cache -o -name mimeinfo.cache \
      -o -name '__pycache__' \) -prune -o -print | sort
  }
  snapshot >"$root/usr-before"
  purge() {
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "${offline[@]}" "${packages[@]}" \
      </dev/null >"$root/purge.log" 2>&1 || { cat "$root/purge.log"; problem "apt purge failed"; }
  }
  : >"$root/owned"
  trap 'purge; rm -rf "$root"' EXIT
  if DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${offline[@]}" "${recommends[@]}" \
    "${debs[@]}" </dev/null >"$root/install.log" 2>&1; then
    for p in "${packages[@]}"; do dpkg -L "$p"; done | sort -u >"$root/owned"
    run_programs /usr/bin
    [ "$(man -w prentix)" = /usr/share/man/man1/prentix.1.gz ] || problem "man -w prentix"
    cp "$root/in.bmp" "$root/shot.pxi"
    # gio reads the shared MIME database; the generic fallback asks file(1)
    type=$(HOME=$root XDG_DATA_HOME=$root/none XDG_CURRENT_DESKTOP=GNOME \
      xdg-mime query filetype "$root/shot.pxi")
    [ "$type" = image/x-prentix ] || problem "installed, a .pxi file is $type"
  else
    cat "$root/install.log"
    problem "apt install failed"
  fi
  purge
  trap 'rm -rf "$root"' EXIT
  for p in "${packages[@]}"; do
    [ -z "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -v not-installed)" ] ||
      problem "$p still known to dpkg after the purge"
  done
  while read -r f; do
    [ -d "$f" ] || [ ! -e "$f" ] || problem "left behind: $f"
  done <"${root}/owned"
  left=$(comm -13 "$root/usr-before" <(snapshot))
  [ -z "$left" ] || problem "left behind in /usr:" $left
  [ $fail -eq 0 ] && echo "check-packages: installed with apt, ran, purged without a trace"
elif [ "${PX_TEST_INSTALL:-}" != 1 ]; then
  echo "check-packages: not installed on this machine (PX_TEST_INSTALL=1 does, as in CI)"
fi
[ $fail -eq 0 ] && echo "check-packages: ${#debs[@]} packages fine"
exit $fail
