#include "prentix/image/document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>

#include "common/testutil.h"
#include "image/testimages.h"

using namespace prentix;

namespace {

using Rgb = std::array<int, 3>;

// Only the corners of the colour cube: they survive the reduction to 256
// colours exactly, so every lossless path can be compared pixel for pixel.
Rgb Corner(int x, int y) {
  int c = (x / 5 + y / 4) % 8;
  return {(c & 1) ? 255 : 0, (c & 2) ? 255 : 0, (c & 4) ? 255 : 0};
}

std::unique_ptr<SECDib> TestPicture(int w = 37, int h = 23) {
  DeviceBitmap bm;
  bm.width = w;
  bm.height = h;
  bm.bitsPerPixel = 24;
  bm.stride = static_cast<size_t>(w) * 3;
  bm.bits.resize(bm.stride * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgb c = Corner(x, y);
      BYTE* p = bm.Row(y) + x * 3;
      p[0] = static_cast<BYTE>(c[2]);
      p[1] = static_cast<BYTE>(c[1]);
      p[2] = static_cast<BYTE>(c[0]);
    }
  auto dib = std::make_unique<SECDib>();
  EXPECT_TRUE(dib->CreateFromBitmap(bm));
  return dib;
}

// Largest channel difference against the test picture, or with `mean` the
// average one: JPEG smears the sharp block edges of this small picture (an
// encoder at quality 75 loses 27.6 on average here), so only that is bounded.
double Distance(const SECImageBase& img, bool mean = false) {
  double worst = 0, sum = 0;
  for (int y = 0; y < static_cast<int>(img.m_dwHeight); ++y)
    for (int x = 0; x < static_cast<int>(img.m_dwWidth); ++x) {
      const uint32_t have = imgtest::ColourAt(img, x, y);
      Rgb a = {int(have >> 16 & 0xFF), int(have >> 8 & 0xFF), int(have & 0xFF)}, b = Corner(x, y);
      for (int i = 0; i < 3; ++i) {
        worst = std::max(worst, static_cast<double>(std::abs(a[i] - b[i])));
        sum += std::abs(a[i] - b[i]);
      }
    }
  return mean ? sum / (3.0 * img.m_dwWidth * img.m_dwHeight) : worst;
}

std::string Dir() { return pxtest::TestRoot() + "/tmp"; }

}  // namespace

TEST(Document, FormatIsFoundAnywhereInTheUpperCasedPathInTableOrder) {
  EXPECT_EQ(FormatForPath("shot.pxi"), ImageFormat::kDib);
  EXPECT_EQ(FormatForPath("My.gif.pxi"), ImageFormat::kGif);
  EXPECT_EQ(FormatForPath("/a.tif/b.GIF"), ImageFormat::kGif);  // GIF is asked first
  EXPECT_EQ(FormatForPath("x.TIFF"), ImageFormat::kTiff);
  EXPECT_EQ(FormatForPath("x.jpeg"), ImageFormat::kDib);  // ".JPG" does not occur
  EXPECT_EQ(FormatForPath("c:\\pics.pcx\\x.bmp"), ImageFormat::kPcx);
  EXPECT_EQ(FormatForPath("x.Tga"), ImageFormat::kTarga);
  EXPECT_EQ(FormatForPath("x.dib"), ImageFormat::kDib);
  EXPECT_EQ(FormatForPath("shot.Png"), ImageFormat::kPng);
  EXPECT_EQ(FormatForPath("a.png.tga"), ImageFormat::kTarga);  // PNG is asked last
}

TEST(Document, SavesKeepOrReduceDepthAndNeverChangeThePicture) {
  auto pic = TestPicture();
  const std::vector<BYTE> before(pic->Row(0), pic->Row(0) + pic->RowStride() * pic->m_dwHeight);
  struct Case {
    const char* name;
    int bits;
  };
  for (Case c : {Case{"a.jpg", 24}, Case{"a.tif", 24}, Case{"a.gif", 8}, Case{"a.pcx", 8},
                 Case{"a.tga", 24}, Case{"a.png", 24}, Case{"a.pxi", 24}, Case{"My.gif.pxi", 8}}) {
    std::string path = Dir() + "/" + c.name;
    ASSERT_TRUE(SaveImageDocument(*pic, path)) << c.name;
    EXPECT_EQ(std::vector<BYTE>(pic->Row(0), pic->Row(0) + before.size()), before) << c.name;
    ASSERT_TRUE(OpenImageDocument(path)) << c.name;
    ASSERT_NE(CurrentImage(), nullptr);
    EXPECT_EQ(CurrentImage()->m_nSrcBitsPerPixel, c.bits) << c.name;
    if (c.bits == 8) {
      // a table of 256 entries, given or implied by 0
      uint32_t used = CurrentImage()->Header()->biClrUsed;
      EXPECT_EQ(used ? used : 256u, 256u) << c.name;
    }
    EXPECT_EQ(CurrentImage()->m_dwWidth, 37u);
    if (c.name[2] == 'j')
      EXPECT_LE(Distance(*CurrentImage(), true), 35.0) << c.name;
    else
      EXPECT_EQ(Distance(*CurrentImage()), 0.0) << c.name;
  }
  // no temporary file is left behind
  for (const auto& e : std::filesystem::directory_iterator(Dir()))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  ClearCurrent();
}

TEST(Document, FailedSavesLeaveExistingFilesAlone) {
  auto pic = TestPicture();
  const std::string keep = Dir() + "/keep.gif";
  pxtest::WriteFile(keep, "precious");
  SECDib empty;  // no picture: every writer refuses it
  std::string reason;
  EXPECT_FALSE(SaveImageDocument(empty, keep, &reason));
  EXPECT_FALSE(SaveImageDocument(empty, Dir() + "/keep.pxi"));
  EXPECT_EQ(pxtest::ReadFile(keep), "precious");
  EXPECT_FALSE(std::filesystem::exists(Dir() + "/keep.pxi"));

  // a read-only file is not replaced, even where the directory would allow it
  const std::string ro = Dir() + "/ro.pxi";
  pxtest::WriteFile(ro, "read only");
  chmod(ro.c_str(), 0444);
  EXPECT_FALSE(SaveImageDocument(*pic, ro, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(pxtest::ReadFile(ro), "read only");
  // nor is a missing directory created
  EXPECT_FALSE(SaveImageDocument(*pic, Dir() + "/no/such/dir/x.pxi"));
  // an existing writable file is replaced whole, keeping its mode
  const std::string rw = Dir() + "/rw.tga";
  pxtest::WriteFile(rw, "old");
  chmod(rw.c_str(), 0640);
  ASSERT_TRUE(SaveImageDocument(*pic, rw));
  struct stat st;
  ASSERT_EQ(stat(rw.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_GT(st.st_size, 18 + 37 * 23 * 3 - 1);
}

TEST(Document, UnreadableFilesLeaveThePictureShown) {
  SetCurrentImage(TestPicture());
  EXPECT_NE(CurrentImage(), nullptr);
  pxtest::WriteFile(Dir() + "/bad.gif", "GIF89a but not really");
  pxtest::WriteFile(Dir() + "/bad.pxi", "BM");
  for (const char* name : {"bad.gif", "bad.pxi", "missing.jpg"}) {
    std::string reason;
    SetCurrentImage(TestPicture());
    const SECDib* shown = CurrentImage();
    EXPECT_FALSE(OpenImageDocument(Dir() + "/" + name, &reason)) << name;
    EXPECT_EQ(CurrentImage(), shown) << name;
    EXPECT_FALSE(reason.empty()) << name;
  }
  // text and picture exclude each other
  SetCurrentImage(TestPicture());
  SetCurrentText("hello");
  EXPECT_EQ(CurrentImage(), nullptr);
  SetCurrentImage(TestPicture());
  EXPECT_EQ(CurrentText(), nullptr);
  ClearCurrent();
}

TEST(Pxconvert, EveryPairOfFormatsRoundTrips) {
  auto pic = TestPicture();
  const std::string dir = Dir();
  ASSERT_TRUE(SaveImageDocument(*pic, dir + "/in.bmp"));
  const std::string tool = pxtest::BuiltProgram("pxconvert");
  const char* formats[] = {"bmp", "dib", "pxi", "gif", "tif", "jpg", "pcx", "tga"};
  for (const char* a : formats)
    for (const char* b : formats) {
      std::string x = dir + "/x." + a, y = dir + "/y." + b, z = dir + "/z.bmp";
      ASSERT_EQ(pxtest::Run({tool, dir + "/in.bmp", x}), 0) << a;
      ASSERT_EQ(pxtest::Run({tool, x, y}), 0) << a << "->" << b;
      ASSERT_EQ(pxtest::Run({tool, y, z}), 0) << b;
      ASSERT_TRUE(OpenImageDocument(z));
      bool lossy = std::string(a) == "jpg" || std::string(b) == "jpg";
      if (lossy)
        EXPECT_LE(Distance(*CurrentImage(), true), 45.0)
            << a << "->" << b;  // twice through JPEG: 39.7
      else
        EXPECT_EQ(Distance(*CurrentImage()), 0.0) << a << "->" << b;
    }
  ClearCurrent();
}

TEST(Pxconvert, FailuresBatchesAndHelp) {
  const std::string tool = pxtest::BuiltProgram("pxconvert");
  const std::string dir = Dir();
  EXPECT_EQ(pxtest::Run({tool, "--help"}), 0);
  EXPECT_EQ(pxtest::Run({tool, dir + "/missing.gif", dir + "/out.bmp"}), 1);
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.bmp"));
  EXPECT_EQ(pxtest::Run({tool, "only-one"}), 2);
  EXPECT_EQ(pxtest::Run({tool, "--bogus", "a", "b"}), 2);

  auto pic = TestPicture();
  ASSERT_TRUE(SaveImageDocument(*pic, dir + "/one.bmp"));
  ASSERT_TRUE(SaveImageDocument(*pic, dir + "/two.tga"));
  std::filesystem::create_directories(dir + "/out");
  EXPECT_EQ(
      pxtest::Run({tool, "-o", dir + "/out", "--to", "gif", dir + "/one.bmp", dir + "/two.tga"}),
      0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/out/one.gif"));
  EXPECT_TRUE(std::filesystem::exists(dir + "/out/two.gif"));
  // one bad input: the others are still converted, the status says it failed
  EXPECT_EQ(pxtest::Run(
                {tool, "-o", dir + "/out", "--to", "pcx", dir + "/one.bmp", dir + "/nothing.bmp"}),
            1);
  EXPECT_TRUE(std::filesystem::exists(dir + "/out/one.pcx"));
  EXPECT_EQ(pxtest::Run({tool, "-o", dir + "/out", "--to", "png", dir + "/one.bmp"}), 0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/out/one.png"));
  EXPECT_EQ(pxtest::Run({tool, "-o", dir + "/out", "--to", "webp", dir + "/one.bmp"}), 2);
  // two inputs, one output name: the second does not overwrite the first
  const std::string first = pxtest::ReadFile(dir + "/out/one.png");
  ASSERT_TRUE(pic->FlipVertical());
  ASSERT_TRUE(SaveImageDocument(*pic, dir + "/one.tga"));
  EXPECT_EQ(
      pxtest::Run({tool, "-o", dir + "/out", "--to", "png", dir + "/one.bmp", dir + "/one.tga"}),
      1);
  EXPECT_EQ(pxtest::ReadFile(dir + "/out/one.png"), first);
}
