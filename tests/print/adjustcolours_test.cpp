#include "prentix/print/adjustcolours.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "image/testimages.h"

using namespace prentix;

namespace {

using Rgb = std::array<int, 3>;  // red, green, blue

// A one-row 24-bit picture of the given colours (rows padded).
void Picture(SECDib& img, const std::vector<Rgb>& colours) {
  imgtest::Fill(img, 24, static_cast<DWORD>(colours.size()), 1);
  img.PadRows();
  BYTE* p = img.Row(0);
  for (const Rgb& c : colours) {
    *p++ = static_cast<BYTE>(c[2]);
    *p++ = static_cast<BYTE>(c[1]);
    *p++ = static_cast<BYTE>(c[0]);
  }
}

std::vector<Rgb> Colours(const SECDib& img) {
  std::vector<Rgb> out;
  const BYTE* p = img.Row(0);
  for (DWORD x = 0; x < img.m_dwWidth; ++x, p += 3) out.push_back({p[2], p[1], p[0]});
  return out;
}

std::vector<Rgb> Adjusted(const std::vector<Rgb>& in, const ColourAdjustSettings& s) {
  SECDib img;
  Picture(img, in);
  AdjustColours(img, s);
  return Colours(img);
}

}  // namespace

TEST(AdjustColours, NothingToDoLeavesThePictureAlone) {
  const std::vector<Rgb> in = {{255, 0, 0}, {10, 20, 30}, {255, 255, 255}, {0, 0, 0}};
  ColourAdjustSettings invertOnly;
  invertOnly.MonoChange = 1;
  EXPECT_EQ(Adjusted(in, invertOnly), in);
  // only the low byte of a threshold counts: 256 and 512 act as 0
  ColourAdjustSettings highBytes;
  highBytes.MonoR = 256;
  highBytes.MonoM = 512;
  EXPECT_EQ(Adjusted(in, highBytes), in);
  // 256 + 132 acts as 132
  ColourAdjustSettings lowByte;
  lowByte.MonoR = 256 + 132;
  EXPECT_EQ(Adjusted({{255, 0, 0}}, lowByte), (std::vector<Rgb>{{0, 0, 0}}));
}

TEST(AdjustColours, ThresholdsByDominantChannel) {
  ColourAdjustSettings redOnly;
  redOnly.MonoR = 132;
  // pure red: lightness 128, not above 132 -> dark; yellow shares its
  // greatest value, falls to MonoM = 0 and stays; green and blue have 0
  EXPECT_EQ(
      Adjusted({{255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 0, 255}, {255, 120, 120}}, redOnly),
      (std::vector<Rgb>{{0, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}));

  ColourAdjustSettings each;
  each.MonoR = 100;
  each.MonoG = 101;
  each.MonoB = 102;
  each.MonoM = 132;
  // lightness: (255+0+1)*255/510 = 128; (200+100+1)*255/510 = 150
  EXPECT_EQ(Adjusted({{0, 255, 0},
                      {0, 0, 255},
                      {200, 100, 100},
                      {100, 100, 100},
                      {255, 255, 255},
                      {132, 133, 132},
                      {100, 201, 100}},
                     each),
            (std::vector<Rgb>{{255, 255, 255},
                              {255, 255, 255},
                              {255, 255, 255},
                              {0, 0, 0},
                              {255, 255, 255},
                              {255, 255, 255},
                              {255, 255, 255}}));
  // the boundary: lightness equal to the threshold is dark, one above light
  ColourAdjustSettings grey;
  grey.MonoM = 100;
  EXPECT_EQ(Adjusted({{100, 100, 100}, {101, 101, 101}}, grey),
            (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));

  // white with MonoM 132 is white, inverted black
  ColourAdjustSettings mid;
  mid.MonoM = 132;
  EXPECT_EQ(Adjusted({{255, 255, 255}, {0, 0, 0}}, mid),
            (std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}}));
  mid.MonoChange = 1;
  EXPECT_EQ(Adjusted({{255, 255, 255}, {0, 0, 0}}, mid),
            (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
  // MonoChange other than 1 does not invert thresholds
  mid.MonoChange = 2;
  EXPECT_EQ(Adjusted({{255, 255, 255}}, mid), (std::vector<Rgb>{{255, 255, 255}}));
}

TEST(AdjustColours, GreyLevels) {
  ColourAdjustSettings s;
  s.GreyScale = 1;
  s.MonoR = 200;  // thresholds are not used for grey levels
  EXPECT_EQ(Adjusted({{200, 10, 10}, {1, 2, 3}, {0, 0, 0}}, s),
            (std::vector<Rgb>{{200, 200, 200}, {3, 3, 3}, {0, 0, 0}}));
  s.MonoChange = 1;
  EXPECT_EQ(Adjusted({{200, 10, 10}, {255, 255, 255}}, s),
            (std::vector<Rgb>{{55, 55, 55}, {0, 0, 0}}));
  // any non-zero MonoChange inverts grey levels
  s.MonoChange = 3;
  EXPECT_EQ(Adjusted({{200, 10, 10}}, s), (std::vector<Rgb>{{55, 55, 55}}));
}

TEST(AdjustColours, PaddedRowsAndOtherDepths) {
  // 24 bits, width 5: 15 bytes a row padded to 16; every row changes, the
  // padding stays zero
  SECDib img;
  imgtest::Fill(img, 24, 5, 3, 4);
  ASSERT_TRUE(img.PadRows());
  ColourAdjustSettings s;
  s.GreyScale = 1;
  AdjustColours(img, s);
  for (DWORD r = 0; r < 3; ++r) {
    const BYTE* row = img.Row(r);
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(row[3 * x], row[3 * x + 1]);
      EXPECT_EQ(row[3 * x], row[3 * x + 2]);
    }
    EXPECT_EQ(row[15], 0);
  }

  // 8 and 4 bits: only the table changes, the pixel bytes stay
  for (int bits : {8, 4}) {
    SECDib pal;
    imgtest::Fill(pal, bits, 9, 4, 5);
    pal.m_pColorTable[0] = RGBQUAD{10, 10, 200, 0};  // blue, green, red
    pal.m_pColorTable[1] = RGBQUAD{0, 255, 255, 0};  // yellow
    const std::string before(reinterpret_cast<const char*>(pal.m_pBits.data()), pal.m_pBits.size());
    ColourAdjustSettings g;
    g.GreyScale = 1;
    AdjustColours(pal, g);
    EXPECT_EQ(before,
              std::string(reinterpret_cast<const char*>(pal.m_pBits.data()), pal.m_pBits.size()));
    EXPECT_EQ(std::memcmp(&pal.m_pColorTable[0], "\xC8\xC8\xC8\0", 4), 0);
    EXPECT_EQ(std::memcmp(&pal.m_pColorTable[1], "\xFF\xFF\xFF\0", 4), 0);
    for (int i = 0; i < pal.m_wColors; ++i) {
      const RGBQUAD& c = pal.m_pColorTable[i];
      ASSERT_TRUE(c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue) << i;
    }
    ASSERT_TRUE(pal.m_pPalette);
    EXPECT_EQ(pal.m_pPalette->palPalEntry[0].peRed, 200) << "palette follows the table";
    EXPECT_EQ(pal.m_pPalette->palPalEntry[0].peBlue, 200);
  }

  // 1 and 32 bits stay as they are
  for (int bits : {1, 32}) {
    SECDib other, before;
    imgtest::Fill(other, bits, 5, 2, 6);
    ASSERT_TRUE(before.CopyImage(other));
    ColourAdjustSettings g;
    g.GreyScale = 1;
    AdjustColours(other, g);
    EXPECT_TRUE(imgtest::SamePixels(other, before));
    EXPECT_EQ(std::memcmp(other.m_pBitmapInfo.data(), before.m_pBitmapInfo.data(),
                          other.m_pBitmapInfo.size()),
              0);
  }
  // no picture: nothing happens
  SECDib empty;
  ColourAdjustSettings g;
  g.GreyScale = 1;
  AdjustColours(empty, g);
  EXPECT_FALSE(empty.HasPicture());
}
