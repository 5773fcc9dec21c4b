#!/usr/bin/env bash
# On the headless Wayland session with the desktop portal: the screen key's
# way in the program (portal shot, picture, automatic save) beside grim
# writing a PNG of the same screen, the tool a user of such a desktop
# would bind instead; both medians of the same run, and their ratio. Then
# the same key on headless GNOME and KDE Plasma through their own portals
# (shots allowed ahead on GNOME), where `make test-desktops` installed them.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${1:-build-bench}
latency=$(cd "$build" && pwd)/bench/wayland_latency
[ -x "$latency" ] || { echo "compare_wayland: not built"; exit 0; }
command -v grim >/dev/null || { echo "compare_wayland: grim missing; run 'make setup'"; exit 0; }
runs=${BENCH_RUNS:-20}
tools=$(cd "$(dirname "$0")/../tools" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
cd "$scratch"
WINDIR="$scratch" HOME="$scratch/home" "$tools/wayland-session.sh" bash -c '
  set -euo pipefail
  export WAYLAND_DISPLAY=$PX_WAYLAND_DISPLAY XDG_RUNTIME_DIR=$PX_WAYLAND_RUNTIME \
    DBUS_SESSION_BUS_ADDRESS=$PX_WAYLAND_BUS XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
  unset DISPLAY
  out=$("$0" "$1")
  head -n -1 <<<"$out" >&2
  ours=$(tail -1 <<<"$out")
  times=()
  grim "$2/warm.png"
  for _ in $(seq "$1"); do
    t0=$(date +%s%N)
    grim "$2/grim.png"
    t1=$(date +%s%N)
    times+=($(((t1 - t0) / 10000)))
  done
  grim=$(printf "%s\n" "${times[@]}" | sort -n | sed -n "$(($1 / 2 + 1))p")
  printf "%-34s median %6.1f ms  (%d runs)\n" "grim writing a PNG" "$(bc <<<"scale=1; $grim / 100")" "$1" >&2
  printf "ratio prentix / grim: %.2f  (goal: prentix <= 150 ms)\n" "$(bc -l <<<"$ours / ($grim / 100)")" >&2
' "$latency" "$runs" "$scratch" 2>&1

for desktop in gnome kde; do
  prefix=PX_${desktop^^}
  if ! command -v gnome-shell >/dev/null || ! command -v kwin_wayland >/dev/null; then
    echo "compare_wayland: no GNOME or KDE; 'make test-desktops' installs them"
    break
  fi
  rm -f "$scratch"/shot*.pxi
  echo "on headless $desktop:"
  WINDIR="$scratch" HOME="$scratch/home" "$tools/desktop-session.sh" "$desktop" bash -c '
    set -euo pipefail
    p=$2
    bus=${p}_BUS runtime=${p}_RUNTIME display=${p}_DISPLAY
    export WAYLAND_DISPLAY=${!display} XDG_RUNTIME_DIR=${!runtime} DBUS_SESSION_BUS_ADDRESS=${!bus} \
      XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland XDG_CURRENT_DESKTOP=$3
    unset DISPLAY
    gdbus call --session -d org.freedesktop.impl.portal.PermissionStore \
      -o /org/freedesktop/impl/portal/PermissionStore \
      -m org.freedesktop.impl.portal.PermissionStore.SetPermission \
      screenshot true screenshot "" "[\"yes\"]" >/dev/null
    "$0" "$1" | head -n -1
  ' "$latency" "$runs" "$prefix" "$([ $desktop = gnome ] && echo GNOME || echo KDE)" 2>&1
done
