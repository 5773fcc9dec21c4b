// Cross-checks against ImageMagick: files we write decode there to the same
// pixels, and the classic BMP files it writes load here to the same pixels.
#include <gtest/gtest.h>

#include <string>

#include "common/testutil.h"
#include "image/magick.h"
#include "image/testimages.h"
#include "prentix/image/secdib.h"

using namespace prentix;
using namespace imgtest;

namespace {}  // namespace

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
