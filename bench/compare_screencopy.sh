#!/usr/bin/env bash
# Full-screen copy of a 1920x1080 screen: our X11 layer against xwd, the
# screen dump a user would reach for, on one private Xvfb.
set -euo pipefail
build=${1:-build-bench}
prog="$build/bench/screencopy_timer"
[ -x "$prog" ] || { echo "compare_screencopy: $prog not built"; exit 0; }
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bash -c '
  "$0" 20
  runs=20
  start=$(date +%s%N)
  for i in $(seq $runs); do xwd -root -silent >/dev/null; done
  end=$(date +%s%N)
  printf "xwd -root                 mean   %.2f ms  (%d runs)\n" \
    "$(echo "($end - $start) / $runs / 1000000" | bc -l)" $runs
' "$prog"
