#!/usr/bin/env bash
# Runs each libFuzzer target for a few seconds from its seed corpus.
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
  WINDIR=$(mktemp -d) HOME=$(mktemp -d) "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="$build/fuzz/$name-" \
    "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
  ran=1
done
[ $ran -eq 1 ] || echo "fuzz: no targets built"
