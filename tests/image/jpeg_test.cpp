// JPEG adapter: our files against libjpeg-turbo's own tools and ImageMagick,
// their files read here, palette displays, grey files, and broken input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "image/testimages.h"
#include "prentix/image/secdib.h"
#include "prentix/image/secjpeg.h"

using namespace prentix;
using namespace imgtest;

namespace {

const char* kConvert = "/usr/bin/convert";

std::string Path(const std::string& name) { return pxtest::TestRoot() + "/" + name; }

// A 32x32 picture of four 16x16 squares: red top left, green top right,
// blue bottom left, white bottom right. Block-aligned, so JPEG keeps the
// colours close.
constexpr uint32_t kQuadrants[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
uint32_t QuadrantColour(DWORD x, DWORD y) { return kQuadrants[(y >= 16) * 2 + (x >= 16)]; }

void FillQuadrants(SECImageBase& img) {
  Fill(img, 24, 32, 32);
  for (DWORD y = 0; y < 32; ++y)
    for (DWORD x = 0; x < 32; ++x) {
      const uint32_t c = QuadrantColour(x, y);
      BYTE* p = img.Row(31 - y) + 3 * x;
      p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = c >> 16;
    }
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(d) > tolerance) return false;
  }
  return true;
}

// A binary PPM of random-ish smooth colours, and its pixels.
std::string SmoothPpm(DWORD w, DWORD h, std::string* rgb = nullptr) {
  std::string pixels;
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x) {
      pixels += static_cast<char>(x * 255 / w);
      pixels += static_cast<char>(y * 255 / h);
      pixels += static_cast<char>((x + y) * 97 % 256);
    }
  if (rgb) *rgb = pixels;
  return "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" + pixels;
}

// Pixels of a PPM (P6) or PGM (P5) file from a tool, as RGB triples.
std::string PnmPixels(const std::string& file, DWORD* w = nullptr, DWORD* h = nullptr) {
  const std::string data = pxtest::ReadFile(file);
  if (data.size() < 2 || data[0] != 'P') return {};
  const bool grey = data[1] == '5';
  size_t pos = 2;
  unsigned values[3];
  for (unsigned& v : values) {
    while (pos < data.size() && isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    v = static_cast<unsigned>(std::strtoul(data.c_str() + pos, nullptr, 10));
    while (pos < data.size() && isdigit(static_cast<unsigned char>(data[pos]))) ++pos;
  }
  ++pos;
  if (w) *w = values[0];
  if (h) *h = values[1];
  std::string body = data.substr(pos);
  if (!grey) return body;
  std::string rgb;
  for (char c : body) rgb.append(3, c);
  return rgb;
}

// Largest difference of any channel between our picture and RGB triples;
// with `mean`, the mean absolute difference instead.
int MaxDifference(const SECImageBase& img, const std::string& rgb, bool mean = false) {
  if (rgb.size() != size_t{img.m_dwWidth} * img.m_dwHeight * 3) return 1000;
  int worst = 0;
  uint64_t sum = 0;
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (y * img.m_dwWidth + x) * 3;
      const uint32_t c = ColourAt(img, x, y);
      const int d[3] = {std::abs(static_cast<int>(c >> 16) - p[0]),
                        std::abs(static_cast<int>((c >> 8) & 0xFF) - p[1]),
                        std::abs(static_cast<int>(c & 0xFF) - p[2])};
      worst = std::max({worst, d[0], d[1], d[2]});
      sum += d[0] + d[1] + d[2];
    }
  return mean ? static_cast<int>(sum / rgb.size()) : worst;
}

// A memory file that records the size of every read and write request.
class CountingFile : public CMemFile {
 public:
  using CMemFile::CMemFile;
  uint32_t Read(void* dst, uint32_t n) override {
    reads.push_back(n);
    return CMemFile::Read(dst, n);
  }
  bool Write(const void* src, uint32_t n) override {
    writes.push_back(n);
    return CMemFile::Write(src, n);
  }
  std::vector<uint32_t> reads, writes;
};

}  // namespace

TEST(Jpeg, WrittenFilesDecodeElsewhereWithColoursInPlace) {
  SECDib src;
  FillQuadrants(src);
  SECJpeg jpeg;
  ASSERT_TRUE(jpeg.CopyImage(src));
  const std::string file = Path("quad.jpg");
  ASSERT_TRUE(jpeg.SaveImage(file.c_str()));
  // the picture itself is untouched by the save
  EXPECT_TRUE(SamePixels(jpeg, src));

  // JFIF header with density unit 0 and densities 1 and 1, baseline frame,
  // and the quality-75 luminance table (DC entry 16 scaled to 8).
  const std::string bytes = pxtest::ReadFile(file);
  ASSERT_GT(bytes.size(), 20u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xD8\xFF\xE0", 4));
  EXPECT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
  EXPECT_EQ(bytes.substr(13, 5), std::string("\x00\x00\x01\x00\x01", 5));
  const size_t dqt = bytes.find("\xFF\xDB");
  ASSERT_NE(dqt, std::string::npos);
  EXPECT_EQ(static_cast<uint8_t>(bytes[dqt + 5]), 8);
  EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);
  EXPECT_EQ(bytes.find("\xFF\xC2"), std::string::npos);

  // The library's own encoder at quality 75 makes the very same file.
  std::string rgb;
  for (DWORD y = 0; y < 32; ++y)
    for (DWORD x = 0; x < 32; ++x) {
      const uint32_t c = QuadrantColour(x, y);
      rgb += static_cast<char>(c >> 16), rgb += static_cast<char>(c >> 8),
          rgb += static_cast<char>(c);
    }
  ASSERT_TRUE(pxtest::WriteFile(Path("quad.ppm"), "P6\n32 32\n255\n" + rgb));
  ASSERT_EQ(pxtest::Run({"/usr/bin/cjpeg", "-quality", "75", "-outfile", Path("cjpeg.jpg"),
                         Path("quad.ppm")}),
            0);
  EXPECT_EQ(pxtest::ReadFile(Path("cjpeg.jpg")), bytes);

  // djpeg and ImageMagick see red top left, not blue
  ASSERT_EQ(pxtest::Run({"/usr/bin/djpeg", "-outfile", Path("djpeg.ppm"), file}), 0);
  ASSERT_EQ(pxtest::Run({kConvert, file, "-depth", "8", "ppm:" + Path("im.ppm")}), 0);
  for (const std::string& decoded : {Path("djpeg.ppm"), Path("im.ppm")}) {
    DWORD w = 0, h = 0;
    const std::string px = PnmPixels(decoded, &w, &h);
    ASSERT_EQ(w, 32u);
    ASSERT_EQ(h, 32u);
    ASSERT_EQ(px.size(), 32u * 32 * 3);
    for (DWORD y : {4u, 27u})
      for (DWORD x : {4u, 27u}) {
        const auto* p = reinterpret_cast<const uint8_t*>(px.data()) + (y * 32 + x) * 3;
        const uint32_t got = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
        EXPECT_TRUE(Near(got, QuadrantColour(x, y), 8))
            << decoded << " " << x << "," << y << std::hex << " " << got;
      }
  }

  // and we read our own file back the same way
  SECJpeg back;
  ASSERT_TRUE(back.LoadImage(file.c_str()));
  EXPECT_EQ(back.m_nSrcBitsPerPixel, 24);
  EXPECT_EQ(back.m_wColors, 0);
  EXPECT_EQ(back.m_pPalette, nullptr);
  EXPECT_EQ(back.m_dwWidth, 32u);
  EXPECT_EQ(back.m_dwHeight, 32u);
  EXPECT_EQ(MaxDifference(back, PnmPixels(Path("djpeg.ppm"))), 0);
}

TEST(Jpeg, IndexedPicturesAreWrittenThroughTheirColourTable) {
  // 1 bit: four white pixels then four black ones in every byte; a reversed
  // bit order would swap the halves.
  SECJpeg one;
  Fill(one, 1, 32, 16);
  one.m_pColorTable[0] = RGBQUAD{0, 0, 0, 0};
  one.m_pColorTable[1] = RGBQUAD{255, 255, 255, 0};
  for (DWORD y = 0; y < 16; ++y)
    for (DWORD b = 0; b < 4; ++b) one.Row(y)[b] = 0xF0;
  ASSERT_TRUE(one.SaveImage(Path("one.jpg").c_str()));
  SECJpeg oneBack;
  ASSERT_TRUE(oneBack.LoadImage(Path("one.jpg").c_str()));
  for (DWORD x = 0; x < 32; ++x) {
    const uint32_t c = ColourAt(oneBack, x, 8);
    if (x % 8 == 1 || x % 8 == 2) {
      EXPECT_GT(c & 0xFF, 160u) << x;
    }
    if (x % 8 == 5 || x % 8 == 6) {
      EXPECT_LT(c & 0xFF, 96u) << x;
    }
  }

  // 4 and 8 bits: the quadrant colours as table entries
  for (int bits : {4, 8}) {
    SECJpeg img;
    Fill(img, bits, 32, 32);
    for (unsigned i = 0; i < 4; ++i)
      img.m_pColorTable[i] =
          RGBQUAD{static_cast<BYTE>(kQuadrants[i]), static_cast<BYTE>(kQuadrants[i] >> 8),
                  static_cast<BYTE>(kQuadrants[i] >> 16), 0};
    for (DWORD y = 0; y < 32; ++y)
      for (DWORD x = 0; x < 32; ++x) {
        const unsigned i = (y >= 16) * 2 + (x >= 16);
        BYTE* row = img.Row(31 - y);
        if (bits == 8)
          row[x] = static_cast<BYTE>(i);
        else
          row[x / 2] =
              static_cast<BYTE>((x & 1) ? (row[x / 2] & 0xF0) | i : (row[x / 2] & 0x0F) | i << 4);
      }
    const std::string file = Path("idx" + std::to_string(bits) + ".jpg");
    ASSERT_TRUE(img.SaveImage(file.c_str()));
    SECJpeg back;
    ASSERT_TRUE(back.LoadImage(file.c_str()));
    for (DWORD y : {4u, 27u})
      for (DWORD x : {4u, 27u})
        EXPECT_TRUE(Near(ColourAt(back, x, y), QuadrantColour(x, y), 8)) << bits << " " << x;
  }
}

TEST(Jpeg, PaletteDisplayQuantizesTo256Colours) {
  const std::string src = Path("smooth.ppm");
  ASSERT_TRUE(pxtest::WriteFile(src, SmoothPpm(64, 48)));
  ASSERT_EQ(pxtest::Run({"/usr/bin/cjpeg", "-outfile", Path("smooth.jpg"), src}), 0);
  SECJpeg quad;
  FillQuadrants(quad);
  ASSERT_TRUE(quad.SaveImage(Path("quad.jpg").c_str()));

  for (int sysBits : {8, 4}) {
    SECJpeg img(DisplayInfo{sysBits, 1});
    EXPECT_TRUE(img.m_bQuantize);
    ASSERT_TRUE(img.LoadImage(Path("smooth.jpg").c_str()));
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 8);
    EXPECT_EQ(img.m_wColors, 256);
    EXPECT_EQ(img.Header()->biBitCount, 8);
    ASSERT_NE(img.m_pPalette, nullptr);
    EXPECT_EQ(img.m_pPalette->palPalEntry.size(), 256u);
    // a quantized (dithered) picture stays close to the decoded one on average
    ASSERT_EQ(
        pxtest::Run({"/usr/bin/djpeg", "-outfile", Path("smooth.out.ppm"), Path("smooth.jpg")}), 0);
    EXPECT_LE(MaxDifference(img, PnmPixels(Path("smooth.out.ppm")), true), 8);

    // the colour map is in the right order: red stays red
    SECJpeg q(DisplayInfo{sysBits, 1});
    ASSERT_TRUE(q.LoadImage(Path("quad.jpg").c_str()));
    EXPECT_EQ(q.m_nSrcBitsPerPixel, 8);
    for (DWORD y : {4u, 27u})
      for (DWORD x : {4u, 27u})
        EXPECT_TRUE(Near(ColourAt(q, x, y), QuadrantColour(x, y), 24)) << x << "," << y;
  }
  // a true-colour display never quantizes
  SECJpeg tc;
  EXPECT_FALSE(tc.m_bQuantize);
  ASSERT_TRUE(tc.LoadImage(Path("smooth.jpg").c_str()));
  EXPECT_EQ(tc.m_nSrcBitsPerPixel, 24);
}

TEST(Jpeg, FilesOfOtherWritersLoad) {
  std::string rgb;
  ASSERT_TRUE(pxtest::WriteFile(Path("src.ppm"), SmoothPpm(61, 43, &rgb)));
  struct Variant {
    std::string name;
    std::vector<std::string> options;
  };
  const std::vector<Variant> variants = {
      {"colour", {"-quality", "90"}},
      {"progressive", {"-interlace", "Plane"}},
      {"grey", {"-colorspace", "Gray"}},
      {"subsampled", {"-sampling-factor", "2x2", "-quality", "60"}},
      {"cmyk", {"-colorspace", "CMYK"}},
  };
  for (const Variant& v : variants) {
    const std::string jpg = Path(v.name + ".jpg");
    std::vector<std::string> argv = {kConvert, Path("src.ppm")};
    argv.insert(argv.end(), v.options.begin(), v.options.end());
    argv.push_back(jpg);
    ASSERT_EQ(pxtest::Run(argv), 0) << v.name;

    SECJpeg img;
    ASSERT_TRUE(img.LoadImage(jpg.c_str())) << v.name << ": " << img.LastLibraryError();
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 24);
    EXPECT_EQ(img.m_dwWidth, 61u);
    EXPECT_EQ(img.m_dwHeight, 43u);
    ASSERT_EQ(
        pxtest::Run({kConvert, jpg, "-colorspace", "sRGB", "-depth", "8", "ppm:" + Path("im.ppm")}),
        0);
    EXPECT_LE(MaxDifference(img, PnmPixels(Path("im.ppm"))), v.name == "cmyk" ? 3 : 1) << v.name;
    if (v.name != "cmyk") {
      // same library, same decoder: djpeg gives exactly our pixels
      ASSERT_EQ(pxtest::Run({"/usr/bin/djpeg", "-outfile", Path("dj.pnm"), jpg}), 0);
      EXPECT_EQ(MaxDifference(img, PnmPixels(Path("dj.pnm"))), 0) << v.name;
    }
    if (v.name == "grey") {
      for (DWORD y = 0; y < img.m_dwHeight; ++y)
        for (DWORD x = 0; x < img.m_dwWidth; ++x) {
          const uint32_t c = ColourAt(img, x, y);
          ASSERT_EQ(c >> 16, (c >> 8) & 0xFF);
          ASSERT_EQ(c >> 16, c & 0xFF);
        }
    }
    if (v.name == "colour") {
      EXPECT_LE(MaxDifference(img, rgb, true), 6);
    }
  }
}

TEST(Jpeg, IoGoesThroughTheFileIn4096ByteBlocks) {
  SECJpeg img;
  Fill(img, 24, 200, 150, 5);  // noise: a file of many blocks
  CountingFile out;
  ASSERT_TRUE(img.SaveImage(&out));
  ASSERT_GT(out.writes.size(), 3u);
  for (size_t i = 0; i + 1 < out.writes.size(); ++i) EXPECT_EQ(out.writes[i], 4096u);
  EXPECT_LE(out.writes.back(), 4096u);
  EXPECT_GT(out.writes.back(), 0u);

  CountingFile in(out.Data().data(), out.Data().size());
  SECJpeg back;
  ASSERT_TRUE(back.LoadImage(&in));
  for (uint32_t n : in.reads) EXPECT_EQ(n, 4096u);
  EXPECT_EQ(back.m_dwWidth, 200u);
  EXPECT_EQ(back.m_dwHeight, 150u);
}

TEST(Jpeg, BrokenInputFailsCleanly) {
  SECJpeg good;
  Fill(good, 24, 200, 150, 9);
  CMemFile whole;
  ASSERT_TRUE(good.SaveImage(&whole));
  const std::vector<uint8_t>& bytes = whole.Data();

  // no bytes at all: the library's "Empty input file"
  CMemFile empty;
  SECJpeg e;
  EXPECT_FALSE(e.LoadImage(&empty));
  EXPECT_STREQ(e.LastLibraryError(), "Empty input file");
  EXPECT_FALSE(e.HasPicture());

  // cut in the middle of the scan: loads, with the full size, through the
  // fake end marker; the rows up to the cut are the whole file's
  CMemFile cut(bytes.data(), bytes.size() / 2);
  SECJpeg c;
  ASSERT_TRUE(c.LoadImage(&cut)) << c.LastLibraryError();
  EXPECT_EQ(c.m_dwWidth, 200u);
  EXPECT_EQ(c.m_dwHeight, 150u);
  EXPECT_STREQ(c.LastLibraryError(), "");
  CMemFile again(bytes.data(), bytes.size());
  SECJpeg full;
  ASSERT_TRUE(full.LoadImage(&again));
  for (DWORD x = 0; x < 200; ++x) ASSERT_EQ(ColourAt(c, x, 0), ColourAt(full, x, 0)) << x;

  // cut inside the headers, not a JPEG, garbage after the start marker
  const std::vector<std::vector<uint8_t>> broken = {
      std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100),
      {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0x13, 0x37, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xD8},
  };
  for (const auto& b : broken) {
    CMemFile f(b.data(), b.size());
    SECJpeg img;
    EXPECT_FALSE(img.LoadImage(&f)) << b.size();
    EXPECT_STRNE(img.LastLibraryError(), "") << b.size();
    EXPECT_FALSE(img.HasPicture());
  }
  // the error ends the operation only: the same object loads a good file next
  CMemFile next(bytes.data(), bytes.size());
  EXPECT_TRUE(e.LoadImage(&next));

  // a file that refuses writes ends the save with false
  SECJpeg w;
  Fill(w, 24, 200, 150, 3);
  EXPECT_FALSE(w.SaveImage("/dev/full"));
  EXPECT_STREQ(w.LastLibraryError(), "Output file write error --- out of disk space?");
  // 16-bit pictures and pictures too large for the format are refused
  SECJpeg big;
  Fill(big, 24, 70000, 1);
  CMemFile sink;
  EXPECT_FALSE(big.SaveImage(&sink));
}
