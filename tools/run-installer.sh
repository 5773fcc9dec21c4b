#!/usr/bin/env bash
# `make run-installer`: runs the sample installation examples/demo.inf with the
# installer, in a scratch folder of its own (Windows directory, home and
# install prefix), so nothing of yours is touched; then shows the results.
set -euo pipefail
build=${1:-build}
repo=$(cd "$(dirname "$0")/.." && pwd)
instari="$build/instari/instari"
[ -x "$instari" ] || { echo "run: $instari is not built"; exit 1; }
out="$repo/$build/run"
rm -rf "$out"
mkdir -p "$out/windows" "$out/home"
export WINDIR="$out/windows" HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config"
export XDG_DATA_HOME="$out/home/.local/share" DEMO_PREFIX="$out/prefix"
"$instari" "$repo/examples/demo.inf" "$repo/examples/demo" </dev/null
cat <<INFO

The demo installation ran; its results are in $out:
  prefix/            the installed files and install.log (one line per file action)
  windows/demo.ini   the INI entries it wrote
  windows/registry.reg   the registry, with HKEY_LOCAL_MACHINE\\Software\\Tervola\\Demo
  windows/Start Menu/Programs/Tervola Demo/Hello.LNK   the start-menu item (a shell link)
  home/.local/share/applications/Tervola Demo/Hello.desktop   its twin for Linux menus
INFO
echo "--- install.log"
cat "$out/prefix/install.log"
