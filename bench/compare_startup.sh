#!/usr/bin/env bash
# Prentix's start against an empty Qt Widgets program with a tray icon, on
# one private Xvfb with icewm's tray: time from start to the icon docked,
# and resident memory once idle.
set -euo pipefail
build=${1:-build-bench}
timer="$build/bench/startup_timer"
empty="$build/bench/emptytray"
prentix="$build/prentix/prentix"
[ -x "$timer" ] && [ -x "$prentix" ] || { echo "compare_startup: not built"; exit 0; }
runs=${BENCH_RUNS:-10}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
tools=$(cd "$(dirname "$0")/../tools" && pwd)
WINDIR="$scratch" HOME="$scratch/home" xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
  "$tools/x11-session.sh" bash -c '
  "$0" "$3" "$1"
  "$0" "$3" "$2"
' "$timer" "$empty" "$prentix" "$runs"
