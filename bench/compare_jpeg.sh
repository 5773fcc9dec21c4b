#!/usr/bin/env bash
# JPEG and TIFF of a 1920x1080 and a 4000x3000 picture: our pxjpegtiff
# against libjpeg-turbo's own djpeg/cjpeg, libtiff's tiffcp and ImageMagick's
# convert, best of several runs each, with the ratios (peer time / ours; below
# 1 means we are slower). The adapters should stay within 15 % of the bare
# library tools.
set -euo pipefail
build=${1:-build-bench}
ours="$build/bench/pxjpegtiff"
convert=/usr/bin/convert
for tool in "$ours" "$convert" /usr/bin/djpeg /usr/bin/cjpeg /usr/bin/tiffcp; do
  [ -x "$tool" ] || { echo "compare_jpeg: $tool missing (build, make setup)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-5}

. "$(dirname "$0")/lib.sh"

line() {  # what, ours ms, peer name, peer ms
  awk -v w="$1" -v o="$2" -v n="$3" -v p="$4" 'BEGIN {
    o = (o < 1 ? 1 : o); printf "  %-34s ours %5d ms  %-16s %5d ms  ratio %.2f\n", w, o, n, p, p / o }'
}

for size in 1920x1080 4000x3000; do
  # a photo-like picture: smooth plasma with some grain
  "$convert" -size "$size" plasma:fractal -seed 7 -attenuate 0.3 +noise Gaussian \
    -type TrueColor -depth 8 "$work/in.ppm"
  "$convert" "$work/in.ppm" -compress none "BMP3:$work/in.bmp"
  "$convert" "$work/in.ppm" -compress none "$work/in.tif"
  cjpeg -quality 75 -outfile "$work/in.jpg" "$work/in.ppm"
  echo "$size:"

  # JPEG: our encoder makes the library tool's bytes
  "$ours" "$work/in.bmp" "$work/ours.jpg"
  cmp -s "$work/ours.jpg" "$work/in.jpg" || { echo "compare_jpeg: our JPEG differs from cjpeg's"; exit 1; }
  line "JPEG decode" "$(best_ms "$ours" "$work/in.jpg")" \
    djpeg "$(best_ms djpeg -outfile "$work/dj.ppm" "$work/in.jpg")"
  line "JPEG encode" "$(best_ms "$ours" "$work/in.bmp" "$work/ours.jpg")" \
    cjpeg "$(best_ms cjpeg -quality 75 -outfile "$work/cj.jpg" "$work/in.ppm")"
  dc_ours=$(best_ms "$ours" "$work/in.jpg" "$work/ours2.jpg")
  line "JPEG decode+encode" "$dc_ours" "djpeg|cjpeg" \
    "$(best_ms sh -c "djpeg '$work/in.jpg' | cjpeg -quality 75 > '$work/dc.jpg'")"
  line "JPEG decode+encode" "$dc_ours" convert \
    "$(best_ms "$convert" "$work/in.jpg" -quality 75 "$work/im.jpg")"

  # TIFF: uncompressed 24-bit read and write
  "$ours" "$work/in.tif" "$work/ours.tif"
  /usr/bin/compare -metric AE "$work/ours.tif" "$work/in.tif" null: 2>/dev/null ||
    { echo "compare_jpeg: our TIFF differs"; exit 1; }
  tiff_ours=$(best_ms "$ours" "$work/in.tif" "$work/ours.tif")
  line "TIFF read+write" "$tiff_ours" tiffcp "$(best_ms tiffcp "$work/in.tif" "$work/tc.tif")"
  line "TIFF read+write" "$tiff_ours" convert "$(best_ms "$convert" "$work/in.tif" "$work/im.tif")"
done
