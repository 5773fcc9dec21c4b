#!/usr/bin/env bash
# A 1920x1080 screen-like 24-bit BMP saved as GIF (reduction to 256 colours
# included) and a GIF read back into a BMP: our pxgifconv against
# ImageMagick's convert (and GraphicsMagick's gm convert where installed),
# best of several runs each, with the ratios and the file sizes.
set -euo pipefail
build=${1:-build-bench}
ours="$build/bench/pxgifconv"
convert=/usr/bin/convert
[ -x "$ours" ] || { echo "compare_gif: $ours not built"; exit 1; }
[ -x "$convert" ] || { echo "compare_gif: $convert missing (make setup)"; exit 1; }
gm=$(command -v gm || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=3

. "$(dirname "$0")/lib.sh"

in="$work/in.bmp"
"$ours" --picture "$in"
ours_w=$(best_ms "$ours" "$in" "$work/ours.gif")
im_w=$(best_ms "$convert" "$in" "$work/im.gif")
# both read the same file: ours
ours_r=$(best_ms "$ours" "$work/ours.gif" "$work/ours-back.bmp")
im_r=$(best_ms "$convert" "$work/ours.gif" -type TrueColor -compress none "BMP3:$work/im-back.bmp")
# our GIF decodes in ImageMagick to the picture our reader gives
if ! /usr/bin/compare -metric AE "$work/ours.gif" "$work/ours-back.bmp" null: 2>/dev/null; then
  echo "compare_gif: our GIF decodes differently in ImageMagick"
  exit 1
fi
echo
ratio() { awk -v o="$1" -v i="$2" 'BEGIN { o = (o < 1 ? 1 : o); printf "%.1fx", i / o }'; }
size() { stat -c %s "$1"; }
echo "1920x1080 24-bit BMP -> GIF (reduce+write): pxgifconv $ours_w ms, convert $im_w ms, convert/ours $(ratio "$ours_w" "$im_w")"
echo "  file sizes: ours $(size "$work/ours.gif") bytes, convert $(size "$work/im.gif") bytes"
echo "GIF -> BMP (read): pxgifconv $ours_r ms, convert $im_r ms, convert/ours $(ratio "$ours_r" "$im_r")"
if [ -n "$gm" ]; then
  gm_w=$(best_ms "$gm" convert "$in" "$work/gm.gif")
  gm_r=$(best_ms "$gm" convert "$work/ours.gif" "$work/gm-back.bmp")
  echo "gm convert: write $gm_w ms (gm/ours $(ratio "$ours_w" "$gm_w")), read $gm_r ms (gm/ours $(ratio "$ours_r" "$gm_r")), size $(size "$work/gm.gif") bytes"
else
  echo "gm convert: not installed"
fi
