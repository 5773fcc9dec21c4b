#pragma once
// Pictures for the image tests, built without the code under test, and a
// plain pixel reader (x from the left, y from the top).

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "prentix/image/cfile.h"
#include "prentix/image/imagebase.h"

namespace imgtest {

using namespace prentix;

inline size_t Stride(DWORD w, int bits) { return (w * bits + 31) / 32 * 4; }

// Pixel value at (x, y from the top): the index at 1, 4 and 8 bits, else the
// bytes as a little-endian number. Rows are read padded.
inline uint32_t PixelAt(const SECImageBase& img, DWORD x, DWORD y) {
  const int bits = img.m_nSrcBitsPerPixel;
  const uint8_t* row = img.m_pBits.data() + (img.m_dwHeight - 1 - y) * img.RowStride();
  if (bits < 8) {
    uint64_t bit = uint64_t{x} * bits;
    return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
  }
  uint32_t v = 0;
  std::memcpy(&v, row + x * (bits / 8), bits / 8);
  return v;
}

// A picture of the given depth with a colour table of distinct entries and
// pixels from a simple generator; rows padded, padding zero.
inline void Fill(SECImageBase& img, int bits, DWORD w, DWORD h, uint32_t seed = 1) {
  img.m_nSrcBitsPerPixel = bits;
  img.m_dwWidth = w;
  img.m_dwHeight = h;
  img.m_dwPadWidth = (w + 3) & ~3u;
  img.m_wColors = bits <= 8 ? static_cast<WORD>(1u << bits) : 0;
  img.AllocateHeader(40 + 4 * size_t{img.m_wColors});
  BITMAPINFOHEADER* bi = img.Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(w);
  bi->biHeight = static_cast<LONG>(h);
  bi->biPlanes = 1;
  bi->biBitCount = static_cast<WORD>(bits);
  for (unsigned i = 0; i < img.m_wColors; ++i)
    img.m_pColorTable[i] = RGBQUAD{static_cast<BYTE>(i * 7 + seed), static_cast<BYTE>(i * 13),
                                   static_cast<BYTE>(255 - i), 0};
  const size_t stride = Stride(w, bits);
  img.m_pBits.Allocate(stride * h);
  uint32_t state = seed * 2654435761u + 12345;
  for (DWORD y = 0; y < h; ++y) {
    uint8_t* row = img.m_pBits.data() + y * stride;
    for (DWORD x = 0; x < w; ++x) {
      state = state * 1103515245u + 12345u;
      uint32_t v = state >> 8;
      if (bits < 8) {
        uint64_t bit = uint64_t{x} * bits;
        v &= (1u << bits) - 1;
        row[bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
      } else {
        std::memcpy(row + x * (bits / 8), &v, bits / 8);
      }
    }
  }
  img.m_bIsPadded = stride != (uint64_t{w} * bits + 7) / 8;
  img.CreatePalette();
}

// True when both hold the same picture: size, depth and every pixel.
inline ::testing::AssertionResult SamePixels(const SECImageBase& a, const SECImageBase& b) {
  if (a.m_dwWidth != b.m_dwWidth || a.m_dwHeight != b.m_dwHeight ||
      a.m_nSrcBitsPerPixel != b.m_nSrcBitsPerPixel)
    return ::testing::AssertionFailure()
           << a.m_dwWidth << "x" << a.m_dwHeight << "x" << a.m_nSrcBitsPerPixel << " vs "
           << b.m_dwWidth << "x" << b.m_dwHeight << "x" << b.m_nSrcBitsPerPixel;
  for (DWORD y = 0; y < a.m_dwHeight; ++y)
    for (DWORD x = 0; x < a.m_dwWidth; ++x)
      if (PixelAt(a, x, y) != PixelAt(b, x, y))
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": "
                                             << PixelAt(a, x, y) << " vs " << PixelAt(b, x, y);
  return ::testing::AssertionSuccess();
}

// Colour of a pixel as 0xRRGGBB, through the table below 16 bits.
inline uint32_t ColourAt(const SECImageBase& img, DWORD x, DWORD y) {
  uint32_t v = PixelAt(img, x, y);
  if (img.m_nSrcBitsPerPixel <= 8) {
    const RGBQUAD& c = img.m_pColorTable[v];
    return uint32_t{c.rgbRed} << 16 | uint32_t{c.rgbGreen} << 8 | c.rgbBlue;
  }
  return v & 0xFFFFFF;
}

// The bytes a save writes, empty when it fails.
inline std::string SavedBytes(SECImageBase& img) {
  CMemFile out;
  if (!img.SaveImage(&out)) return {};
  return std::string(out.Data().begin(), out.Data().end());
}

inline bool LoadBytes(SECImageBase& img, const std::string& bytes) {
  CMemFile in(bytes.data(), bytes.size());
  return img.LoadImage(&in);
}

}  // namespace imgtest
