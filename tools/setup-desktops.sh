#!/usr/bin/env bash
# Installs what the headless GNOME and KDE sessions need: the packages of
# tools/desktop-packages.txt, and two QML folders of plasma-workspace that
# the KDE portal back end loads even for a shot without a dialog. That
# package would bring a whole Plasma desktop (two hundred more packages):
# it is only downloaded and the two folders kept in the cache folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${PX_DESKTOP_CACHE:-/var/cache/prentix-desktops}
PX_PACKAGE_LIST="$here/desktop-packages.txt" bash "$here/setup.sh"
[ -d "$cache/qml/org/kde/plasma/lookandfeel" ] && [ -d "$cache/qml/org/kde/plasma/workspace/dialogs" ] &&
  exit 0
echo "setup-desktops: the QML folders of plasma-workspace into $cache"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
work=$(mktemp -d)
# apt fetches as its own user where it can write
[ "$(id -u)" -eq 0 ] && id -u _apt >/dev/null 2>&1 && chown _apt "$work"
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get download -q plasma-workspace </dev/null >/dev/null)
dpkg -x "$work"/plasma-workspace_*.deb "$work/root"
"${as_root[@]}" mkdir -p "$cache/qml.new/org/kde/plasma/workspace"
from=$(dirname "$(find "$work/root" -type d -path '*/qml/org/kde/plasma/lookandfeel' | head -1)")
"${as_root[@]}" cp -r "$from/lookandfeel" "$cache/qml.new/org/kde/plasma/"
"${as_root[@]}" cp -r "$from/workspace/dialogs" "$cache/qml.new/org/kde/plasma/workspace/"
"${as_root[@]}" rm -rf "$cache/qml"
"${as_root[@]}" mv "$cache/qml.new" "$cache/qml"
