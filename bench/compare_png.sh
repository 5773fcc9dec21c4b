#!/usr/bin/env bash
# PNG save+load of a screen-like picture: ours against QImage and convert,
# and the two PNG libraries side by side (all in pxpngbench, one run).
set -euo pipefail
build=${1:-build-bench}
tool="$build/bench/pxpngbench"
[ -x "$tool" ] || { echo "compare_png: $tool missing (build, make setup)"; exit 1; }
QT_QPA_PLATFORM=offscreen "$tool" "${RUNS:-5}"
