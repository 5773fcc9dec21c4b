#!/usr/bin/env bash
# Installs the Debian packages listed in tools/debian-packages.txt (or the
# list PX_PACKAGE_LIST names) that are not installed yet. Quick when
# nothing is missing; refreshes the package index only when something has
# to be installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=${PX_PACKAGE_LIST:-$here/debian-packages.txt}

mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$list" | grep -v '^$')
missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#wanted[@]} packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q </dev/null
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
