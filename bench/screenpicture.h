#pragma once
// A screen-like 24-bit picture for the GIF timings: window chrome with
// gradient title bars, lines of small glyphs on white, a smooth photo-like
// area with noise and a diagonal gradient. Deterministic.
#include <cmath>
#include <cstdint>

#include "prentix/image/imagebase.h"

namespace benchpic {

inline bool MakeScreenPicture(prentix::SECImageBase& img, int w = 1920, int h = 1080) {
  prentix::DeviceBitmap bm;
  bm.width = w;
  bm.height = h;
  bm.bitsPerPixel = 24;
  bm.stride = static_cast<size_t>(prentix::PaddedRowBytes(w, 24));
  bm.bits.assign(bm.stride * h, 0);
  uint32_t seed = 12345;
  auto noise = [&seed] { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 28); };
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bm.Row(y);
    for (int x = 0; x < w; ++x) {
      int r, g, b;
      if (y < 32) {  // title bar
        r = 10 + x * 100 / w;
        g = 36 + x * 120 / w;
        b = 106 + x * 140 / w;
      } else if (x < w / 2 && y < h / 2) {  // a text window
        const int cx = x % 8, cy = (y - 32) % 14, glyph = (x / 8) * 7919 + ((y - 32) / 14) * 104729;
        const bool ink = cx < 6 && cy < 9 && ((glyph >> (cx + cy * 3) % 23) & 1) && (x / 8) % 11;
        r = g = b = ink ? 20 : 250;
        if (ink && (glyph & 15) == 3) r = 180;  // a few coloured words
      } else if (y >= h / 2 && x >= w / 3) {    // a photo
        const double fx = x * 0.004, fy = y * 0.006;
        r = static_cast<int>(128 + 90 * std::sin(fx * 3 + fy)) + noise();
        g = static_cast<int>(110 + 80 * std::sin(fx * 2 - fy * 1.7 + 1)) + noise();
        b = static_cast<int>(90 + 70 * std::cos(fx + fy * 2.3)) + noise();
      } else if (y >= h / 2) {  // a gradient
        r = (x + y) * 255 / (w / 3 + h);
        g = 255 - y * 255 / h;
        b = x * 255 / (w / 3);
      } else {  // dialog chrome
        r = g = b = ((x / 40 + y / 30) % 7 == 0) ? 160 : 212;
      }
      row[3 * x] = static_cast<uint8_t>(b > 255 ? 255 : b);
      row[3 * x + 1] = static_cast<uint8_t>(g > 255 ? 255 : g);
      row[3 * x + 2] = static_cast<uint8_t>(r > 255 ? 255 : r);
    }
  }
  return img.CreateFromBitmap(bm);
}

}  // namespace benchpic
