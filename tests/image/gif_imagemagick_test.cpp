// Cross-checks of the GIF codec against ImageMagick: files we write decode
// there to our pixels through our table, and the files it writes (87a and
// 89a, interlaced, 2 to 256 colours, odd sizes, local tables, animations)
// read here to the pixels it decodes from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testutil.h"
#include "image/magick.h"
#include "image/testimages.h"
#include "prentix/image/colorreduce.h"
#include "prentix/image/secdib.h"
#include "prentix/image/secgif.h"

using namespace prentix;
using namespace imgtest;

namespace {

// A photo-like picture: gradients, a few flat areas and some noise.
std::string PhotoPpm(int w, int h, uint32_t seed) {
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int n = static_cast<int>(seed >> 27);  // 0..31
      const bool flat = (x / 8 + y / 8) % 5 == 0;
      ppm += static_cast<char>(flat ? 200 : (x * 255 / std::max(1, w - 1) + n) & 255);
      ppm += static_cast<char>(flat ? 30 : (y * 255 / std::max(1, h - 1)) & 255);
      ppm += static_cast<char>(flat ? 90 : ((x + y) * 3 + n) & 255);
    }
  return ppm;
}

// The same file with its global colour table moved into the first image
// descriptor as a local one.
std::string GlobalToLocal(const std::string& f) {
  const auto b = [&](size_t i) { return static_cast<uint8_t>(f[i]); };
  if (f.size() < 13 || !(b(10) & 0x80)) return {};
  const int sizeBits = b(10) & 7;
  const size_t tableBytes = 3u << (sizeBits + 1);
  size_t pos = 13 + tableBytes;
  while (pos < f.size() && b(pos) == 0x21) {  // extensions
    pos += 2;
    while (pos < f.size() && b(pos) != 0) pos += 1 + b(pos);
    ++pos;
  }
  if (pos + 10 > f.size() || b(pos) != 0x2C) return {};
  std::string out = f.substr(0, 13);
  out[10] = static_cast<char>(b(10) & 0x70);  // keep the colour resolution only
  out += f.substr(13 + tableBytes, pos - 13 - tableBytes);
  std::string desc = f.substr(pos, 10);
  desc[9] = static_cast<char>((b(pos + 9) & 0x40) | 0x80 | sizeBits);
  return out + desc + f.substr(13, tableBytes) + f.substr(pos + 10);
}

}  // namespace

TEST(GifImageMagick, DecodesOurFilesToOurPixels) {
  for (int bits : {1, 4, 8})
    for (DWORD w : {1u, 7u, 37u, 300u}) {
      SECDib src;
      Fill(src, bits, w, 11, w * 3 + bits);
      SECGif img;
      ASSERT_TRUE(img.CopyImage(src));
      const std::string path =
          pxtest::TestRoot() + "/ours" + std::to_string(bits) + "_" + std::to_string(w) + ".gif";
      ASSERT_TRUE(img.SaveImage(path.c_str()));
      EXPECT_TRUE(SameAsRgb(src, DecodeWithConvert(path))) << bits << " bits, width " << w;
    }

  // a reduced photo-like picture large enough for many table clears
  const std::string ppm = pxtest::TestRoot() + "/photo.ppm";
  const std::string bmp = pxtest::TestRoot() + "/photo.bmp";
  ASSERT_TRUE(pxtest::WriteFile(ppm, PhotoPpm(401, 233, 5)));
  ASSERT_EQ(pxtest::Run({kConvert, ppm, "-type", "TrueColor", "-compress", "none", "BMP3:" + bmp}),
            0);
  SECDib photo;
  ASSERT_TRUE(photo.LoadImage(bmp.c_str()));
  ASSERT_EQ(photo.m_nSrcBitsPerPixel, 24);
  ASSERT_TRUE(ReduceTo256Colors(photo));
  SECGif gif;
  ASSERT_TRUE(gif.CopyImage(photo));
  const std::string path = pxtest::TestRoot() + "/photo.gif";
  ASSERT_TRUE(gif.SaveImage(path.c_str()));
  EXPECT_TRUE(SameAsRgb(photo, DecodeWithConvert(path)));
}

TEST(GifImageMagick, ItsFilesReadHere) {
  struct Variant {
    std::string name;
    int w, h;
    std::vector<std::string> options;
    std::string prefix;  // output coder
  };
  const std::vector<Variant> variants = {
      {"c2", 37, 23, {"-colors", "2"}, "GIF:"},
      {"c5", 37, 23, {"-colors", "5"}, "GIF:"},
      {"c16", 64, 48, {"-colors", "16"}, "GIF:"},
      {"c256", 301, 207, {"-colors", "256"}, "GIF:"},
      {"c256i", 301, 207, {"-colors", "256", "-interlace", "GIF"}, "GIF:"},
      {"c16i", 13, 19, {"-colors", "16", "-interlace", "GIF"}, "GIF:"},
      {"c87", 37, 23, {"-colors", "40"}, "GIF87:"},
      {"c87i", 300, 7, {"-colors", "200", "-interlace", "GIF"}, "GIF87:"},
      {"one", 1, 1, {"-colors", "2"}, "GIF:"},
      {"tall", 1, 300, {"-colors", "100"}, "GIF:"},
  };
  for (const Variant& v : variants) {
    const std::string src = pxtest::TestRoot() + "/" + v.name + ".ppm";
    const std::string gif = pxtest::TestRoot() + "/" + v.name + ".gif";
    ASSERT_TRUE(pxtest::WriteFile(src, PhotoPpm(v.w, v.h, 17)));
    std::vector<std::string> argv = {kConvert, src};
    argv.insert(argv.end(), v.options.begin(), v.options.end());
    argv.push_back(v.prefix + gif);
    ASSERT_EQ(pxtest::Run(argv), 0) << v.name;
    const std::string rgb = DecodeWithConvert(gif);

    SECGif img;
    ASSERT_TRUE(img.LoadImage(gif.c_str())) << v.name;
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 8);
    EXPECT_TRUE(SameAsRgb(img, rgb)) << v.name;
    const std::string bytes = pxtest::ReadFile(gif);
    EXPECT_EQ(img.m_bInterlaced, v.name.back() == 'i') << v.name;
    EXPECT_EQ(bytes.substr(0, 6), v.prefix == "GIF87:" ? "GIF87a" : "GIF89a") << v.name;

    // its table moved into the image as a local one
    const std::string local = GlobalToLocal(bytes);
    ASSERT_FALSE(local.empty()) << v.name;
    const std::string localPath = pxtest::TestRoot() + "/" + v.name + "-local.gif";
    ASSERT_TRUE(pxtest::WriteFile(localPath, local));
    SECGif fromLocal;
    ASSERT_TRUE(fromLocal.LoadImage(localPath.c_str())) << v.name;
    EXPECT_TRUE(SameAsRgb(fromLocal, rgb)) << v.name << " with a local table";
    EXPECT_TRUE(SameAsRgb(fromLocal, DecodeWithConvert(localPath))) << v.name;
  }

  // an animation: the first frame is read, past the loop and frame blocks
  const std::string anim = pxtest::TestRoot() + "/anim.gif";
  const std::string a = pxtest::TestRoot() + "/a.ppm", b = pxtest::TestRoot() + "/b.ppm";
  ASSERT_TRUE(pxtest::WriteFile(a, PhotoPpm(40, 30, 1)));
  ASSERT_TRUE(pxtest::WriteFile(b, PhotoPpm(40, 30, 2)));
  ASSERT_EQ(pxtest::Run({kConvert, "-delay", "10", "-loop", "0", a, b, "-colors", "64", anim}), 0);
  SECGif first;
  ASSERT_TRUE(first.LoadImage(anim.c_str()));
  EXPECT_TRUE(SameAsRgb(first, DecodeWithConvert(anim + "[0]")));
}
