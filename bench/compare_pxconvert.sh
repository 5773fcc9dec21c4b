#!/usr/bin/env bash
# pxconvert against ImageMagick's convert, whole processes timed by
# hyperfine in one run: a 1920x1080 screen-like BMP to each format and back.
set -euo pipefail
build=${1:-build-bench}
ours="$build/prentix/pxconvert"
picture="$build/bench/pxgifconv"
convert=/usr/bin/convert
for p in "$ours" "$picture"; do [ -x "$p" ] || { echo "compare_pxconvert: $p not built"; exit 0; }; done
command -v hyperfine >/dev/null || { echo "compare_pxconvert: hyperfine missing (make setup)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in="$work/in.bmp"
"$picture" --picture "$in"

mean_ms() {  # mean of a hyperfine run of one command, in ms
  hyperfine -N --runs "${RUNS:-5}" --warmup 1 --export-csv "$work/t.csv" "$1" >/dev/null 2>&1
  awk -F, 'NR==2 { printf "%.1f", $2 * 1000 }' "$work/t.csv"
}

printf "%-14s %10s %10s %8s\n" "step" "pxconvert" "convert" "ratio"
for fmt in gif pcx tga tif jpg; do
  ours_to=$(mean_ms "$ours $in $work/ours.$fmt")
  im_to=$(mean_ms "$convert $in $work/im.$fmt")
  ours_back=$(mean_ms "$ours $work/ours.$fmt $work/ours-back.bmp")
  im_back=$(mean_ms "$convert $work/ours.$fmt -type TrueColor BMP3:$work/im-back.bmp")
  printf "%-14s %8s ms %8s ms %7.1fx\n" "BMP -> $fmt" "$ours_to" "$im_to" \
    "$(echo "$im_to / $ours_to" | bc -l)"
  printf "%-14s %8s ms %8s ms %7.1fx\n" "$fmt -> BMP" "$ours_back" "$im_back" \
    "$(echo "$im_back / $ours_back" | bc -l)"
done
echo "(ratio: convert's time over ours; above 1 means pxconvert is faster)"
