#!/usr/bin/env bash
# `make run`: the main job of the suite. Until the installer and the capture
# program are built, it says which programs this tree has.
set -euo pipefail
build=${1:-build}
found=0
for prog in instari prentix pxconvert; do
  p=$(find "$build" -maxdepth 3 -type f -name "$prog" -perm -u+x 2>/dev/null | head -n 1)
  if [ -n "$p" ]; then
    echo "built: $p"
    found=1
  fi
done
if [ $found -eq 0 ]; then
  echo "run: no program is built yet; the libraries and their tests are ('make test')."
fi
