#!/usr/bin/env bash
# Runs every benchmark program of a build tree, then the peer comparisons.
set -euo pipefail
build=${1:-build-bench}
ran=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
  ran=1
done
for s in "$(dirname "$0")"/compare_*.sh; do
  [ -f "$s" ] || continue
  echo "== $(basename "$s")"
  bash "$s" "$build"
  ran=1
done
[ $ran -eq 1 ] || echo "bench: no benchmarks yet"
