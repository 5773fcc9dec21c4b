// PCX files: the exact bytes we write, what we read from hand-made and
// ImageMagick files, and clean failures on malformed ones.
#include <gtest/gtest.h>

#include <string>

#include "image/magick.h"
#include "prentix/image/secpcx.h"

using namespace prentix;
using namespace imgtest;

namespace {

// An 8-bit picture with the given rows (top row first) and table entry i =
// (red i, green 255-i, blue i/2).
void Make8(SECImageBase& img, const std::vector<std::vector<uint8_t>>& rows) {
  Fill(img, 8, static_cast<DWORD>(rows[0].size()), static_cast<DWORD>(rows.size()));
  for (unsigned i = 0; i < 256; ++i)
    img.m_pColorTable[i] =
        RGBQUAD{static_cast<BYTE>(i / 2), static_cast<BYTE>(255 - i), static_cast<BYTE>(i), 0};
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x)
      img.m_pBits.data()[(img.m_dwHeight - 1 - y) * img.RowStride() + x] = rows[y][x];
}

// A PCX header as other programs write it.
Bytes Header(unsigned bits, unsigned planes, unsigned w, unsigned h, unsigned perLine,
             const std::string& palette16 = std::string(48, '\0'), unsigned version = 5,
             unsigned encoding = 1) {
  Bytes b;
  b.u8(10).u8(version).u8(encoding).u8(bits).u16(0).u16(0).u16(w - 1).u16(h - 1);
  b.u16(72).u16(72).raw(palette16.substr(0, 48)).u8(0).u8(planes).u16(perLine).u16(1);
  return b.zeros(58);
}

}  // namespace

TEST(Pcx, WritesHeaderRunsAndPalette) {
  // one pixel of value 5: the header, C1 05, then 0x0C and 768 palette bytes
  SECPcx one;
  Make8(one, {{5}});
  const std::string f = SavedBytes(one);
  ASSERT_EQ(f.size(), 128u + 2 + 1 + 768);
  const std::string head =
      std::string("\x0A\x05\x01\x08", 4) + std::string(8, '\0') + "\x80\x02\xE0\x01";
  EXPECT_EQ(f.substr(0, 16), head);
  EXPECT_EQ(f.substr(16, 48), std::string(48, '\0'));  // 256 colours: header palette unused
  EXPECT_EQ(f.substr(64, 6), std::string("\x00\x01\x01\x00\x02\x00", 6));
  EXPECT_EQ(f.substr(70, 58), std::string(58, '\0'));
  EXPECT_EQ(f.substr(128, 3), "\xC1\x05\x0C");
  for (unsigned i = 0; i < 256; ++i) {
    ASSERT_EQ(ByteAt(f, 131 + 3 * i), i) << i;
    ASSERT_EQ(ByteAt(f, 132 + 3 * i), 255 - i) << i;
    ASSERT_EQ(ByteAt(f, 133 + 3 * i), i / 2) << i;
  }

  // 100 equal pixels: 63 + 37, on each row anew (no run across a row end)
  SECPcx hundred;
  Make8(hundred, {std::vector<uint8_t>(100, 7), std::vector<uint8_t>(100, 7)});
  std::string g = SavedBytes(hundred);
  ASSERT_EQ(g.size(), 128u + 8 + 769);
  EXPECT_EQ(g.substr(128, 8), "\xFF\x07\xE5\x07\xFF\x07\xE5\x07");
  EXPECT_EQ(ByteAt(g, 8), 99);  // x max
  EXPECT_EQ(ByteAt(g, 10), 1);  // y max
  EXPECT_EQ(ByteAt(g, 66), 100);

  // mixed values, odd width, values above 0xC0 still two bytes; top row first
  SECPcx mixed;
  Make8(mixed, {{1, 1, 2, 3, 3, 3, 0xC5}, {0, 0, 0, 0, 0, 0, 0}});
  g = SavedBytes(mixed);
  EXPECT_EQ(g.substr(128, 10), std::string("\xC2\x01\xC1\x02\xC3\x03\xC1\xC5\xC7\x00", 10));
  EXPECT_EQ(ByteAt(g, 66), 7);  // bytes per line: the width, not rounded up
  EXPECT_EQ(ByteAt(g, 138), 0x0C);
  EXPECT_EQ(g.size(), 138u + 769);
  // the picture is still bottom-up and unchanged after the save
  EXPECT_EQ(PixelAt(mixed, 6, 0), 0xC5u);
  EXPECT_EQ(PixelAt(mixed, 6, 1), 0u);

  // 1-bit: left-most pixel first; two colours also in the header palette
  SECPcx mono;
  Fill(mono, 1, 5, 1);
  mono.m_pBits.data()[0] = 0xB0;  // 1 0 1 1 0
  mono.m_pColorTable[0] = RGBQUAD{1, 2, 3, 0};
  mono.m_pColorTable[1] = RGBQUAD{4, 5, 6, 0};
  g = SavedBytes(mono);
  EXPECT_EQ(g.substr(16, 7), std::string("\x03\x02\x01\x06\x05\x04\x00", 7));
  EXPECT_EQ(g.substr(128, 9), std::string("\xC1\x01\xC1\x00\xC2\x01\xC1\x00\x0C", 9));
  EXPECT_EQ(g.substr(137, 7), std::string("\x03\x02\x01\x06\x05\x04\x00", 7));
  EXPECT_EQ(g.size(), 136u + 769);

  // 4-bit: high nibble first; 16 colours leave the header palette empty
  SECPcx nib;
  Fill(nib, 4, 3, 1);
  nib.m_pBits.data()[0] = 0x12;
  nib.m_pBits.data()[1] = 0x20;
  g = SavedBytes(nib);
  EXPECT_EQ(g.substr(16, 48), std::string(48, '\0'));
  EXPECT_EQ(g.substr(128, 5), std::string("\xC1\x01\xC2\x02\x0C", 5));

  // more than 8 bits are refused
  SECPcx deep;
  Fill(deep, 24, 4, 4);
  EXPECT_TRUE(SavedBytes(deep).empty());
  EXPECT_TRUE(deep.HasPicture());
}

TEST(Pcx, RoundTrips) {
  for (DWORD w : {1u, 3u, 63u, 64u, 127u, 130u}) {
    SECPcx img, back;
    Fill(img, 8, w, 5, w);
    // long runs in the middle row
    for (DWORD x = 0; x < w; ++x) img.m_pBits.data()[2 * img.RowStride() + x] = 200;
    ASSERT_TRUE(LoadBytes(back, SavedBytes(img))) << w;
    EXPECT_TRUE(SamePixels(img, back)) << w;
    EXPECT_EQ(back.m_wColors, 256);
    EXPECT_EQ(0, std::memcmp(img.m_pColorTable, back.m_pColorTable, 256 * 4));
    EXPECT_TRUE(back.m_bIsPadded || back.PaddedRowLength() == back.UnpaddedRowLength());
  }
  // 1- and 4-bit pictures come back as 8-bit ones of the same colours
  for (int bits : {1, 4}) {
    SECPcx img, back;
    Fill(img, bits, 13, 6, bits);
    ASSERT_TRUE(LoadBytes(back, SavedBytes(img))) << bits;
    EXPECT_EQ(back.m_nSrcBitsPerPixel, 8);
    for (DWORD y = 0; y < 6; ++y)
      for (DWORD x = 0; x < 13; ++x) ASSERT_EQ(ColourAt(back, x, y), ColourAt(img, x, y));
  }
  // through a named file as well
  SECPcx img, back;
  Fill(img, 8, 33, 17, 9);
  const std::string path = pxtest::TestRoot() + "/round.pcx";
  ASSERT_TRUE(img.SaveImage(path.c_str()));
  ASSERT_TRUE(back.LoadImage(path.c_str()));
  EXPECT_TRUE(SamePixels(img, back));
}

TEST(Pcx, ReadsOtherWritersFiles) {
  // monochrome, 1 plane, 2 bytes per line for a 10-pixel row; no palette at
  // the end: a grey ramp, pixels 0 and 255
  {
    Bytes b = Header(1, 1, 10, 2, 2);
    b.u8(0xA5).u8(0xC1).u8(0xFF).u8(0xC1).u8(0x00).u8(0x40);
    SECPcx img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 8);
    EXPECT_EQ(img.m_wColors, 256);
    EXPECT_EQ(img.Header()->biClrUsed, 256u);
    const uint32_t row0[10] = {255, 0, 255, 0, 0, 255, 0, 255, 255, 255};
    const uint32_t row1[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 255};
    for (DWORD x = 0; x < 10; ++x) {
      EXPECT_EQ(PixelAt(img, x, 0), row0[x]) << x;
      EXPECT_EQ(PixelAt(img, x, 1), row1[x]) << x;
    }
    EXPECT_EQ(img.m_pColorTable[128].rgbRed, 128);
    EXPECT_EQ(img.m_pColorTable[128].rgbBlue, 128);
    EXPECT_EQ(ColourAt(img, 1, 0), 0u);
    EXPECT_EQ(ColourAt(img, 0, 0), 0xFFFFFFu);
  }
  // a monochrome file with a trailing palette: its two colours
  {
    Bytes b = Header(1, 1, 8, 1, 1);
    b.u8(0xC1).u8(0x81).u8(0x0C).u8(10).u8(20).u8(30).u8(200).u8(100).u8(50).zeros(762);
    SECPcx img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(PixelAt(img, 0, 0), 255u);
    EXPECT_EQ(PixelAt(img, 1, 0), 0u);
    EXPECT_EQ(ColourAt(img, 0, 0), 0xC86432u);
    EXPECT_EQ(ColourAt(img, 1, 0), 0x0A141Eu);
    EXPECT_EQ(ColourAt(img, 7, 0), 0xC86432u);
  }
  // planar 16 colours: bit k of a pixel from plane k, colours from the header
  {
    std::string pal;
    for (unsigned i = 0; i < 16; ++i) pal += {char(i * 16), char(i), char(255 - i)};
    Bytes b = Header(1, 4, 8, 1, 1, pal);
    // pixels 0..7 get plane bits: plane0 0x55, plane1 0x33, plane2 0x0F, plane3 0x80
    b.u8(0x55).u8(0x33).u8(0x0F).u8(0xC1).u8(0x80);
    SECPcx img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(img.m_wColors, 16);
    EXPECT_EQ(img.Header()->biBitCount, 4);
    const uint32_t want[8] = {8, 1, 2, 3, 4, 5, 6, 7};
    for (DWORD x = 0; x < 8; ++x) EXPECT_EQ(PixelAt(img, x, 0), want[x]) << x;
    EXPECT_EQ(ColourAt(img, 0, 0), uint32_t{0x80} << 16 | 8 << 8 | (255 - 8));
    ASSERT_TRUE(img.m_pPalette);
    EXPECT_EQ(img.m_pPalette->palPalEntry.size(), 16u);
  }
  // 8-bit with an odd offset origin, a count-0 run, raw bytes below 0xC0 and
  // values past the width dropped; a palette found after stray bytes
  {
    Bytes b = Header(8, 1, 3, 2, 4);
    b.s[4] = 5;                                               // x min 5 ...
    b.s[8] = 7;                                               // ... x max 7: width 3
    b.u8(0xC0).u8(0x99).u8(0x11).u8(0xC2).u8(0x22).u8(0x33);  // row 0: 11 22 22 (33)
    b.u8(0xC4).u8(0x44);                                      // row 1: 44 44 44 (44)
    b.u8(0x01).u8(0x0C);
    for (unsigned i = 0; i < 256; ++i) b.u8(i).u8(0).u8(255 - i);
    SECPcx img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(img.m_dwWidth, 3u);
    EXPECT_EQ(PixelAt(img, 0, 0), 0x11u);
    EXPECT_EQ(PixelAt(img, 1, 0), 0x22u);
    EXPECT_EQ(PixelAt(img, 2, 0), 0x22u);
    EXPECT_EQ(PixelAt(img, 2, 1), 0x44u);
    EXPECT_EQ(ColourAt(img, 0, 0), 0x1100EEu);
  }
  // data that ends early: the rows decoded so far, zeros after them, and a
  // grey ramp for the missing palette; a palette cut short is a ramp too
  {
    Bytes b = Header(8, 1, 4, 3, 4);
    b.u8(0xC4).u8(9).u8(0xC2).u8(8);
    SECPcx img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(PixelAt(img, 3, 0), 9u);
    EXPECT_EQ(PixelAt(img, 1, 1), 8u);
    EXPECT_EQ(PixelAt(img, 2, 1), 0u);
    EXPECT_EQ(PixelAt(img, 0, 2), 0u);
    EXPECT_EQ(ColourAt(img, 0, 0), 0x090909u);
    b.u8(0xC4).u8(1).u8(0xC4).u8(1).u8(0x0C).zeros(700);
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(ColourAt(img, 0, 2), 0x010101u);
  }
}

TEST(Pcx, RejectsWhatItCannotRead) {
  const std::string good = Header(8, 1, 2, 2, 2).s + "\xC4\x01";
  SECPcx ok;
  ASSERT_TRUE(LoadBytes(ok, good));
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string maker = good, version = good, inverted = good;
  maker[0] = 11;
  version[1] = 6;
  inverted[8] = 0;  // x max 0 ...
  inverted[4] = 1;  // ... below x min 1
  const Case cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 127)},
      {"maker", maker},
      {"version", version},
      {"x max below x min", inverted},
      {"16 bits in 2 planes", Header(8, 2, 2, 2, 2).s + "\xC4\x01"},
      {"8 bits in 5 planes", Header(8, 5, 2, 2, 2).s + "\xC4\x01"},
      {"2 bits a plane", Header(2, 1, 2, 2, 2).s + "\xC4\x01"},
      {"4 bits a plane", Header(4, 1, 2, 2, 2).s + "\xC4\x01"},
      {"no planes", Header(8, 0, 2, 2, 2).s + "\xC4\x01"},
      {"uncompressed", Header(8, 1, 2, 2, 2, std::string(48, '\0'), 5, 0).s + "\x01\x01"},
      {"too large", Header(8, 1, 0, 0, 0).s},  // 65536 x 65536
  };
  for (const Case& c : cases) {
    SECPcx img;
    ASSERT_TRUE(LoadBytes(img, good));
    EXPECT_FALSE(LoadBytes(img, c.bytes)) << c.what;
    EXPECT_FALSE(img.HasPicture()) << c.what;
  }
  SECPcx img;
  EXPECT_FALSE(img.LoadImage((pxtest::TestRoot() + "/missing.pcx").c_str()));
}

TEST(PcxImageMagick, DecodesOurFiles) {
  int n = 0;
  for (int bits : {1, 4, 8}) {
    for (DWORD w : {1u, 7u, 64u, 100u}) {
      SECPcx img;
      Fill(img, bits, w, 9, w * 3 + bits);
      const std::string path = pxtest::TestRoot() + "/ours" + std::to_string(n++) + ".pcx";
      ASSERT_TRUE(img.SaveImage(path.c_str()));
      EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(path))) << bits << " bits, width " << w;
    }
  }
}

TEST(PcxImageMagick, ItsFilesLoadHere) {
  const std::string src = pxtest::TestRoot() + "/src.ppm";
  WriteRandomPpm(src, 37, 23, 5);
  const std::string pal8 = pxtest::TestRoot() + "/im8.pcx", mono = pxtest::TestRoot() + "/im1.pcx",
                    rgb = pxtest::TestRoot() + "/im24.pcx";
  ASSERT_EQ(pxtest::Run({kConvert, src, "-colors", "200", "-type", "Palette", pal8}), 0);
  // it writes 1-bit files only from a bilevel palette picture, such as a 1-bit BMP
  const std::string monoBmp = pxtest::TestRoot() + "/mono.bmp";
  ASSERT_EQ(pxtest::Run({kConvert, src, "-monochrome", "-colors", "2", "-type", "Palette",
                         "BMP3:" + monoBmp}),
            0);
  ASSERT_EQ(pxtest::Run({kConvert, monoBmp, mono}), 0);
  ASSERT_EQ(pxtest::Run({kConvert, src, "-type", "TrueColor", rgb}), 0);

  SECPcx img;
  ASSERT_TRUE(img.LoadImage(pal8.c_str()));
  EXPECT_EQ(ByteAt(pxtest::ReadFile(pal8), 3), 8);
  EXPECT_EQ(img.m_dwWidth, 37u);
  EXPECT_EQ(img.m_dwHeight, 23u);
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(pal8)));

  ASSERT_TRUE(img.LoadImage(mono.c_str()));
  EXPECT_EQ(ByteAt(pxtest::ReadFile(mono), 3), 1);  // really a 1-bit file
  // Its reader takes a set bit as black whatever the header palette says; we
  // take it as white (the grey ramp's 255), so every pixel is the negative.
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(mono), 0, true));
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(monoBmp), 0, true));

  // 24 bits in three planes
  EXPECT_EQ(ByteAt(pxtest::ReadFile(rgb), 65), 3);
  ASSERT_TRUE(img.LoadImage(rgb.c_str()));
  EXPECT_EQ(img.m_nSrcBitsPerPixel, 24);
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(rgb)));

  // ImageMagick writes no planar 16-colour files; it reads ours made by hand
  std::string pal;
  for (unsigned i = 0; i < 16; ++i) pal += {char(i * 17), char(255 - i * 9), char(i * 5)};
  Bytes b = Header(1, 4, 12, 3, 2, pal);
  uint32_t s = 7;
  for (int i = 0; i < 3 * 4 * 2; ++i) {
    s = s * 1103515245u + 12345u;
    b.u8(0xC1).u8(s >> 16 & 0xFF);
  }
  const std::string planar = pxtest::TestRoot() + "/planar.pcx";
  ASSERT_TRUE(pxtest::WriteFile(planar, b.s));
  ASSERT_TRUE(img.LoadImage(planar.c_str()));
  EXPECT_EQ(img.m_wColors, 16);
  EXPECT_EQ(img.m_nSrcBitsPerPixel, 4);
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(planar)));
}
