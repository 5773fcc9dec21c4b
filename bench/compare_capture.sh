#!/usr/bin/env bash
# On one private 1920x1080 Xvfb with a window manager: the screen key's
# whole way in the program (hook, copy, picture, automatic save or the
# view's drawing) beside the X11 copy alone.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${1:-build-bench}
latency="$build/bench/capture_latency"
copy="$build/bench/screencopy_timer"
[ -x "$latency" ] && [ -x "$copy" ] || { echo "compare_capture: not built"; exit 0; }
runs=${BENCH_RUNS:-20}
in_x_session 1920x1080 bash -c '"$0" "$2"; "$1" "$2"' "$copy" "$latency" "$runs"
