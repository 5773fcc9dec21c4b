#!/usr/bin/env bash
# Prentix idle against an empty Qt Widgets program with a tray icon, both
# on one private Xvfb with icewm's tray, side by side: wakeups (voluntary
# context switches of all threads) and CPU ticks over the same seconds, in
# the tray and with the window shown but untouched.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${1:-build-bench}
[ -x "$build/prentix/prentix" ] && [ -x "$build/bench/emptytray" ] || {
  echo "compare_idle: not built"
  exit 0
}
seconds=${BENCH_IDLE_SECONDS:-30}
measure='
  export XDG_RUNTIME_DIR=$(mktemp -d)
  # per thread, so that a thread ending in between (a pool thread idle
  # for 30 s) does not take its earlier count away
  switches() {
    for t in /proc/$1/task/*; do
      echo "${t##*/} $(awk "/^voluntary_ctxt_switches/ {print \$2}" $t/status 2>/dev/null)"
    done
  }
  delta() { awk "NR == FNR {a[\$1] = \$2; next} {d += \$2 - a[\$1]} END {print d + 0}" "$1" "$2"; }
  ticks() { awk "{print \$14 + \$15}" /proc/$1/stat; }
  run() {  # label seconds pid...
    local label=$1 secs=$2; shift 2
    local -A t0
    for p in "$@"; do switches $p >"$XDG_RUNTIME_DIR/s0.$p"; t0[$p]=$(ticks $p); done
    sleep "$secs"
    for p in "$@"; do
      switches $p >"$XDG_RUNTIME_DIR/s1.$p"
      local s=$(delta "$XDG_RUNTIME_DIR/s0.$p" "$XDG_RUNTIME_DIR/s1.$p") t=$(( $(ticks $p) - ${t0[$p]} ))
      printf "%-28s %-10s %6d wakeups %6.2f/s  %4d CPU ticks\n" "$label" "$(cat /proc/$p/comm)" "$s" \
        "$(awk -v s=$s -v n=$secs "BEGIN {print s / n}")" "$t"
    done
  }
  "$0" & peer=$!
  "$1" & prentix=$!
  sleep 3
  run "in the tray" "$2" $prentix $peer
  "$1" &  # a second start shows the running one'"'"'s window
  sleep 3
  run "window shown, untouched" "$2" $prentix
  kill $prentix $peer
'
in_x_session 1280x800 bash -c "$measure" "$build/bench/emptytray" "$build/prentix/prentix" "$seconds"
