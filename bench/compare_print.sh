#!/usr/bin/env bash
# One key press, one printed page: from the screen key to the job accepted
# by a (private) CUPS scheduler, 1920x1080 screen on A4 at 600 dpi, beside
# what a user of the peer tools does by hand (a screenshot taken with
# ImageMagick's import, handed to lp, which converts pictures itself); and
# the spooled sizes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${1:-build-bench}
latency="$build/bench/capture_latency"
[ -x "$latency" ] || { echo "compare_print: not built"; exit 0; }
[ "$(id -u)" -eq 0 ] || { echo "compare_print: a private CUPS scheduler needs root"; exit 0; }
runs=${BENCH_RUNS:-10}
tools=$(cd "$(dirname "$0")/../tools" && pwd)
in_x_session 1920x1080 "$tools/cups-session.sh" bash -c '
  source "$0"
  "$1" "$2" print
  ours=$(stat -c %s "$PX_CUPS_OUT/PXA.pdf")
  best=
  for _ in $(seq "$2"); do
    t0=$(date +%s%N)
    import -window root "$WINDIR/shot.png" && lp -d PXA "$WINDIR/shot.png" >/dev/null
    t1=$(date +%s%N)
    ms=$(((t1 - t0) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    while [ -n "$(lpstat -o)" ]; do sleep 0.05; done
  done
  theirs=$(stat -c %s "$PX_CUPS_OUT/PXA.pdf")
  printf "%-30s best   %6d ms  (%d runs)\n" "import shot.png && lp shot.png" "$best" "$2"
  printf "printed page: prentix %d bytes, import + lp %d bytes\n" "$ours" "$theirs"
' "$(dirname "$0")/lib.sh" "$latency" "$runs"
