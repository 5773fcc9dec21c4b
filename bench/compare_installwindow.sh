#!/usr/bin/env bash
# The installer's window against its console: the same copydirrecursive of
# 10,000 small files (BENCH_SMALL_FILES, 2 KiB each, 100 to a directory),
# once shown in the window on a private Xvfb, once on the console, taking
# turns, best of BENCH_RUNS (3). Prints both times and window/console.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${1:-build-bench}
instari="$build/instari/instari"
[ -x "$instari" ] || { echo "compare_installwindow: instari is not built in $build"; exit 0; }
files=${BENCH_SMALL_FILES:-10000}
work=$(mktemp -d "${BENCH_DIR:-/tmp}/installwindow.XXXXXX")
trap 'rm -rf "$work"' EXIT
block=$(head -c 2048 /dev/urandom | base64 -w 0 | head -c 2048)
for ((i = 0; i < files; i++)); do
  d="$work/src/d$((i / 100))"
  [ -d "$d" ] || mkdir -p "$d"
  printf '%s%d' "$block" "$i" >"$d/f$i"
done
printf "copydirrecursive '%s' '%s'\n" "$work/src" "$work/dst" >"$work/copy.inf"
export PX_INSTARI="$(cd "$(dirname "$instari")" && pwd)/instari" PX_WORK="$work"
export BENCH_RUNS=${BENCH_RUNS:-3}
# inside the X session: both faces, turn about, fresh targets each time
in_x_session 1280x800 bash -c '
  source "$0"
  best_window= best_console=
  for ((r = 0; r < BENCH_RUNS; r++)); do
    for face in $( ((r % 2)) && echo "console window" || echo "window console"); do
      rm -rf "$PX_WORK/dst"
      sync
      if [ "$face" = window ]; then
        t=$(seconds "$PX_INSTARI" "$PX_WORK/copy.inf")
        best_window=$(awk -v a="$t" -v b="$best_window" "BEGIN { print (b == \"\" || a < b) ? a : b }")
      else
        t=$(seconds "$PX_INSTARI" --console "$PX_WORK/copy.inf")
        best_console=$(awk -v a="$t" -v b="$best_console" "BEGIN { print (b == \"\" || a < b) ? a : b }")
      fi
      diff -rq "$PX_WORK/src" "$PX_WORK/dst" >/dev/null || { echo "  the copy differs"; exit 1; }
    done
  done
  printf "  %d files: window %.3f s, console %.3f s, window/console %.2f\n" \
    "$(find "$PX_WORK/src" -type f | wc -l)" "$best_window" "$best_console" \
    "$(awk -v a="$best_window" -v b="$best_console" "BEGIN { print a / b }")"
' "$(cd "$(dirname "$0")" && pwd)/lib.sh"
