#!/usr/bin/env bash
# copydirrecursive against cp -r in one run: a tree of 10 000 small files
# (BENCH_SMALL_FILES, 1 KiB each, 100 to a directory) and one large file
# (BENCH_LARGE_MB, default 1024). Prints both times and the ratio
# cp/instari (1.0 = as fast as cp). BENCH_DIR picks the file system (default /tmp).
set -euo pipefail
build=${1:-build-bench}
files=${BENCH_SMALL_FILES:-10000}
mb=${BENCH_LARGE_MB:-1024}
instari=$(find "$build" -maxdepth 3 -type f -name instari -perm -u+x | head -n 1)
if [ -z "$instari" ]; then
  echo "compare_copydir: instari is not built in $build"
  exit 0
fi
work=$(mktemp -d "${BENCH_DIR:-/tmp}/copydir.XXXXXX")
trap 'rm -rf "$work"' EXIT
export WINDIR="$work/windows"

block=$(head -c 1024 /dev/urandom | base64 -w 0 | head -c 1024)
mkdir -p "$work/small"
for ((i = 0; i < files; i++)); do
  d="$work/small/d$((i / 100))"
  [ -d "$d" ] || mkdir "$d"
  printf '%s%d' "$block" "$i" >"$d/f$i.txt"
done
mkdir -p "$work/large"
head -c $((mb * 1024 * 1024)) /dev/urandom >"$work/large/big.bin"

. "$(dirname "$0")/lib.sh"

less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(b == "" || a < b) }'; }

run() {  # name; both sides take turns into fresh folders, best of BENCH_RUNS (3)
  local name=$1 t_cp= t_ix= t r
  printf "copydirrecursive '%s' '%s'\n" "$work/$name" "$work/ix-$name" >"$work/$name.inf"
  for ((r = 0; r < ${BENCH_RUNS:-3}; r++)); do
    rm -rf "$work/cp-$name" "$work/ix-$name"
    for side in $( ((r % 2)) && echo "ix cp" || echo "cp ix"); do  # who goes first alternates
      sync
      if [ "$side" = cp ]; then
        t=$(seconds cp -r "$work/$name" "$work/cp-$name")
        if less "$t" "$t_cp"; then t_cp=$t; fi
      else
        t=$(seconds "$instari" --console "$work/$name.inf")
        if less "$t" "$t_ix"; then t_ix=$t; fi
      fi
    done
    if ! diff -rq "$work/$name" "$work/ix-$name" >/dev/null; then
      echo "  $name: the copy differs from the source"
      exit 1
    fi
  done
  printf "  %-6s cp -r %8.3f s   instari %8.3f s   ratio cp/instari %5.2f\n" "$name" "$t_cp" \
    "$t_ix" "$(awk -v a="$t_cp" -v b="$t_ix" 'BEGIN { print a / b }')"
  rm -rf "$work/cp-$name" "$work/ix-$name"
}

echo "copydirrecursive against cp -r ($files files of 1 KiB; one file of $mb MiB)"
run small
run large
