#!/usr/bin/env bash
# Prentix's start against an empty Qt Widgets program with a tray icon, on
# one private Xvfb with icewm's tray: time from start to the icon docked,
# and resident memory once idle.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${1:-build-bench}
timer="$build/bench/startup_timer"
[ -x "$timer" ] && [ -x "$build/prentix/prentix" ] || { echo "compare_startup: not built"; exit 0; }
runs=${BENCH_RUNS:-10}
in_x_session 1280x800 bash -c '"$0" "$1" "$2"; "$0" "$1" "$3"' \
  "$timer" "$runs" "$build/bench/emptytray" "$build/prentix/prentix"
