// PNG codec: files of every colour type and depth written by ImageMagick
// decode here to its pixels; our files read back the same and pass its
// strict reading; broken files are refused with a reason.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "common/testutil.h"
#include "image/magick.h"
#include "image/testimages.h"
#include "prentix/image/secpng.h"

using namespace prentix;
using namespace imgtest;

namespace {

std::string Path(const std::string& name) { return pxtest::TestRoot() + "/" + name; }

void Chunk(std::string& png, const char* type, const std::string& data) {
  auto be32 = [&png](uint32_t v) {
    for (int i = 3; i >= 0; --i) png += static_cast<char>(v >> (8 * i));
  };
  be32(static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  png += body;
  be32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
}

// A palette PNG of w x h pixels at `depth` bits, built byte by byte: pixel
// (x, y) is (x + 3y) mod the palette's n entries, packed first pixel high.
std::string HandMadePalettePng(uint32_t w, uint32_t h, int depth, int n) {
  std::string png = "\x89PNG\r\n\x1a\n", ihdr, plte, raw;
  for (uint32_t v : {w, h})
    for (int i = 3; i >= 0; --i) ihdr += static_cast<char>(v >> (8 * i));
  ihdr += {static_cast<char>(depth), 3, 0, 0, 0};
  for (int i = 0; i < n; ++i)
    plte += {static_cast<char>(i * 80), static_cast<char>(255 - i * 60), static_cast<char>(i * 37)};
  const size_t rowBytes = (size_t{w} * depth + 7) / 8;
  for (uint32_t y = 0; y < h; ++y) {
    std::string row(rowBytes + 1, '\0');  // filter type 0
    for (uint32_t x = 0; x < w; ++x) {
      const unsigned v = (x + 3 * y) % n, bit = x * depth;
      row[1 + bit / 8] = static_cast<char>(row[1 + bit / 8] | v << (8 - depth - bit % 8));
    }
    raw += row;
  }
  std::string packed(compressBound(raw.size()), '\0');
  uLongf size = packed.size();
  compress(reinterpret_cast<Bytef*>(packed.data()), &size,
           reinterpret_cast<const Bytef*>(raw.data()), raw.size());
  packed.resize(size);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "PLTE", plte);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace

TEST(Png, ReadsEveryColourTypeOfAnotherWriter) {
  const std::string src = Path("src.ppm");
  WriteRandomPpm(src, 37, 23, 5);
  struct Case {
    const char* name;
    std::vector<std::string> options;
    int bits;  // what we hold after reading
  };
  const std::vector<std::string> grey = {"-colorspace", "gray", "-define", "png:color-type=0"};
  auto with = [](std::vector<std::string> a, std::initializer_list<std::string> b) {
    a.insert(a.end(), b);
    return a;
  };
  const std::vector<Case> cases = {
      {"rgb8", {"PNG24:"}, 24},
      {"rgb16", {"PNG48:"}, 24},
      {"rgba8", {"-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel", "PNG32:"}, 24},
      {"rgba16", {"-alpha", "set", "-channel", "A", "-fx", "j/h", "+channel", "PNG64:"}, 24},
      {"rgb8_interlaced", {"-interlace", "PNG", "PNG24:"}, 24},
      {"pal8", {"-colors", "200", "PNG8:"}, 8},
      {"pal8_interlaced", {"-colors", "150", "-interlace", "PNG", "PNG8:"}, 8},
      {"pal4", {"-colors", "13", "-define", "png:bit-depth=4", "-define", "png:color-type=3"}, 4},
      {"pal4_hand", {}, 4},
      {"pal2_hand", {}, 8},
      {"pal1_hand", {}, 1},
      {"pal_trns", {"-colors", "20", "-transparent", "black", "-fuzz", "30%", "PNG8:"}, 8},
      {"grey1", with(grey, {"-define", "png:bit-depth=1", "-threshold", "50%"}), 8},
      {"grey2", with(grey, {"-define", "png:bit-depth=2", "-depth", "2"}), 8},
      {"grey4", with(grey, {"-define", "png:bit-depth=4", "-depth", "4"}), 8},
      {"grey8", with(grey, {"-define", "png:bit-depth=8"}), 8},
      {"grey16", with(grey, {"-define", "png:bit-depth=16", "-depth", "16"}), 8},
      {"grey16_interlaced", with(grey, {"-depth", "16", "-interlace", "PNG"}), 8},
      {"greyalpha8",
       {"-colorspace", "gray", "-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel",
        "-define", "png:color-type=4", "-depth", "8"},
       8},
      {"greyalpha16",
       {"-colorspace", "gray", "-alpha", "set", "-channel", "A", "-fx", "j/h", "+channel",
        "-define", "png:color-type=4", "-depth", "16"},
       8},
  };
  for (const Case& c : cases) {
    const std::string png = Path(std::string(c.name) + ".png");
    std::vector<std::string> options = c.options;
    std::string out = png;
    if (!options.empty() && options.back().back() == ':') {
      out = options.back() + png;
      options.pop_back();
    }
    if (std::string(c.name).ends_with("_hand")) {
      const int depth = c.name[3] - '0';
      pxtest::WriteFile(png, HandMadePalettePng(37, 23, depth, depth == 4 ? 11 : 1 << depth));
    } else {
      ASSERT_TRUE(ConvertWith(src, options, out)) << c.name;
    }
    SECPng img;
    ASSERT_TRUE(img.LoadImage(png.c_str())) << c.name << ": " << img.LastError();
    EXPECT_EQ(img.m_nSrcBitsPerPixel, c.bits) << c.name;
    EXPECT_EQ(img.m_dwWidth, 37u);
    EXPECT_EQ(img.m_dwHeight, 23u);
    // 16-bit samples: ImageMagick and we may round a half step apart
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(png), 1)) << c.name;
  }
}

TEST(Png, OurFilesReadBackAndPassImageMagicksStrictReading) {
  for (int bits : {1, 4, 8, 24})
    for (DWORD w : {1u, 9u, 130u}) {
      SECPng img;
      Fill(img, bits, w, 7, w + bits);
      const std::string path =
          Path("ours" + std::to_string(bits) + "_" + std::to_string(w) + ".png");
      ASSERT_TRUE(img.SaveImage(path.c_str())) << img.LastError();
      EXPECT_TRUE(IdentifyClean(path)) << path;
      EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(path))) << path;
      SECPng back;
      ASSERT_TRUE(back.LoadImage(path.c_str())) << back.LastError();
      EXPECT_TRUE(SamePixels(back, img)) << path;
      EXPECT_TRUE(SameAsRgb(back, DecodeWithConvert(path))) << path;
    }
}

TEST(Png, BrokenFilesAreRefusedWithAReason) {
  SECPng good;
  Fill(good, 24, 40, 30, 9);
  const std::string bytes = SavedBytes(good);
  ASSERT_GT(bytes.size(), 100u);
  // IHDR's width and height sit at offsets 16 and 20, big-endian
  auto withSize = [&](uint32_t w, uint32_t h) {
    std::string s = bytes;
    for (int i = 0; i < 4; ++i) {
      s[16 + i] = static_cast<char>(w >> (24 - 8 * i));
      s[20 + i] = static_cast<char>(h >> (24 - 8 * i));
    }
    return s;
  };
  std::string badCrc = bytes;
  badCrc[29] ^= 1;
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"not a PNG", "GIF89a" + std::string(100, '\0')},
      {"signature only", bytes.substr(0, 8)},
      {"cut in the header", bytes.substr(0, 20)},
      {"cut in the pixels", bytes.substr(0, bytes.size() / 2)},
      {"header checksum wrong", badCrc},
      {"100000 x 100000", withSize(100000, 100000)},
      {"zero width", withSize(0, 30)},
  };
  for (const Case& c : cases) {
    SECPng img;
    EXPECT_FALSE(LoadBytes(img, c.bytes)) << c.name;
    EXPECT_FALSE(img.HasPicture()) << c.name;
    EXPECT_FALSE(img.LastError().empty()) << c.name;
  }
}
