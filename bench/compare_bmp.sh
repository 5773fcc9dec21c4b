#!/usr/bin/env bash
# Load+save of a 4000x3000 24-bit BMP (and of a 1920x1080 one): our
# pxbmpcopy against ImageMagick's `convert in.bmp BMP3:out.bmp`, and the
# same with a quarter turn against `convert -rotate 90`; best of several
# runs each, and the ratio.
set -euo pipefail
build=${1:-build-bench}
ours="$build/bench/pxbmpcopy"
convert=/usr/bin/convert
[ -x "$ours" ] || { echo "compare_bmp: $ours not built"; exit 1; }
[ -x "$convert" ] || { echo "compare_bmp: $convert missing (make setup)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=5

. "$(dirname "$0")/lib.sh"

for size in 4000x3000 1920x1080; do
  in="$work/in-$size.bmp"
  "$convert" -size "$size" xc: +noise Random -type TrueColor -compress none "BMP3:$in"
  ours_ms=$(best_ms "$ours" "$in" "$work/ours.bmp")
  im_ms=$(best_ms "$convert" "$in" -compress none "BMP3:$work/im.bmp")
  # both outputs decode to the same pixels
  if ! /usr/bin/compare -metric AE "$work/ours.bmp" "$work/im.bmp" null: 2>/dev/null; then
    echo "compare_bmp: outputs differ for $size"
    exit 1
  fi
  echo
  awk -v s="$size" -v o="$ours_ms" -v i="$im_ms" 'BEGIN {
    o = (o < 1 ? 1 : o); printf "%s 24-bit load+save: pxbmpcopy %d ms, convert %d ms, convert/ours %.1fx\n", s, o, i, i / o }'
  # a quarter turn on the way, as the view's Rotate right does
  ours_ms=$(best_ms "$ours" --rotate "$in" "$work/ours.bmp")
  im_ms=$(best_ms "$convert" "$in" -rotate 90 -compress none "BMP3:$work/im.bmp")
  if ! /usr/bin/compare -metric AE "$work/ours.bmp" "$work/im.bmp" null: 2>/dev/null; then
    echo "compare_bmp: turned outputs differ for $size"
    exit 1
  fi
  awk -v s="$size" -v o="$ours_ms" -v i="$im_ms" 'BEGIN {
    o = (o < 1 ? 1 : o); printf "%s 24-bit load+turn+save: pxbmpcopy --rotate %d ms, convert -rotate 90 %d ms, convert/ours %.1fx\n", s, o, i, i / o }'
done
