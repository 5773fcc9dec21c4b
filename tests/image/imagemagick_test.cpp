// Cross-checks against ImageMagick: files we write decode there to the same
// pixels, and the classic BMP files it writes load here to the same pixels.
#include <gtest/gtest.h>

#include <string>

#include "common/testutil.h"
#include "image/testimages.h"
#include "prentix/image/secdib.h"

using namespace prentix;
using namespace imgtest;

namespace {

const char* kConvert = "/usr/bin/convert";

// ImageMagick's decoding of a file as 8-bit red, green, blue triples.
std::string DecodeWithConvert(const std::string& path) {
  const std::string out = path + ".rgb";
  if (pxtest::Run({kConvert, path, "-depth", "8", "rgb:" + out}) != 0) return {};
  return pxtest::ReadFile(out);
}

::testing::AssertionResult SameAsRgb(const SECImageBase& img, const std::string& rgb) {
  if (rgb.size() != size_t{img.m_dwWidth} * img.m_dwHeight * 3)
    return ::testing::AssertionFailure() << "rgb size " << rgb.size();
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (y * img.m_dwWidth + x) * 3;
      const uint32_t want = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
      if (ColourAt(img, x, y) != want)
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << std::hex << ": "
                                             << ColourAt(img, x, y) << " vs " << want;
    }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ImageMagick, DecodesOurFilesToTheSamePixels) {
  for (int bits : {1, 4, 8, 24}) {
    for (DWORD w : {1u, 7u, 37u}) {
      SECDib img;
      Fill(img, bits, w, 5, 3 * w + bits);
      const std::string path =
          pxtest::TestRoot() + "/ours" + std::to_string(bits) + "_" + std::to_string(w) + ".bmp";
      ASSERT_TRUE(img.SaveImage(path.c_str()));
      EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(path))) << bits << " bits, width " << w;
    }
  }
  // a turned and mirrored picture, too
  SECDib img;
  Fill(img, 4, 9, 6, 77);
  ASSERT_TRUE(img.Rotate90(true));
  ASSERT_TRUE(img.MirrorHorizontal());
  const std::string path = pxtest::TestRoot() + "/turned.bmp";
  ASSERT_TRUE(img.SaveImage(path.c_str()));
  EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(path)));
}

TEST(ImageMagick, ItsClassicBmpFilesLoadHere) {
  // a source picture of random colours
  const DWORD w = 37, h = 23;
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  uint32_t state = 99;
  for (DWORD i = 0; i < w * h * 3; ++i) {
    state = state * 1103515245u + 12345u;
    ppm += static_cast<char>(state >> 16);
  }
  const std::string src = pxtest::TestRoot() + "/src.ppm";
  ASSERT_TRUE(pxtest::WriteFile(src, ppm));

  struct Variant {
    int bits;
    std::vector<std::string> options;
  };
  const std::vector<Variant> variants = {
      {1, {"-colors", "2", "-type", "Palette"}},
      {4, {"-colors", "16", "-type", "Palette"}},
      {8, {"-colors", "200", "-type", "Palette"}},
      {24, {"-type", "TrueColor"}},
  };
  for (const Variant& v : variants) {
    const std::string bmp = pxtest::TestRoot() + "/im" + std::to_string(v.bits) + ".bmp";
    std::vector<std::string> argv = {kConvert, src};
    argv.insert(argv.end(), v.options.begin(), v.options.end());
    argv.insert(argv.end(), {"-compress", "none", "BMP3:" + bmp});
    ASSERT_EQ(pxtest::Run(argv), 0);

    SECDib img;
    ASSERT_TRUE(img.LoadImage(bmp.c_str())) << v.bits;
    EXPECT_EQ(img.m_nSrcBitsPerPixel, v.bits);
    EXPECT_EQ(img.m_dwWidth, w);
    EXPECT_EQ(img.m_dwHeight, h);
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(bmp))) << v.bits;
    if (v.bits == 24) {
      EXPECT_TRUE(SameAsRgb(img, ppm.substr(ppm.size() - w * h * 3)));
    }
  }
}
