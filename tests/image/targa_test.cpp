// Targa files: the exact bytes we write, every kind we read (hand-made and
// from ImageMagick), and clean failures on malformed ones.
#include <gtest/gtest.h>

#include <string>

#include "image/magick.h"
#include "prentix/image/sectarga.h"

using namespace prentix;
using namespace imgtest;

namespace {

Bytes Header(unsigned type, unsigned depth, unsigned w, unsigned h, unsigned descriptor = 0,
             unsigned idLength = 0, unsigned mapType = 0, unsigned mapFirst = 0,
             unsigned mapLength = 0, unsigned mapEntry = 0) {
  Bytes b;
  b.u8(idLength).u8(mapType).u8(type).u16(mapFirst).u16(mapLength).u8(mapEntry);
  return b.u16(0).u16(0).u16(w).u16(h).u8(depth).u8(descriptor);
}

// The reference picture, 4 x 3, as 0xRRGGBB top row first.
constexpr DWORD kW = 4, kH = 3;
uint32_t Ref(DWORD x, DWORD y) {
  return (x * 60 + 7) << 16 | (y * 100 + 3) << 8 | (x * y * 20 + 1);
}

void Bgr(Bytes& b, uint32_t c) { b.u8(c & 0xFF).u8(c >> 8 & 0xFF).u8(c >> 16); }

// 24-bit rows of the reference picture in the order a descriptor asks for.
Bytes Rows24(Bytes b, unsigned descriptor) {
  for (DWORD r = 0; r < kH; ++r) {
    const DWORD y = (descriptor & 0x20) ? r : kH - 1 - r;
    for (DWORD c = 0; c < kW; ++c) Bgr(b, Ref((descriptor & 0x10) ? kW - 1 - c : c, y));
  }
  return b;
}

::testing::AssertionResult IsRef(const SECImageBase& img) {
  if (img.m_dwWidth != kW || img.m_dwHeight != kH || img.m_nSrcBitsPerPixel != 24)
    return ::testing::AssertionFailure() << "size";
  for (DWORD y = 0; y < kH; ++y)
    for (DWORD x = 0; x < kW; ++x)
      if (ColourAt(img, x, y) != Ref(x, y))
        return ::testing::AssertionFailure()
               << x << "," << y << std::hex << ": " << ColourAt(img, x, y) << " vs " << Ref(x, y);
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Targa, WritesUncompressed24Bit) {
  SECTarga img;
  Fill(img, 24, 3, 2, 4);  // padded rows of 12 bytes for 9 bytes of pixels
  const std::string f = SavedBytes(img);
  ASSERT_EQ(f.size(), 18u + 3 * 2 * 3);
  EXPECT_EQ(f.substr(0, 18), std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x03\0\x02\0\x18\0", 18));
  // bottom row first, as stored, without the padding
  EXPECT_EQ(f.substr(18, 9), std::string(reinterpret_cast<char*>(img.Row(0)), 9));
  EXPECT_EQ(f.substr(27, 9), std::string(reinterpret_cast<char*>(img.Row(1)), 9));
  EXPECT_TRUE(img.m_bIsPadded);

  for (DWORD w : {1u, 37u, 256u}) {
    SECTarga big;
    Fill(big, 24, w, 11, w);
    EXPECT_EQ(SavedBytes(big).size(), 18 + w * 11 * 3) << w;
  }

  // palette pictures go out through their table, left-most pixel first
  SECTarga mono;
  Fill(mono, 1, 5, 1);
  mono.m_pBits.data()[0] = 0xB0;  // 1 0 1 1 0
  mono.m_pColorTable[0] = RGBQUAD{1, 2, 3, 0};
  mono.m_pColorTable[1] = RGBQUAD{4, 5, 6, 0};
  EXPECT_EQ(SavedBytes(mono).substr(18), std::string("\4\5\6\1\2\3\4\5\6\4\5\6\1\2\3", 15));
  SECTarga nib;
  Fill(nib, 4, 3, 1);
  nib.m_pBits.data()[0] = 0x12;
  nib.m_pBits.data()[1] = 0xF0;
  nib.m_pColorTable[15] = RGBQUAD{9, 9, 9, 0};
  const std::string n = SavedBytes(nib);
  EXPECT_EQ(n.substr(18, 3), std::string(reinterpret_cast<char*>(&nib.m_pColorTable[1]), 3));
  EXPECT_EQ(n.substr(21, 3), std::string(reinterpret_cast<char*>(&nib.m_pColorTable[2]), 3));
  EXPECT_EQ(n.substr(24, 3), "\x09\x09\x09");

  SECTarga odd;
  Fill(odd, 16, 2, 2);
  EXPECT_TRUE(SavedBytes(odd).empty());
}

TEST(Targa, RoundTrips) {
  for (DWORD w : {1u, 2u, 3u, 4u, 5u, 37u}) {
    SECTarga img, back;
    Fill(img, 24, w, 7, w + 1);
    ASSERT_TRUE(LoadBytes(back, SavedBytes(img))) << w;
    EXPECT_TRUE(SamePixels(img, back)) << w;
    EXPECT_FALSE(back.m_bNewFormat);
    EXPECT_EQ(back.m_wColors, 0);
    EXPECT_FALSE(back.m_pPalette);
  }
  // a picture whose last bytes spell a footer signature is still ours to read
  {
    SECTarga img, back;
    Fill(img, 24, 10, 1, 2);
    std::memcpy(img.m_pBits.data() + 30 - 26, "\xFF\xFF\xFF\0\xFF\xFF\xFF\0TRUEVISION-XFILE.", 26);
    ASSERT_TRUE(LoadBytes(back, SavedBytes(img)));
    EXPECT_TRUE(SamePixels(img, back));
    EXPECT_FALSE(back.m_bNewFormat);
  }
  SECTarga img, back;
  Fill(img, 8, 21, 9, 3);
  const std::string path = pxtest::TestRoot() + "/round.tga";
  ASSERT_TRUE(img.SaveImage(path.c_str()));
  ASSERT_TRUE(back.LoadImage(path.c_str()));
  for (DWORD y = 0; y < 9; ++y)
    for (DWORD x = 0; x < 21; ++x) ASSERT_EQ(ColourAt(back, x, y), ColourAt(img, x, y));
}

TEST(Targa, ReadsEveryKindAndOrigin) {
  // uncompressed true colour in all four origins
  for (unsigned d : {0x00u, 0x20u, 0x10u, 0x30u}) {
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, Rows24(Header(2, 24, kW, kH, d), d).s)) << d;
    EXPECT_TRUE(IsRef(img)) << d;
  }
  // an identification field and a colour map before true-colour pixels
  {
    Bytes b = Header(2, 24, kW, kH, 0, 5, 1, 0, 3, 24);
    b.raw("hello").zeros(9);
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, Rows24(b, 0).s));
    EXPECT_TRUE(IsRef(img));
    EXPECT_EQ(std::string(img.m_identification.begin(), img.m_identification.end()), "hello");
  }
  // 32 bits: the alpha byte dropped
  {
    Bytes b = Header(2, 32, kW, kH, 8);
    for (DWORD y = kH; y-- > 0;)
      for (DWORD x = 0; x < kW; ++x) {
        Bgr(b, Ref(x, y));
        b.u8(x * 50);
      }
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_TRUE(IsRef(img));
  }
  // 16 bits: every 5-bit value through the table, the top bit ignored
  {
    const uint8_t table[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                               90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                               181, 189, 197, 206, 214, 222, 230, 239, 247, 255};
    Bytes b = Header(2, 16, 32, 1);
    for (unsigned v = 0; v < 32; ++v) b.u16(0x8000 | v << 10 | (31 - v) << 5 | v / 2);
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    for (unsigned v = 0; v < 32; ++v)
      EXPECT_EQ(ColourAt(img, v, 0),
                uint32_t{table[v]} << 16 | uint32_t{table[31 - v]} << 8 | table[v / 2])
          << v;
  }
  // grey
  {
    Bytes b = Header(3, 8, 3, 1);
    b.u8(0).u8(0x7F).u8(0xFF);
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(ColourAt(img, 0, 0), 0u);
    EXPECT_EQ(ColourAt(img, 1, 0), 0x7F7F7Fu);
    EXPECT_EQ(ColourAt(img, 2, 0), 0xFFFFFFu);
  }
  // colour-mapped: indices from the map's first index on; others black
  {
    Bytes b = Header(1, 8, 4, 1, 0, 0, 1, 2, 2, 24);
    Bgr(b, 0x112233);
    Bgr(b, 0x445566);
    b.u8(2).u8(3).u8(1).u8(4);
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    EXPECT_EQ(ColourAt(img, 0, 0), 0x112233u);
    EXPECT_EQ(ColourAt(img, 1, 0), 0x445566u);
    EXPECT_EQ(ColourAt(img, 2, 0), 0u);
    EXPECT_EQ(ColourAt(img, 3, 0), 0u);
    // 16-bit map entries, 16-bit indices
    Bytes c = Header(1, 16, 2, 1, 0, 0, 1, 0, 2, 16);
    c.u16(31 << 10).u16(31).u16(1).u16(0);
    ASSERT_TRUE(LoadBytes(img, c.s));
    EXPECT_EQ(ColourAt(img, 0, 0), 0x0000FFu);
    EXPECT_EQ(ColourAt(img, 1, 0), 0xFF0000u);
  }
  // run-length: a run packet and a raw packet per row, top-left origin
  {
    Bytes b = Header(10, 24, kW, 2, 0x20);
    b.u8(0x81);
    Bgr(b, 0xA0B0C0);
    b.u8(0x01);
    Bgr(b, 0x010203);
    Bgr(b, 0x040506);
    b.u8(0x03);
    for (uint32_t c : {0x1u, 0x2u, 0x3u, 0x4u}) Bgr(b, c);
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, b.s));
    const uint32_t want[2][4] = {{0xA0B0C0, 0xA0B0C0, 0x010203, 0x040506}, {1, 2, 3, 4}};
    for (DWORD y = 0; y < 2; ++y)
      for (DWORD x = 0; x < kW; ++x) EXPECT_EQ(ColourAt(img, x, y), want[y][x]) << x << "," << y;
    // grey and mapped run-length
    Bytes g = Header(11, 8, 5, 1);
    g.u8(0x84).u8(0x42);
    ASSERT_TRUE(LoadBytes(img, g.s));
    EXPECT_EQ(ColourAt(img, 4, 0), 0x424242u);
    Bytes m = Header(9, 8, 3, 1, 0, 0, 1, 0, 1, 32);
    m.u32(0xFF123456).u8(0x82).u8(0);
    ASSERT_TRUE(LoadBytes(img, m.s));
    EXPECT_EQ(ColourAt(img, 2, 0), 0x123456u);
  }
  // a new-format file: footer, developer directory, extension area with
  // scan-line table, postage stamp and colour correction; picture unchanged
  {
    Bytes b = Rows24(Header(2, 24, kW, kH), 0);
    const uint32_t tagData = static_cast<uint32_t>(b.s.size());
    b.raw("TAGDATA");
    const uint32_t dev = static_cast<uint32_t>(b.s.size());
    b.u16(1).u16(7).u32(tagData).u32(7);
    const uint32_t scan = static_cast<uint32_t>(b.s.size());
    for (DWORD i = 0; i < kH; ++i) b.u32(100 + i);
    const uint32_t stamp = static_cast<uint32_t>(b.s.size());
    b.u8(1).u8(1);
    Bgr(b, 0x010101);
    const uint32_t cc = static_cast<uint32_t>(b.s.size());
    for (int i = 0; i < 1024; ++i) b.u16(i);
    const uint32_t ext = static_cast<uint32_t>(b.s.size());
    b.u16(495).raw("Ann").zeros(38).raw("notes").zeros(319);
    b.u16(12).u16(31).u16(1999).u16(23).u16(59).u16(58).zeros(41).zeros(6);
    b.raw("tool").zeros(37).u16(150).u8('b').u32(0xFF00FF).u16(1).u16(1).u16(22).u16(10);
    b.u32(cc).u32(stamp).u32(scan).u8(2);
    const std::string footer = Bytes().u32(ext).u32(dev).raw("TRUEVISION-XFILE.").u8(0).s;
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, b.s + footer));
    EXPECT_TRUE(IsRef(img));
    EXPECT_TRUE(img.m_bNewFormat);
    ASSERT_EQ(img.m_tags.size(), 1u);
    EXPECT_EQ(img.m_tags[0].number, 7);
    EXPECT_EQ(img.m_tags[0].offset, tagData);
    ASSERT_TRUE(img.m_bHasExtension);
    EXPECT_STREQ(img.m_extension.author, "Ann");
    EXPECT_STREQ(img.m_extension.comments, "notes");
    EXPECT_EQ(img.m_extension.dateTime[2], 1999);
    EXPECT_STREQ(img.m_extension.softwareId, "tool");
    EXPECT_EQ(img.m_extension.versionLetter, 'b');
    EXPECT_EQ(img.m_extension.gammaNumerator, 22);
    EXPECT_EQ(img.m_extension.attributesType, 2);
    EXPECT_EQ(img.m_scanLineTable, (std::vector<DWORD>{100, 101, 102}));
    EXPECT_EQ(img.m_postageStamp.size(), 5u);
    ASSERT_EQ(img.m_colourCorrection.size(), 1024u);
    EXPECT_EQ(img.m_colourCorrection[1023], 1023);

    // what the footer points to must be there
    std::string broken = b.s + Bytes().u32(ext).u32(0xFFFFFF).raw("TRUEVISION-XFILE.").u8(0).s;
    EXPECT_FALSE(LoadBytes(img, broken));
    broken =
        b.s +
        Bytes().u32(static_cast<uint32_t>(b.s.size()) - 10).u32(0).raw("TRUEVISION-XFILE.").u8(0).s;
    EXPECT_FALSE(LoadBytes(img, broken));
    std::string badTag = b.s;
    badTag[dev + 6] = '\x7F';  // tag offset far past the end
    badTag[dev + 7] = '\x7F';
    EXPECT_FALSE(LoadBytes(img, badTag + footer));
    EXPECT_FALSE(img.HasPicture());
    // a signature with a different last byte is an old-format file
    std::string old = b.s + footer;
    old.back() = '!';
    ASSERT_TRUE(LoadBytes(img, old));
    EXPECT_FALSE(img.m_bNewFormat);
  }
}

TEST(Targa, RejectsWhatItCannotRead) {
  const std::string good = Rows24(Header(2, 24, kW, kH), 0).s;
  std::string crossing = Header(10, 24, 4, 2).s;
  crossing += Bytes().u8(0x84).u8(1).u8(2).u8(3).s;  // 5 of 8 pixels, then nothing
  std::string shortRle = Header(10, 24, 4, 2).s + Bytes().u8(0x83).u8(1).u8(2).u8(3).s;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 17)},
      {"short identification", Header(2, 24, 1, 1, 0, 10).s + "abc"},
      {"short colour map", Header(2, 24, 1, 1, 0, 0, 1, 0, 100, 24).s + "abc"},
      {"short pixels", good.substr(0, good.size() - 1)},
      {"run across the row end into missing data", crossing},
      {"short run-length data", shortRle},
      {"no image", Header(0, 24, kW, kH).s + good.substr(18)},
      {"type 32", Header(32, 24, kW, kH).s + good.substr(18)},
      {"8-bit true colour", Header(2, 8, kW, kH).s + good.substr(18)},
      {"24-bit grey", Header(3, 24, kW, kH).s + good.substr(18)},
      {"mapped without map", Header(1, 8, kW, kH).s + good.substr(18)},
      {"mapped, 24-bit indices", Header(1, 24, 1, 1, 0, 0, 1, 0, 1, 24).s + "abcdef"},
      {"mapped, 8-bit entries", Header(1, 8, 1, 1, 0, 0, 1, 0, 1, 8).s + "ab"},
      {"zero width", Header(2, 24, 0, kH).s + good.substr(18)},
      {"zero height", Header(2, 24, kW, 0).s + good.substr(18)},
  };
  for (const Case& c : cases) {
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, good));
    EXPECT_FALSE(LoadBytes(img, c.bytes)) << c.what;
    EXPECT_FALSE(img.HasPicture()) << c.what;
  }
}

TEST(TargaImageMagick, DecodesOurFiles) {
  int n = 0;
  for (int bits : {1, 8, 24}) {
    for (DWORD w : {1u, 5u, 64u}) {
      SECTarga img;
      Fill(img, bits, w, 7, w + bits);
      const std::string path = pxtest::TestRoot() + "/ours" + std::to_string(n++) + ".tga";
      ASSERT_TRUE(img.SaveImage(path.c_str()));
      EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(path))) << bits << " bits, width " << w;
    }
  }
}

TEST(TargaImageMagick, ItsFilesLoadHere) {
  const std::string src = pxtest::TestRoot() + "/src.ppm";
  const std::string rgb = WriteRandomPpm(src, 37, 23, 11);
  // an alpha channel of varying values for the 32-bit files
  const std::string alpha = pxtest::TestRoot() + "/alpha.png";
  ASSERT_EQ(pxtest::Run({kConvert, src, "(", "+clone", "-colorspace", "gray", ")", "-compose",
                         "CopyOpacity", "-composite", alpha}),
            0);
  struct Variant {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    int type, depth;
  };
  const std::vector<Variant> variants = {
      {"24 raw", src, {"-type", "TrueColor", "-compress", "None"}, 2, 24},
      {"24 rle", src, {"-type", "TrueColor", "-compress", "RLE"}, 10, 24},
      {"32 raw", alpha, {"-type", "TrueColorAlpha", "-compress", "None"}, 2, 32},
      {"32 rle", alpha, {"-type", "TrueColorAlpha", "-compress", "RLE"}, 10, 32},
      {"16 raw", src, {"-type", "TrueColor", "-depth", "5", "-compress", "None"}, 2, 16},
      {"16 rle", src, {"-type", "TrueColor", "-depth", "5", "-compress", "RLE"}, 10, 16},
      {"grey raw", src, {"-type", "Grayscale", "-compress", "None"}, 3, 8},
      {"grey rle", src, {"-type", "Grayscale", "-compress", "RLE"}, 11, 8},
      {"mapped raw", src, {"-colors", "60", "-type", "Palette", "-compress", "None"}, 1, 8},
      {"mapped rle", src, {"-colors", "60", "-type", "Palette", "-compress", "RLE"}, 9, 8},
      {"top-left", src, {"-type", "TrueColor", "-orient", "TopLeft"}, 2, 24},
      {"top-left rle",
       src,
       {"-type", "TrueColor", "-orient", "TopLeft", "-compress", "RLE"},
       10,
       24},
  };
  int n = 0;
  for (const Variant& v : variants) {
    const std::string tga = pxtest::TestRoot() + "/im" + std::to_string(n++) + ".tga";
    std::vector<std::string> argv = {kConvert, v.input};
    argv.insert(argv.end(), v.options.begin(), v.options.end());
    argv.push_back(tga);
    ASSERT_EQ(pxtest::Run(argv), 0) << v.name;
    const std::string bytes = pxtest::ReadFile(tga);
    ASSERT_GE(bytes.size(), 18u);
    EXPECT_EQ(ByteAt(bytes, 2), v.type) << v.name;
    EXPECT_EQ(ByteAt(bytes, 16), v.depth) << v.name;
    if (std::string(v.name).starts_with("top-left")) {
      EXPECT_TRUE(ByteAt(bytes, 17) & 0x20);
    }

    SECTarga img;
    ASSERT_TRUE(img.LoadImage(tga.c_str())) << v.name;
    EXPECT_EQ(img.m_dwWidth, 37u);
    EXPECT_EQ(img.m_dwHeight, 23u);
    // it widens 5-bit channels with truncation, we round: at most 1 apart
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(tga), v.depth == 16 ? 1 : 0)) << v.name;
    // Its bottom-left files hold a picture without orientation top row
    // first, so only the top-left ones can be held against the source.
    if (std::string(v.name).starts_with("top-left")) {
      EXPECT_TRUE(SameAsRgb(img, rgb)) << v.name;
    }
  }
}

TEST(Targa, PacketsAcrossRowEndsAndGreyWithAlpha) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<uint32_t> want;  // 3 x 2, top row first
  };
  const auto px = [](unsigned v) { return Bytes().u8(v).u8(v + 1).u8(v + 2).s; };
  const uint32_t a = 0x020100, b = 0x121110, c = 0x222120;
  const std::vector<Case> cases = {
      {"run from the first row into the second (bottom-left)",
       Header(10, 24, 3, 2).s + Bytes().u8(0x83).raw(px(0)).u8(0x81).raw(px(0x10)).s,
       {a, b, b, a, a, a}},
      {"raw packet across the row end (top-left)",
       Header(10, 24, 3, 2, 0x20).s +
           Bytes().u8(0x03).raw(px(0) + px(0x10) + px(0x20) + px(0)).u8(0x81).raw(px(0x10)).s,
       {a, b, c, a, b, b}},
      {"a run past the picture's end is cut there",
       Header(10, 24, 3, 2, 0x20).s + Bytes().u8(0xFF).raw(px(0x20)).s,
       {c, c, c, c, c, c}},
      {"16-bit grey with alpha, run-length",
       Header(11, 16, 3, 2, 0x20).s +
           Bytes().u8(0x83).u8(0x40).u8(0xFF).u8(0x01).u8(0x90).u8(0x00).u8(0x22).u8(0x80).s,
       {0x404040, 0x404040, 0x404040, 0x404040, 0x909090, 0x222222}},
      {"16-bit grey with alpha, uncompressed",
       Header(3, 16, 3, 2, 0x20).s +
           Bytes().u8(1).u8(0).u8(2).u8(0).u8(3).u8(0).u8(4).u8(9).u8(5).u8(9).u8(6).u8(9).s,
       {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606}},
  };
  for (const Case& t : cases) {
    SECTarga img;
    ASSERT_TRUE(LoadBytes(img, t.bytes)) << t.what;
    std::vector<uint32_t> have;
    for (DWORD y = 0; y < 2; ++y)
      for (DWORD x = 0; x < 3; ++x) have.push_back(ColourAt(img, x, y));
    EXPECT_EQ(have, t.want) << t.what;
  }
}
