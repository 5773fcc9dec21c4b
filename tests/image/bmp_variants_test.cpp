// BMP files as other programs write them: ImageMagick's variants and
// hand-built rare layouts decode to the same pixels as an independent
// decoder sees, run-length rows never spill out of the picture, and odd
// files come back out as valid ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testutil.h"
#include "image/magick.h"
#include "image/testimages.h"
#include "prentix/image/secdib.h"

using namespace prentix;
using namespace imgtest;

namespace {

std::string Path(const std::string& name) { return pxtest::TestRoot() + "/" + name; }

constexpr DWORD kW = 37, kH = 23;

// A BMP file around the given header (from biSize on), table and pixels.
std::string BmpFile(const std::string& header, const std::string& table, const std::string& pixels,
                    size_t gap = 0) {
  const size_t off = 14 + header.size() + table.size() + gap;
  return Bytes()
      .raw("BM")
      .u32(static_cast<uint32_t>(off + pixels.size()))
      .u32(0)
      .u32(static_cast<uint32_t>(off))
      .raw(header)
      .raw(table)
      .zeros(gap)
      .raw(pixels)
      .s;
}

// An info header of `size` bytes (40 and up), masks in place when it has room.
std::string InfoHeader(uint32_t size, int32_t w, int32_t h, int bits, uint32_t compression,
                       uint32_t clrUsed = 0, std::vector<uint32_t> masks = {}, int planes = 1) {
  Bytes b;
  b.u32(size).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(h)).u16(planes).u16(bits);
  b.u32(compression).u32(0).u32(2835).u32(2835).u32(clrUsed).u32(0);
  for (uint32_t m : masks)
    if (b.s.size() + 4 <= size) b.u32(m);
  b.zeros(size - b.s.size());
  return b.s;
}

// Rows of the rgb triples (top row first) at 16 or 32 bits with masks.
std::string PackedRows(const std::string& rgb, int bits, const std::vector<uint32_t>& masks,
                       bool topDown = false) {
  Bytes out;
  for (DWORD r = 0; r < kH; ++r) {
    const DWORD y = topDown ? r : kH - 1 - r;
    size_t n = 0;
    for (DWORD x = 0; x < kW; ++x) {
      uint32_t v = 0;
      for (int c = 0; c < 3; ++c) {
        const uint32_t m = masks[c], shift = std::countr_zero(m), max = m >> shift;
        const uint32_t s = ByteAt(rgb, (y * kW + x) * 3 + c);
        v |= ((s * max + 127) / 255) << shift;
      }
      bits == 16 ? out.u16(v) : out.u32(v);
      n += bits / 8;
    }
    out.zeros((4 - n % 4) % 4);
  }
  return out.s;
}

}  // namespace

TEST(BmpVariants, FilesOfOtherWritersReadAsImageMagickSeesThem) {
  const std::string src = Path("src.ppm");
  WriteRandomPpm(src, kW, kH, 11);
  struct Case {
    const char* name;
    std::vector<std::string> options;
    int bits;
    int tolerance = 1;  // channels of fewer than 8 bits may be widened a step apart
  };
  const std::vector<Case> cases = {
      {"core8", {"-colors", "40", "BMP2:"}, 8},
      {"v5_24", {"-type", "TrueColor", "BMP:"}, 24},
      {"v5_rgb565", {"-define", "bmp:subtype=RGB565", "BMP:"}, 24},
      {"v5_rgb555", {"-define", "bmp:subtype=RGB555", "BMP:"}, 24},
      {"v5_argb4444", {"-alpha", "set", "-define", "bmp:subtype=ARGB4444", "BMP:"}, 24, 15},
      {"v5_argb1555", {"-alpha", "set", "-define", "bmp:subtype=ARGB1555", "BMP:"}, 24},
      {"v5_alpha32", {"-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel", "BMP:"}, 24},
      {"rle8", {"-colors", "200", "-compress", "RLE", "BMP3:"}, 8},
      {"rle8_flat", {"-colors", "3", "-sample", "400%", "-compress", "RLE", "BMP3:"}, 8},
      {"v5_pal4", {"-colors", "14", "BMP:"}, 4},
  };
  for (const Case& c : cases) {
    const std::string bmp = Path(std::string(c.name) + ".bmp");
    std::vector<std::string> options(c.options.begin(), c.options.end() - 1);
    ASSERT_TRUE(ConvertWith(src, options, c.options.back() + bmp)) << c.name;
    SECDib img;
    ASSERT_TRUE(img.LoadImage(bmp.c_str())) << c.name << ": " << img.LoadError();
    EXPECT_EQ(img.m_nSrcBitsPerPixel, c.bits) << c.name;
    // ImageMagick widens 4-bit channels by a shift, we by v * 17
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(bmp), c.tolerance)) << c.name;
  }
}

TEST(BmpVariants, HandBuiltHeadersAndLayouts) {
  const std::string rgb = WriteRandomPpm(Path("base.ppm"), kW, kH, 12);
  const std::string base = Path("base.bmp");
  ASSERT_TRUE(
      ConvertWith(Path("base.ppm"), {"-type", "TrueColor", "-compress", "none"}, "BMP3:" + base));
  const std::string file = pxtest::ReadFile(base);
  const std::string rows24 = file.substr(54);
  // the same picture with a 7-colour palette: index = (x + y) % 7
  std::string table, rows8;
  for (int i = 0; i < 7; ++i) table += Bytes().u8(i * 30).u8(200 - i * 20).u8(i * 9).u8(0).s;
  std::string rgb8;
  for (DWORD y = 0; y < kH; ++y)
    for (DWORD x = 0; x < kW; ++x) {
      const int i = (x + y) % 7;
      rgb8 += Bytes().u8(i * 9).u8(200 - i * 20).u8(i * 30).s;
    }
  for (DWORD r = 0; r < kH; ++r) {
    for (DWORD x = 0; x < kW; ++x) rows8 += static_cast<char>((x + kH - 1 - r) % 7);
    rows8.append(3, '\0');  // 37 + 3 = 40
  }
  std::string topDown24;
  const size_t stride = Stride(kW, 24);
  for (DWORD r = kH; r-- > 0;) topDown24 += rows24.substr(r * stride, stride);
  std::string table3;  // OS/2 core entries: blue, green, red
  for (size_t i = 0; i < table.size(); i += 4) table3 += table.substr(i, 3);

  const std::vector<uint32_t> m565 = {0xF800, 0x07E0, 0x001F},
                              m101010 = {0x3FF00000, 0xFFC00, 0x3FF},
                              m444 = {0x0F00, 0x00F0, 0x000F};
  struct Case {
    const char* name;
    std::string bytes;
    const std::string* want;
    int tolerance;
  };
  const std::vector<Case> cases = {
      {"top-down", BmpFile(InfoHeader(40, kW, -int32_t(kH), 24, 0), "", topDown24), &rgb, 0},
      {"planes 3", BmpFile(InfoHeader(40, kW, kH, 24, 0, 0, {}, 3), "", rows24), &rgb, 0},
      {"gap before the pixels", BmpFile(InfoHeader(40, kW, kH, 24, 0), "", rows24, 301), &rgb, 0},
      {"core header", BmpFile(Bytes().u32(12).u16(kW).u16(kH).u16(1).u16(8).s, table3, rows8),
       &rgb8, 0},
      {"OS/2 16-byte header",
       BmpFile(Bytes().u32(16).u32(kW).u32(kH).u16(1).u16(8).s, table, rows8), &rgb8, 0},
      {"OS/2 64-byte header", BmpFile(InfoHeader(64, kW, kH, 8, 0, 7), table, rows8), &rgb8, 0},
      {"V4 header", BmpFile(InfoHeader(108, kW, kH, 8, 0, 7), table, rows8), &rgb8, 0},
      {"short table", BmpFile(InfoHeader(40, kW, kH, 8, 0, 7), table, rows8), &rgb8, 0},
      {"table longer than the depth",
       BmpFile(InfoHeader(40, kW, kH, 8, 0, 300), table + std::string(293 * 4, '\x7f'), rows8),
       &rgb8, 0},
      {"16 bits without masks",
       BmpFile(InfoHeader(40, kW, kH, 16, 0), "", PackedRows(rgb, 16, {0x7C00, 0x3E0, 0x1F})), &rgb,
       4},
      {"32 bits without masks",
       BmpFile(InfoHeader(40, kW, kH, 32, 0), "", PackedRows(rgb, 32, {0xFF0000, 0xFF00, 0xFF})),
       &rgb, 0},
      {"bit fields 565 after the header",
       BmpFile(InfoHeader(40, kW, kH, 16, 3), Bytes().u32(m565[0]).u32(m565[1]).u32(m565[2]).s,
               PackedRows(rgb, 16, m565)),
       &rgb, 4},
      {"alpha bit fields 4444",
       BmpFile(InfoHeader(40, kW, kH, 16, 6),
               Bytes().u32(m444[0]).u32(m444[1]).u32(m444[2]).u32(0xF000).s,
               PackedRows(rgb, 16, m444)),
       &rgb, 9},
      {"V5 10-10-10, top-down",
       BmpFile(InfoHeader(124, kW, -int32_t(kH), 32, 3, 0, m101010), "",
               PackedRows(rgb, 32, m101010, true)),
       &rgb, 1},
  };
  for (const Case& c : cases) {
    SECDib img;
    ASSERT_TRUE(LoadBytes(img, c.bytes)) << c.name << ": " << img.LoadError();
    EXPECT_EQ(img.m_dwWidth, kW) << c.name;
    EXPECT_EQ(img.m_dwHeight, kH) << c.name;
    EXPECT_TRUE(SameAsRgb(img, *c.want, c.tolerance)) << c.name;
    // and what we write of it, ImageMagick reads strictly to the same pixels
    const std::string out = Path("out.bmp");
    ASSERT_TRUE(img.SaveImage(out.c_str())) << c.name;
    EXPECT_TRUE(IdentifyClean(out)) << c.name;
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(out))) << c.name;
  }

  // an embedded PNG stream: its own picture, whatever the header says
  const std::string png = Path("inner.png");
  ASSERT_TRUE(ConvertWith(Path("base.ppm"), {}, "PNG24:" + png));
  SECDib inner;
  ASSERT_TRUE(LoadBytes(inner, BmpFile(InfoHeader(40, kW, kH, 0, 5), "", pxtest::ReadFile(png))))
      << inner.LoadError();
  EXPECT_TRUE(SameAsRgb(inner, rgb));
  SECDib broken;
  EXPECT_FALSE(LoadBytes(broken, BmpFile(InfoHeader(40, kW, kH, 0, 4), "", "not a JPEG stream")));
  EXPECT_EQ(broken.LoadError(), "the embedded JPEG picture is broken");
}

TEST(BmpVariants, RunLengthRowsStayInsideThePicture) {
  // 5 x 3 RLE8 over a 4-entry table; rows bottom first
  std::string table;
  for (int i = 0; i < 4; ++i) table += Bytes().u8(i).u8(i).u8(i).u8(0).s;
  struct Case {
    const char* name;
    std::string data;
    std::vector<int> want;  // indices, top row first
  };
  const std::vector<Case> cases = {
      {"runs and end of line",
       Bytes().u8(5).u8(1).u8(0).u8(0).u8(2).u8(2).u8(0).u8(1).s,
       {0, 0, 0, 0, 0, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1}},
      {"a run past the row end is cut, not wrapped",
       Bytes().u8(200).u8(3).u8(0).u8(0).u8(1).u8(2).u8(0).u8(1).s,
       {0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 3, 3, 3, 3, 3}},
      {"delta and absolute stretch with its pad byte",
       Bytes().u8(0).u8(2).u8(1).u8(1).u8(0).u8(3).u8(1).u8(2).u8(3).u8(0).u8(1).u8(1).s,
       {0, 0, 0, 0, 0, 0, 1, 2, 3, 1, 0, 0, 0, 0, 0}},
      {"a delta out of the picture writes nothing",
       Bytes().u8(0).u8(2).u8(255).u8(255).u8(9).u8(1).u8(0).u8(1).s,
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"data that ends early",
       Bytes().u8(3).u8(2).u8(0).s,
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 0, 0}},
  };
  for (const Case& c : cases) {
    SECDib img;
    ASSERT_TRUE(LoadBytes(img, BmpFile(InfoHeader(40, 5, 3, 8, 1, 4), table, c.data))) << c.name;
    std::vector<int> have;
    for (DWORD y = 0; y < 3; ++y)
      for (DWORD x = 0; x < 5; ++x) have.push_back(static_cast<int>(PixelAt(img, x, y)));
    EXPECT_EQ(have, c.want) << c.name;
  }
  // RLE4: nibbles alternate inside a run, absolute nibbles in order
  SECDib four;
  ASSERT_TRUE(LoadBytes(four, BmpFile(InfoHeader(40, 5, 1, 4, 2, 4), table,
                                      Bytes().u8(3).u8(0x12).u8(0).u8(3).u8(0x31).u8(0x20).s)));
  std::vector<int> have;
  for (DWORD x = 0; x < 5; ++x) have.push_back(static_cast<int>(PixelAt(four, x, 0)));
  EXPECT_EQ(have, (std::vector<int>{1, 2, 1, 3, 1}));
}

TEST(BmpVariants, IndicesPastTheTableReadBlackAndAreWrittenValid) {
  // two table entries, pixels use index 5: read leniently, written with a
  // full table and biClrUsed that covers every index
  std::string table = Bytes().u32(0x00FF0000).u32(0x0000FF00).s, rows;
  for (DWORD r = 0; r < 2; ++r) rows += Bytes().u8(0).u8(1).u8(5).u8(0).s;
  SECDib img;
  ASSERT_TRUE(LoadBytes(img, BmpFile(InfoHeader(40, 3, 2, 8, 0, 2, {}, 4), table, rows)));
  EXPECT_EQ(ColourAt(img, 0, 0), 0xFF0000u);
  EXPECT_EQ(ColourAt(img, 2, 0), 0u);
  const std::string out = Path("valid.bmp");
  ASSERT_TRUE(img.SaveImage(out.c_str()));
  const std::string bytes = pxtest::ReadFile(out);
  EXPECT_EQ(ByteAt(bytes, 26), 1);                       // biPlanes
  EXPECT_EQ(bytes.substr(46, 4), std::string(4, '\0'));  // biClrUsed: the full table
  EXPECT_EQ(bytes.size(), 14 + 40 + 1024 + 8u);
  EXPECT_TRUE(IdentifyClean(out));
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(out)));
}
