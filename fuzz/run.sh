#!/usr/bin/env bash
# Runs each libFuzzer target for a few seconds from its seed corpus, under
# tight memory limits: a reader that takes memory for pixels a small input
# cannot hold shows up as an out-of-memory crash (the image targets set a
# picture budget that fits, fuzz/budget.h).
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
ran=0
for f in "$build"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$build/fuzz/corpus-$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$here/seeds/${name#fuzz_}" ] && seeds=("$here/seeds/${name#fuzz_}")
  echo "== $name ($seconds s)"
  # AddressSanitizer's quarantine alone would take the whole RSS limit
  ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32} WINDIR=$(mktemp -d) HOME=$(mktemp -d) "$f" -max_total_time="$seconds" -rss_limit_mb=256 -malloc_limit_mb=160 -artifact_prefix="$build/fuzz/$name-" \
    "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
  ran=1
done
[ $ran -eq 1 ] || echo "fuzz: no targets built"
