#include "prentix/print/adjustcolours.h"

#include <algorithm>
#include <array>

namespace prentix {

namespace {

struct Adjuster {
  int thresholdR, thresholdG, thresholdB, thresholdM;
  bool grey;
  int invert;  // MonoChange as stored: grey levels invert on any non-zero
  BYTE light, dark;

  // blue, green, red in place
  void Apply(BYTE* bgr) const {
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    BYTE v;
    if (grey) {
      v = static_cast<BYTE>(invert ? 255 - hi : hi);
    } else {
      int threshold = r > g && r > b   ? thresholdR
                      : g > r && g > b ? thresholdG
                      : b > r && b > g ? thresholdB
                                       : thresholdM;
      if (threshold == 0) return;
      const int lightness = (hi + lo + 1) * 255 / 510;
      v = lightness > threshold ? light : dark;
    }
    bgr[0] = bgr[1] = bgr[2] = v;
  }
};

}  // namespace

void AdjustColours(SECImageBase& image, const ColourAdjustSettings& s) {
  Adjuster a{s.MonoR & 0xFF,
             s.MonoG & 0xFF,
             s.MonoB & 0xFF,
             s.MonoM & 0xFF,
             s.GreyScale != 0,
             s.MonoChange,
             255,
             0};
  if (a.thresholdR + a.thresholdG + a.thresholdB + a.thresholdM + s.GreyScale == 0) return;
  if (s.MonoChange == 1) std::swap(a.light, a.dark);
  if (!image.HasPicture()) return;

  const int bits = image.m_nSrcBitsPerPixel;
  if (bits == 4 || bits == 8) {
    const size_t n = std::min<size_t>(image.m_wColors, image.ColorTableCapacity());
    for (size_t i = 0; i < n; ++i) a.Apply(&image.m_pColorTable[i].rgbBlue);
    image.CreatePalette();  // the palette follows the changed table
  } else if (bits == 24) {
    if (!image.PadRows()) return;
    const size_t stride = image.RowStride();
    if (image.m_pBits.size() < stride * image.m_dwHeight) return;
    for (DWORD r = 0; r < image.m_dwHeight; ++r) {
      BYTE* p = image.Row(r);
      for (DWORD x = 0; x < image.m_dwWidth; ++x, p += 3) a.Apply(p);
    }
  }
}

}  // namespace prentix
