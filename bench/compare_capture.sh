#!/usr/bin/env bash
# On one private 1920x1080 Xvfb with a window manager: the screen key's
# whole way in the program (hook, copy, picture, automatic save or the
# view's drawing) beside the X11 copy alone.
set -euo pipefail
build=${1:-build-bench}
latency="$build/bench/capture_latency"
copy="$build/bench/screencopy_timer"
[ -x "$latency" ] && [ -x "$copy" ] || { echo "compare_capture: not built"; exit 0; }
runs=${BENCH_RUNS:-20}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
tools=$(cd "$(dirname "$0")/../tools" && pwd)
WINDIR="$scratch" HOME="$scratch/home" xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
  "$tools/x11-session.sh" bash -c '"$0" "$2"; "$1" "$2"' "$copy" "$latency" "$runs"
