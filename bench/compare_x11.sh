#!/usr/bin/env bash
# On one private 1920x1080 Xvfb: a full-screen copy through our X11 layer
# against xwd, the screen dump a user would reach for; and the time from a
# hot-key release to the command reaching the program's window.
set -euo pipefail
build=${1:-build-bench}
copy="$build/bench/screencopy_timer"
hook="$build/bench/hook_latency"
[ -x "$copy" ] || { echo "compare_x11: $copy not built"; exit 0; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
WINDIR="$scratch" xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bash -c '
  "$0" 20
  runs=20
  start=$(date +%s%N)
  for i in $(seq $runs); do xwd -root -silent >/dev/null; done
  end=$(date +%s%N)
  printf "xwd -root                 mean   %.2f ms  (%d runs)\n" \
    "$(echo "($end - $start) / $runs / 1000000" | bc -l)" $runs
  [ -x "$1" ] && "$1" 20
' "$copy" "$hook"
