#!/usr/bin/env bash
# IxCopyFile against cp: one big file (BENCH_COPY_MIB, default 1024 MiB,
# when the disk has room) and many small ones (BENCH_SMALL_FILES, default
# 10000 files of 1 KiB). Each side copies into a fresh target; prints times,
# throughput and the ratio (ours / cp's throughput).
set -euo pipefail
build=${1:-build-bench}
mib=${BENCH_COPY_MIB:-1024}
count=${BENCH_SMALL_FILES:-10000}
ixcopy=$(find "$build" -maxdepth 3 -type f -name ixcopy -perm -u+x | head -n 1)
if [ -z "$ixcopy" ]; then
  echo "compare_ixcopy: ixcopy is not built in $build"
  exit 0
fi
work=$(mktemp -d "${BENCH_DIR:-/tmp}/ixcopy.XXXXXX")
trap 'rm -rf "$work"' EXIT
free_mib=$(( $(df -Pk "$work" | awk 'NR==2 {print $4}') / 1024 ))
if [ $(( mib * 3 + 256 )) -gt "$free_mib" ]; then
  mib=$(( (free_mib - 256) / 3 ))
  echo "compare_ixcopy: only room for ${mib} MiB"
fi
export WINDIR="$work/windows" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$WINDIR" "$HOME" "$work/small" "$work/cp" "$work/ix"
head -c "$((mib * 1024 * 1024))" /dev/urandom >"$work/big"
for ((i = 0; i < count; i++)); do head -c 1024 /dev/urandom >"$work/small/f$i"; done

. "$(dirname "$0")/lib.sh"
# Both sides take turns, best of BENCH_RUNS (default 3): a copy that runs
# while the other's gigabyte is still being written back would lose.
b_cp= b_ix=
for ((r = 0; r < ${BENCH_RUNS:-3}; r++)); do
  for side in $( ((r % 2)) && echo "ix cp" || echo "cp ix"); do
    rm -f "$work/cp/big" "$work/ix/big"
    sync
    if [ "$side" = cp ]; then
      t=$(seconds cp "$work/big" "$work/cp/big")
      if [ -z "$b_cp" ] || [ "$(echo "$t < $b_cp" | bc -l)" = 1 ]; then b_cp=$t; fi
    else
      t=$(seconds "$ixcopy" "$work/big" "$work/ix/big")
      cmp -s "$work/big" "$work/ix/big" || { echo "compare_ixcopy: copy differs"; exit 1; }
      if [ -z "$b_ix" ] || [ "$(echo "$t < $b_ix" | bc -l)" = 1 ]; then b_ix=$t; fi
    fi
  done
done
rm -f "$work/cp/big" "$work/ix/big"
printf 'big file %d MiB: cp %.3f s (%.0f MiB/s), IxCopyFile %.3f s (%.0f MiB/s), ratio %.2f\n' \
  "$mib" "$b_cp" "$(echo "$mib / $b_cp" | bc -l)" "$b_ix" "$(echo "$mib / $b_ix" | bc -l)" \
  "$(echo "$b_cp / $b_ix" | bc -l)"

# Many small files: the time depends much on what the file system did
# just before, so both sides take turns, each into a fresh folder, and the
# best of BENCH_RUNS (default 3) counts.
s_cp= s_ix=
for ((r = 0; r < ${BENCH_RUNS:-3}; r++)); do
  rm -rf "$work/cp" "$work/ix"
  mkdir -p "$work/cp" "$work/ix"
  for side in $( ((r % 2)) && echo "ix cp" || echo "cp ix"); do  # who goes first alternates
    sync
    if [ "$side" = cp ]; then
      t=$(seconds cp -r "$work/small/." "$work/cp/")
      if [ -z "$s_cp" ] || [ "$(echo "$t < $s_cp" | bc -l)" = 1 ]; then s_cp=$t; fi
    else
      t=$(seconds "$ixcopy" -n "$work/small" "$work/ix")
      if [ -z "$s_ix" ] || [ "$(echo "$t < $s_ix" | bc -l)" = 1 ]; then s_ix=$t; fi
    fi
  done
done
printf 'small files %d x 1 KiB: cp -r %.3f s, IxCopyFile %.3f s (%.0f files/s), ratio %.2f\n' \
  "$count" "$s_cp" "$s_ix" "$(echo "$count / $s_ix" | bc -l)" "$(echo "$s_cp / $s_ix" | bc -l)"
