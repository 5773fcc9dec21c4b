// Colour reduction: palettes worked out by hand for small pictures, the
// fixed entries, the progress texts and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/testimages.h"
#include "prentix/image/colorreduce.h"
#include "prentix/image/secdib.h"

using namespace prentix;
using namespace imgtest;

namespace {

struct Rgb {
  int r, g, b;
};

// A packed 24-bit DIB whose pixels, bottom row first, are `px` (w x h).
MemBlock Dib24(DWORD w, DWORD h, const std::vector<Rgb>& px) {
  const size_t row = (w * 3 + 3) & ~size_t{3};
  MemBlock dib;
  dib.Allocate(40 + row * h);
  BITMAPINFOHEADER bi{};
  bi.biSize = 40;
  bi.biWidth = static_cast<LONG>(w);
  bi.biHeight = static_cast<LONG>(h);
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  std::memcpy(dib.data(), &bi, 40);
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x) {
      const Rgb& c = px[y * w + x];
      BYTE* p = dib.data() + 40 + y * row + 3 * x;
      p[0] = static_cast<BYTE>(c.b);
      p[1] = static_cast<BYTE>(c.g);
      p[2] = static_cast<BYTE>(c.r);
    }
  return dib;
}

Rgb Entry(const MemBlock& dib, int k) {
  const BYTE* q = dib.data() + 40 + 4 * k;
  return Rgb{q[2], q[1], q[0]};
}
BYTE Index(const MemBlock& dib, DWORD w, DWORD x, DWORD y) {
  return dib.data()[40 + 1024 + y * ((w + 3) & ~3u) + x];
}

const Rgb kCornerColours[8] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                               {255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 255}};

void ExpectEntry(const MemBlock& dib, int k, Rgb want) {
  const Rgb got = Entry(dib, k);
  EXPECT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b)
      << "entry " << k << ": " << got.r << "," << got.g << "," << got.b << " want " << want.r << ","
      << want.g << "," << want.b;
}

void ExpectCornersAndGrey(const MemBlock& dib, int firstBox, int lastGrey) {
  for (int k = 0; k < 8; ++k) ExpectEntry(dib, k, kCornerColours[k]);
  for (int k = firstBox; k <= lastGrey; ++k) ExpectEntry(dib, k, {123, 123, 123});
}

}  // namespace

TEST(Reduce, PalettesWorkedOutByHand) {
  // One colour: its cell wanders to the last box, every other box is empty.
  {
    const MemBlock out = QuantizeTo256(Dib24(3, 2, std::vector<Rgb>(6, {100, 150, 200})));
    ASSERT_TRUE(out);
    const auto* bi = reinterpret_cast<const BITMAPINFOHEADER*>(out.data());
    EXPECT_EQ(bi->biBitCount, 8);
    EXPECT_EQ(bi->biClrUsed, 256u);
    EXPECT_EQ(bi->biClrImportant, 256u);
    EXPECT_EQ(bi->biSizeImage, 8u);
    EXPECT_EQ(out.size(), 40u + 1024 + 8);
    ExpectCornersAndGrey(out, 8, 254);
    // cell (12, 18, 25): centres 12*255/31, 18*255/31, 25*255/31
    ExpectEntry(out, 255, {98, 148, 205});
    for (DWORD y = 0; y < 2; ++y)
      for (DWORD x = 0; x < 3; ++x) EXPECT_EQ(Index(out, 3, x, y), 255);
  }
  // Two colours three to one, apart on red only: box 8 splits at the mean
  // red 12, the two single cells then take turns at the lowest box number and
  // end in boxes 254 (cell A) and 255 (cell B).
  {
    const Rgb a{80, 160, 240}, b{160, 160, 240};  // cells (10,20,30), (20,20,30)
    const MemBlock out = QuantizeTo256(Dib24(2, 2, {a, a, a, b}));
    ASSERT_TRUE(out);
    ExpectCornersAndGrey(out, 8, 253);
    ExpectEntry(out, 254, {82, 164, 246});
    ExpectEntry(out, 255, {164, 164, 246});
    EXPECT_EQ(Index(out, 2, 0, 0), 254);
    EXPECT_EQ(Index(out, 2, 1, 0), 254);
    EXPECT_EQ(Index(out, 2, 0, 1), 254);
    EXPECT_EQ(Index(out, 2, 1, 1), 255);
  }
  // Three layers on red (cells 10, 11, 12): the outer ones become boxes, the
  // middle one none, and its pixels go to the nearest entry (a tie between
  // red 82 and 98, won by the lower index).
  {
    const Rgb lo{80, 160, 240}, mid{90, 160, 240}, hi{100, 160, 240};
    const MemBlock out = QuantizeTo256(Dib24(3, 1, {lo, mid, hi}));
    ASSERT_TRUE(out);
    ExpectCornersAndGrey(out, 8, 253);
    ExpectEntry(out, 254, {98, 164, 246});
    ExpectEntry(out, 255, {82, 164, 246});
    for (int k = 0; k < 256; ++k) EXPECT_NE(Entry(out, k).r, 90) << k;
    EXPECT_EQ(Index(out, 3, 0, 0), 255);
    EXPECT_EQ(Index(out, 3, 1, 0), 254);  // |90-98| == |90-82|: 254 < 255
    EXPECT_EQ(Index(out, 3, 2, 0), 254);
  }
  // Only corner colours: nothing is counted, all boxes from 8 on are empty.
  {
    std::vector<Rgb> px(kCornerColours, kCornerColours + 8);
    const MemBlock out = QuantizeTo256(Dib24(4, 2, px));
    ASSERT_TRUE(out);
    ExpectCornersAndGrey(out, 8, 255);
    for (DWORD i = 0; i < 8; ++i) EXPECT_EQ(Index(out, 4, i % 4, i / 4), i);
  }
}

TEST(Reduce, BlackAndWhiteAreAlwaysZeroAndSeven) {
  // (5,0,0) comes first in black's cell and chooses the entry of cell
  // (1,0,0); pure black later still maps to 0. The same for white.
  const Rgb nearBlack{5, 0, 0}, cellOne{8, 0, 0}, nearWhite{250, 255, 255},
      cellBelow{244, 255, 255};
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  const MemBlock out =
      QuantizeTo256(Dib24(6, 1, {nearBlack, cellOne, nearWhite, cellBelow, black, white}));
  ASSERT_TRUE(out);
  const BYTE nb = Index(out, 6, 0, 0), nw = Index(out, 6, 2, 0);
  EXPECT_NE(nb, 0);  // (8,0,0) is nearer than black
  EXPECT_EQ(Entry(out, nb).r, 8);
  EXPECT_NE(nw, 7);
  EXPECT_EQ(Entry(out, nw).r, 246);
  EXPECT_EQ(Index(out, 6, 4, 0), 0);
  EXPECT_EQ(Index(out, 6, 5, 0), 7);
}

TEST(Reduce, ProgressTextsAndRefusals) {
  std::vector<std::string> texts;
  const MemBlock out = QuantizeTo256(Dib24(1, 3, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
                                     [&](const char* t) { texts.emplace_back(t); });
  ASSERT_TRUE(out);
  std::vector<std::string> want = {"Finding all colors, 0%", "Finding all colors, 33%",
                                   "Finding all colors, 66%", "Building new palette..."};
  for (int n = 9; n < 256; ++n) want.push_back("splitting box " + std::to_string(n));
  for (const char* t : {"Building new Image, 0%", "Building new Image, 33%",
                        "Building new Image, 66%", "Building new Image, 100%"})
    want.emplace_back(t);
  EXPECT_EQ(texts, want);

  // Not a valid 24-bit packed DIB: nothing.
  EXPECT_FALSE(QuantizeTo256(MemBlock()));
  MemBlock dib = Dib24(5, 5, std::vector<Rgb>(25, {1, 2, 3}));
  MemBlock shortDib;
  shortDib.Allocate(dib.size() - 1);
  std::memcpy(shortDib.data(), dib.data(), shortDib.size());
  EXPECT_FALSE(QuantizeTo256(shortDib));
  auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
  bi->biBitCount = 8;
  EXPECT_FALSE(QuantizeTo256(dib));
  bi->biBitCount = 24;
  bi->biHeight = 0;
  EXPECT_FALSE(QuantizeTo256(dib));
  bi->biHeight = 5;
  bi->biSize = 64;
  EXPECT_FALSE(QuantizeTo256(dib));

  // A 12-byte core header with 24 bits is taken.
  MemBlock core;
  core.Allocate(12 + 4 * 2);
  const BYTE coreHeader[12] = {12, 0, 0, 0, 1, 0, 2, 0, 1, 0, 24, 0};
  std::memcpy(core.data(), coreHeader, 12);
  const BYTE px[8] = {0, 0, 255, 0, 255, 255, 255, 0};  // red, then white
  std::memcpy(core.data() + 12, px, 8);
  const MemBlock fromCore = QuantizeTo256(core);
  ASSERT_TRUE(fromCore);
  EXPECT_EQ(Index(fromCore, 1, 0, 0), 1);
  EXPECT_EQ(Index(fromCore, 1, 0, 1), 7);
}

TEST(Reduce, ImagesOfEveryDepth) {
  // 24 bits: the image becomes the quantizer's result, 256 colours.
  SECDib img;
  Fill(img, 24, 33, 17, 5);
  SECDib before;
  ASSERT_TRUE(before.CopyImage(img));
  ASSERT_TRUE(ReduceTo256Colors(img));
  EXPECT_EQ(img.m_nSrcBitsPerPixel, 8);
  EXPECT_EQ(img.m_wColors, 256);
  EXPECT_EQ(img.m_wSysColors, 256);
  EXPECT_EQ(img.m_nBitPlanes, 1);
  EXPECT_EQ(img.m_pBitmapInfo.size(), 1064u);
  EXPECT_EQ(img.Header()->biBitCount, 8);
  EXPECT_EQ(img.Header()->biClrUsed, 256u);
  ASSERT_TRUE(img.m_pPalette);
  EXPECT_EQ(img.m_pPalette->palPalEntry.size(), 256u);
  // each pixel is its 5-bit cell's colour within the spread of a random
  // picture's boxes, and on the same side of the cube as before
  int far = 0;
  for (DWORD y = 0; y < 17; ++y)
    for (DWORD x = 0; x < 33; ++x) {
      const uint32_t a = ColourAt(before, x, y), b = ColourAt(img, x, y);
      for (int s = 0; s < 24; s += 8) {
        const int d = int(a >> s & 255) - int(b >> s & 255);
        if (d > 64 || d < -64) ++far;
      }
    }
  EXPECT_LT(far, 33 * 17 / 20);

  // At 1, 4 and 8 bits with fewer than 248 colours, every colour keeps a box
  // of its own: each pixel lands within one 5-bit step of its colour.
  for (int bits : {1, 4, 8}) {
    SECDib small;
    Fill(small, bits, 21, 9, 3);
    if (bits == 8)  // only 100 colours in use
      for (DWORD i = 0; i < small.m_pBits.size(); ++i) small.m_pBits.data()[i] %= 100;
    SECDib orig;
    ASSERT_TRUE(orig.CopyImage(small));
    ASSERT_TRUE(ReduceTo256Colors(small)) << bits;
    EXPECT_EQ(small.m_nSrcBitsPerPixel, 8);
    for (DWORD y = 0; y < 9; ++y)
      for (DWORD x = 0; x < 21; ++x) {
        const uint32_t a = ColourAt(orig, x, y), b = ColourAt(small, x, y);
        for (int s = 0; s < 24; s += 8)
          EXPECT_NEAR(int(a >> s & 255), int(b >> s & 255), 8)
              << bits << " bits at " << x << "," << y;
      }
  }

  // A palette display cannot give true colour: false, the image unchanged.
  SECDib pal;
  Fill(pal, 24, 10, 4, 9);
  SECDib same;
  ASSERT_TRUE(same.CopyImage(pal));
  EXPECT_FALSE(ReduceTo256Colors(pal, DisplayInfo{8, 1}));
  EXPECT_EQ(pal.m_nSrcBitsPerPixel, 24);
  EXPECT_TRUE(SamePixels(pal, same));
  SECDib empty;
  EXPECT_FALSE(ReduceTo256Colors(empty));
}

TEST(Reduce, BitmapToPackedDib) {
  DeviceBitmap bm;
  bm.width = 2;
  bm.height = 2;
  bm.bitsPerPixel = 32;
  bm.stride = 8;
  bm.bits = {1, 2, 3, 0, 4,  5,  6,  0,  // top row
             7, 8, 9, 0, 10, 11, 12, 0};
  MemBlock dib = BitmapToPackedDib(bm);
  ASSERT_TRUE(dib);
  auto layout = GetPackedDibLayout(dib);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->bitCount, 24);
  EXPECT_EQ(layout->colors, 0u);
  EXPECT_EQ(layout->bitsOffset, 40u);
  const BYTE want[16] = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
  ASSERT_EQ(dib.size(), 40u + 16);
  EXPECT_EQ(0, std::memcmp(dib.data() + 40, want, 16));
  EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data())->biSizeImage, 16u);

  // 8 bits with a palette: the table comes from the palette
  DeviceBitmap idx;
  idx.width = 3;
  idx.height = 1;
  idx.bitsPerPixel = 8;
  idx.stride = 4;
  idx.bits = {0, 1, 2, 0};
  idx.colorTable.assign(256, RGBQUAD{9, 9, 9, 0});
  LogicalPalette pal;
  pal.palPalEntry = {{10, 20, 30, 0}, {40, 50, 60, 0}};
  MemBlock d8 = BitmapToPackedDib(idx, &pal);
  ASSERT_TRUE(d8);
  const auto* t = reinterpret_cast<const RGBQUAD*>(d8.data() + 40);
  EXPECT_EQ(t[0].rgbRed, 10);
  EXPECT_EQ(t[0].rgbBlue, 30);
  EXPECT_EQ(t[1].rgbGreen, 50);
  EXPECT_EQ(t[2].rgbRed, 9);
  EXPECT_EQ(PackedDibColors(d8.data(), d8.size()), 256u);
  EXPECT_FALSE(QuantizeTo256(d8));  // 8 bits is not reduced again

  DeviceBitmap bad;
  EXPECT_FALSE(BitmapToPackedDib(bad));
}
