// TIFF adapter: the tags and pixels of our files as libtiff's tools and
// ImageMagick see them, files of other writers in every layout we read, and
// the cases we refuse.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/testutil.h"
#include "image/testimages.h"
#include "prentix/image/secdib.h"
#include "prentix/image/sectiff.h"

using namespace prentix;
using namespace imgtest;

namespace {

const char* kConvert = "/usr/bin/convert";

std::string Path(const std::string& name) { return pxtest::TestRoot() + "/" + name; }

// Output of a command run through the shell into a file.
std::string Capture(const std::string& command) {
  const std::string out = Path("capture.txt");
  if (pxtest::Run({"/bin/sh", "-c", command + " > '" + out + "' 2>&1"}) != 0) return {};
  return pxtest::ReadFile(out);
}

// ImageMagick's decoding of a file as 8-bit red, green, blue triples.
std::string DecodeWithConvert(const std::string& path,
                              const std::vector<std::string>& options = {}) {
  const std::string out = path + ".rgb";
  std::vector<std::string> argv = {kConvert, path};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), {"-depth", "8", "rgb:" + out});
  if (pxtest::Run(argv) != 0) return {};
  return pxtest::ReadFile(out);
}

::testing::AssertionResult SameAsRgb(const SECImageBase& img, const std::string& rgb,
                                     int tolerance = 0) {
  if (rgb.size() != size_t{img.m_dwWidth} * img.m_dwHeight * 3)
    return ::testing::AssertionFailure() << "rgb size " << rgb.size();
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (y * img.m_dwWidth + x) * 3;
      const uint32_t c = ColourAt(img, x, y);
      const int d[3] = {static_cast<int>(c >> 16) - p[0], static_cast<int>((c >> 8) & 0xFF) - p[1],
                        static_cast<int>(c & 0xFF) - p[2]};
      for (int v : d)
        if (std::abs(v) > tolerance)
          return ::testing::AssertionFailure()
                 << "pixel " << x << "," << y << std::hex << ": " << c << " vs "
                 << (uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
    }
  return ::testing::AssertionSuccess();
}

// A small TIFF made with libtiff directly: one strip of `rows` (top row
// first), and whatever tags `extra` sets.
template <typename Extra>
bool MakeTiff(const std::string& path, uint32_t w, uint32_t h, uint16_t bps, uint16_t spp,
              uint16_t photometric, const std::vector<uint8_t>& rows, Extra extra) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bps);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
  extra(t);
  bool ok = TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t*>(rows.data()),
                                  static_cast<tmsize_t>(rows.size())) >= 0;
  TIFFClose(t);
  return ok;
}

// A picture of random colours as a PPM file.
std::string WriteNoisePpm(const std::string& name, DWORD w, DWORD h, uint32_t seed) {
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  uint32_t state = seed;
  for (DWORD i = 0; i < w * h * 3; ++i) {
    state = state * 1103515245u + 12345u;
    ppm += static_cast<char>(state >> 16);
  }
  const std::string path = Path(name);
  pxtest::WriteFile(path, ppm);
  return path;
}

}  // namespace

TEST(Tiff, WrittenFilesHaveTheListedTagsAndPixels) {
  // 24 bits: uncompressed RGB, one strip, orientation 1
  SECTiff rgb;
  Fill(rgb, 24, 37, 11, 4);
  SECDib before;
  ASSERT_TRUE(before.CopyImage(rgb));
  const std::string file24 = Path("ours24.tif");
  ASSERT_TRUE(rgb.SaveImage(file24.c_str()));
  EXPECT_TRUE(SamePixels(rgb, before));  // the picture is untouched
  const std::string info = Capture("tiffinfo '" + file24 + "'");
  EXPECT_NE(info.find("Image Width: 37 Image Length: 11"), std::string::npos) << info;
  EXPECT_NE(info.find("Bits/Sample: 8"), std::string::npos) << info;
  EXPECT_NE(info.find("Compression Scheme: None"), std::string::npos) << info;
  EXPECT_NE(info.find("Photometric Interpretation: RGB color"), std::string::npos) << info;
  EXPECT_NE(info.find("Orientation: row 0 top, col 0 lhs"), std::string::npos) << info;
  EXPECT_NE(info.find("Samples/Pixel: 3"), std::string::npos) << info;
  EXPECT_NE(info.find("Rows/Strip: 11"), std::string::npos) << info;
  EXPECT_NE(info.find("Planar Configuration: single image plane"), std::string::npos) << info;
  // one directory, one strip of exactly the picture's bytes
  const std::string dump = Capture("tiffdump '" + file24 + "'");
  EXPECT_NE(dump.find("StripByteCounts (279) LONG (4) 1<1221>"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("Directory 1"), std::string::npos) << dump;
  EXPECT_TRUE(SameAsRgb(rgb, DecodeWithConvert(file24)));

  // 8 bits: palette with the table scaled to 16 bits, unused entries zero
  SECTiff pal;
  Fill(pal, 8, 9, 7, 2);
  pal.m_wColors = 200;
  const std::string file8 = Path("ours8.tif");
  ASSERT_TRUE(pal.SaveImage(file8.c_str()));
  TIFF* t = TIFFOpen(file8.c_str(), "r");
  ASSERT_NE(t, nullptr);
  uint16_t *r, *g, *b, photometric = 0, bps = 0, compression = 0;
  ASSERT_TRUE(TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b));
  for (unsigned i = 0; i < 256; ++i) {
    const RGBQUAD c = i < 200 ? pal.m_pColorTable[i] : RGBQUAD{0, 0, 0, 0};
    ASSERT_EQ(r[i], c.rgbRed * 257) << i;
    ASSERT_EQ(g[i], c.rgbGreen * 257) << i;
    ASSERT_EQ(b[i], c.rgbBlue * 257) << i;
  }
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
  EXPECT_EQ(photometric, PHOTOMETRIC_PALETTE);
  EXPECT_EQ(bps, 8);
  EXPECT_EQ(compression, COMPRESSION_NONE);
  EXPECT_EQ(TIFFNumberOfStrips(t), 1u);
  TIFFClose(t);
  pal.m_wColors = 256;  // ImageMagick shows every index with its entry
  for (unsigned i = 200; i < 256; ++i) pal.m_pColorTable[i] = RGBQUAD{0, 0, 0, 0};
  EXPECT_TRUE(SameAsRgb(pal, DecodeWithConvert(file8)));

  // 1 bit: min-is-white exactly when entry 0 is the light one; the picture
  // never comes out inverted
  for (bool zeroWhite : {true, false}) {
    SECTiff bw;
    Fill(bw, 1, 21, 5, 7);
    bw.m_pColorTable[0] = zeroWhite ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{0, 0, 0, 0};
    bw.m_pColorTable[1] = zeroWhite ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};
    const std::string file1 = Path(zeroWhite ? "white0.tif" : "black0.tif");
    ASSERT_TRUE(bw.SaveImage(file1.c_str()));
    const std::string i1 = Capture("tiffinfo '" + file1 + "'");
    EXPECT_NE(i1.find(zeroWhite ? "min-is-white" : "min-is-black"), std::string::npos) << i1;
    EXPECT_NE(i1.find("Bits/Sample: 1"), std::string::npos) << i1;
    EXPECT_TRUE(SameAsRgb(bw, DecodeWithConvert(file1))) << zeroWhite;
    SECTiff back;
    ASSERT_TRUE(back.LoadImage(file1.c_str()));
    EXPECT_EQ(back.m_nSrcBitsPerPixel, 1);
    EXPECT_TRUE(SameAsRgb(back, DecodeWithConvert(file1)));
  }

  // 4 bits go out as an 8-bit palette file of the same colours
  SECTiff four;
  Fill(four, 4, 13, 6, 8);
  const std::string file4 = Path("ours4.tif");
  ASSERT_TRUE(four.SaveImage(file4.c_str()));
  EXPECT_NE(Capture("tiffinfo '" + file4 + "'").find("Bits/Sample: 8"), std::string::npos);
  SECTiff fourBack;
  ASSERT_TRUE(fourBack.LoadImage(file4.c_str()));
  EXPECT_EQ(fourBack.m_nSrcBitsPerPixel, 8);
  for (DWORD y = 0; y < 6; ++y)
    for (DWORD x = 0; x < 13; ++x) ASSERT_EQ(ColourAt(fourBack, x, y), ColourAt(four, x, y));

  // our own files load back to the same picture
  for (int bits : {1, 8, 24}) {
    SECTiff img;
    Fill(img, bits, 33, 9, static_cast<uint32_t>(bits));
    if (bits == 1) {
      img.m_pColorTable[0] = RGBQUAD{0, 0, 0, 0};
      img.m_pColorTable[1] = RGBQUAD{255, 255, 255, 0};
    }
    const std::string file = Path("rt" + std::to_string(bits) + ".tif");
    ASSERT_TRUE(img.SaveImage(file.c_str()));
    SECTiff back;
    ASSERT_TRUE(back.LoadImage(file.c_str()));
    EXPECT_TRUE(SamePixels(back, img)) << bits;
    if (bits == 8) {
      EXPECT_EQ(0, std::memcmp(back.m_pColorTable, img.m_pColorTable, 1024));
    }
    EXPECT_EQ(back.Header()->biBitCount, bits);
    EXPECT_EQ(back.Header()->biSizeImage, back.PaddedRowLength() * 9);
  }

  // nothing to save, a depth we do not write, a place we cannot write
  SECTiff empty;
  EXPECT_FALSE(empty.SaveImage(Path("empty.tif").c_str()));
  SECTiff sixteen;
  Fill(sixteen, 16, 4, 4);
  EXPECT_FALSE(sixteen.SaveImage(Path("sixteen.tif").c_str()));
  EXPECT_FALSE(rgb.SaveImage(Path("no/such/dir.tif").c_str()));
  CMemFile mem;
  EXPECT_FALSE(rgb.SaveImage(&mem));
  EXPECT_FALSE(rgb.LoadImage(&mem));
}

TEST(Tiff, FilesOfOtherWritersDecodeAsImageMagickSeesThem) {
  const std::string src = WriteNoisePpm("src.ppm", 45, 29, 17);
  struct Variant {
    std::string name;
    std::vector<std::string> options;
    int bits;
    int tolerance;
  };
  const std::vector<Variant> variants = {
      {"plain", {"-type", "TrueColor", "-compress", "none"}, 24, 0},
      {"lzw", {"-type", "TrueColor", "-compress", "lzw"}, 24, 0},
      {"deflate", {"-type", "TrueColor", "-compress", "zip"}, 24, 0},
      {"packbits", {"-type", "TrueColor", "-compress", "rle"}, 24, 0},
      {"planar", {"-type", "TrueColor", "-interlace", "plane"}, 24, 0},
      {"tiled", {"-type", "TrueColor", "-define", "tiff:tile-geometry=16x16"}, 24, 0},
      {"alpha", {"-type", "TrueColorAlpha", "-compress", "lzw"}, 24, 0},
      {"rgb16", {"-type", "TrueColor", "-depth", "16"}, 24, 1},
      {"palette", {"-colors", "200", "-type", "Palette", "-compress", "lzw"}, 8, 0},
      {"palette4", {"-colors", "16", "-type", "Palette", "-depth", "4"}, 8, 0},
      {"grey", {"-colorspace", "Gray", "-compress", "zip"}, 8, 0},
      {"grey4", {"-colorspace", "Gray", "-depth", "4"}, 8, 0},
      {"miniswhite", {"-colorspace", "Gray", "-define", "tiff:photometric=min-is-white"}, 8, 0},
      {"bilevel", {"-type", "Bilevel", "-depth", "1"}, 1, 0},
      {"bilevelg4", {"-type", "Bilevel", "-compress", "group4"}, 1, 0},
      {"ycbcr", {"-type", "TrueColor", "-compress", "jpeg", "-quality", "90"}, 24, 2},
  };
  for (const Variant& v : variants) {
    const std::string tif = Path(v.name + ".tif");
    std::vector<std::string> argv = {kConvert, src};
    argv.insert(argv.end(), v.options.begin(), v.options.end());
    argv.push_back(tif);
    ASSERT_EQ(pxtest::Run(argv), 0) << v.name;
    SECTiff img;
    ASSERT_TRUE(img.LoadImage(tif.c_str())) << v.name;
    EXPECT_EQ(img.m_nSrcBitsPerPixel, v.bits) << v.name;
    EXPECT_EQ(img.m_dwWidth, 45u);
    EXPECT_EQ(img.m_dwHeight, 29u);
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(tif, {"-alpha", "off"}), v.tolerance)) << v.name;
  }

  // libtiff's own copier: tiles and separate planes of a compressed file
  ASSERT_EQ(
      pxtest::Run({kConvert, src, "-type", "TrueColor", "-compress", "none", Path("base.tif")}), 0);
  const std::vector<std::vector<std::string>> copies = {
      {"-c", "lzw", "-t", "-w", "32", "-l", "16", "-p", "separate"},
      {"-c", "zip", "-r", "5"},
      {"-c", "packbits", "-p", "separate", "-r", "3"},
  };
  for (size_t i = 0; i < copies.size(); ++i) {
    const std::string out = Path("copy" + std::to_string(i) + ".tif");
    std::vector<std::string> argv = {"/usr/bin/tiffcp"};
    argv.insert(argv.end(), copies[i].begin(), copies[i].end());
    argv.insert(argv.end(), {Path("base.tif"), out});
    ASSERT_EQ(pxtest::Run(argv), 0) << i;
    SECTiff img;
    ASSERT_TRUE(img.LoadImage(out.c_str())) << i;
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(Path("base.tif")))) << i;
  }

  // orientation: a file whose rows start at the bottom shows upside down
  SECTiff ours;
  Fill(ours, 24, 8, 5, 3);
  ASSERT_TRUE(ours.SaveImage(Path("orient.tif").c_str()));
  ASSERT_EQ(pxtest::Run({"/usr/bin/tiffset", "-s", "274", "4", Path("orient.tif")}), 0);
  SECTiff flipped;
  ASSERT_TRUE(flipped.LoadImage(Path("orient.tif").c_str()));
  EXPECT_EQ(flipped.m_wOrientation, 4);
  for (DWORD y = 0; y < 5; ++y)
    for (DWORD x = 0; x < 8; ++x) ASSERT_EQ(ColourAt(flipped, x, y), ColourAt(ours, x, 4 - y));
  EXPECT_TRUE(SameAsRgb(flipped, DecodeWithConvert(Path("orient.tif"), {"-auto-orient"})));
}

TEST(Tiff, SampleMapsAndColourMaps) {
  auto none = [](TIFF*) {};
  // a palette whose map holds 8-bit values is taken as it is; one with 16-bit
  // values is scaled down
  for (bool wide : {false, true}) {
    const std::string file = Path(wide ? "wide.tif" : "narrow.tif");
    uint16_t r[256] = {}, g[256] = {}, b[256] = {};
    for (unsigned i = 0; i < 256; ++i) {
      r[i] = static_cast<uint16_t>(wide ? i * 257 : i);
      g[i] = static_cast<uint16_t>(wide ? (255 - i) * 257 : 255 - i);
      b[i] = static_cast<uint16_t>(wide ? 0x8080 : 0x80);
    }
    std::vector<uint8_t> rows = {0, 1, 254, 255};
    ASSERT_TRUE(MakeTiff(file, 4, 1, 8, 1, PHOTOMETRIC_PALETTE, rows,
                         [&](TIFF* t) { TIFFSetField(t, TIFFTAG_COLORMAP, r, g, b); }));
    SECTiff img;
    ASSERT_TRUE(img.LoadImage(file.c_str())) << wide;
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 8);
    EXPECT_EQ(img.m_wColors, 256);
    EXPECT_EQ(ColourAt(img, 0, 0), 0x00FF80u);
    EXPECT_EQ(ColourAt(img, 1, 0), 0x01FE80u);
    EXPECT_EQ(ColourAt(img, 3, 0), 0xFF0080u);
    EXPECT_EQ(img.m_pPalette->palPalEntry.size(), 256u);
  }
  // a palette file without its map fails (libtiff itself takes 8-bit ones
  // as grey)
  ASSERT_TRUE(MakeTiff(Path("nomap.tif"), 2, 1, 4, 1, PHOTOMETRIC_PALETTE, {0x01}, none));
  SECTiff nomap;
  EXPECT_FALSE(nomap.LoadImage(Path("nomap.tif").c_str()));

  // 2-bit grey becomes 8 bits with the four levels; min-is-white reverses them
  for (uint16_t photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
    ASSERT_TRUE(MakeTiff(Path("grey2.tif"), 4, 1, 2, 1, photometric, {0x1B}, none));  // 0 1 2 3
    SECTiff img;
    ASSERT_TRUE(img.LoadImage(Path("grey2.tif").c_str()));
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 8);
    EXPECT_EQ(img.m_wColors, 4);
    const uint32_t levels[4] = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
    for (DWORD x = 0; x < 4; ++x)
      EXPECT_EQ(ColourAt(img, x, 0), levels[photometric == PHOTOMETRIC_MINISBLACK ? x : 3 - x])
          << x;
  }
  // sample range from tags 280 and 281: levels i * 255 / (max - min)
  ASSERT_TRUE(MakeTiff(Path("range.tif"), 4, 1, 8, 1, PHOTOMETRIC_MINISBLACK, {10, 11, 12, 200},
                       [](TIFF* t) {
                         TIFFSetField(t, TIFFTAG_MINSAMPLEVALUE, uint16_t{10});
                         TIFFSetField(t, TIFFTAG_MAXSAMPLEVALUE, uint16_t{13});
                       }));
  SECTiff range;
  ASSERT_TRUE(range.LoadImage(Path("range.tif").c_str()));
  EXPECT_EQ(range.m_wColors, 4);
  EXPECT_EQ(ColourAt(range, 0, 0), 0x000000u);
  EXPECT_EQ(ColourAt(range, 1, 0), 0x555555u);
  EXPECT_EQ(ColourAt(range, 2, 0), 0xAAAAAAu);
  EXPECT_EQ(ColourAt(range, 3, 0), 0xFFFFFFu);  // above the maximum: clamped

  // deep grey scaled to 8 bits, grey with alpha over its stored grey
  ASSERT_TRUE(
      MakeTiff(Path("grey16.tif"), 2, 1, 16, 1, PHOTOMETRIC_MINISBLACK, {0, 0, 255, 255}, none));
  ASSERT_TRUE(
      MakeTiff(Path("ga.tif"), 2, 1, 8, 2, PHOTOMETRIC_MINISBLACK, {0, 255, 9, 0}, [](TIFF* t) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
      }));
  ASSERT_TRUE(MakeTiff(Path("sep.tif"), 1, 1, 8, 3, PHOTOMETRIC_SEPARATED, {1, 2, 3}, none));
  for (auto [name, first, second] : {std::tuple{"grey16.tif", 0x000000u, 0xFFFFFFu},
                                     std::tuple{"ga.tif", 0x000000u, 0x090909u}}) {
    SECTiff img;
    ASSERT_TRUE(img.LoadImage(Path(name).c_str())) << name;
    EXPECT_EQ(img.m_nSrcBitsPerPixel, 8) << name;
    EXPECT_EQ(ColourAt(img, 0, 0), first) << name;
    EXPECT_EQ(ColourAt(img, 1, 0), second) << name;
  }
  // refused: three inks, which neither path knows
  SECTiff sep;
  EXPECT_FALSE(sep.LoadImage(Path("sep.tif").c_str()));
  EXPECT_FALSE(sep.HasPicture());
}

TEST(Tiff, BrokenFilesFailCleanly) {
  SECTiff img;
  Fill(img, 24, 64, 64, 5);
  const std::string file = Path("good.tif");
  ASSERT_TRUE(img.SaveImage(file.c_str()));
  const std::string bytes = pxtest::ReadFile(file);

  const std::vector<std::string> broken = {
      "",
      "II*\0",
      std::string("II*\0\x08\0\0\0", 8),
      bytes.substr(0, bytes.size() / 2),
      bytes.substr(0, 200),
      "not a tiff at all",
  };
  for (size_t i = 0; i < broken.size(); ++i) {
    const std::string path = Path("broken" + std::to_string(i) + ".tif");
    ASSERT_TRUE(pxtest::WriteFile(path, broken[i]));
    SECTiff t;
    EXPECT_FALSE(t.LoadImage(path.c_str())) << i;
    EXPECT_FALSE(t.HasPicture()) << i;
  }
  SECTiff missing;
  EXPECT_FALSE(missing.LoadImage(Path("does-not-exist.tif").c_str()));
  EXPECT_FALSE(missing.LoadImage(static_cast<const char*>(nullptr)));
}

TEST(Tiff, EveryOrientationAndTheLayoutsOfOtherWriters) {
  const std::string src = WriteNoisePpm("var.ppm", 13, 7, 21);
  auto ConvertWith = [&](const std::string& in, std::vector<std::string> options,
                         const std::string& out) {
    options.insert(options.begin(), {kConvert, in});
    options.push_back(out);
    return pxtest::Run(options) == 0;
  };
  // the orientation tag set by tiffset on files of three depths
  for (const char* depth : {"24", "8", "1"}) {
    const std::string base = Path(std::string("orient") + depth + ".tif");
    const std::vector<std::string> type =
        depth[0] == '2'   ? std::vector<std::string>{"-type", "TrueColor"}
        : depth[0] == '8' ? std::vector<std::string>{"-colors", "50", "-type", "Palette"}
                          : std::vector<std::string>{"-monochrome"};
    ASSERT_TRUE(ConvertWith(src, type, base));
    for (int orientation = 1; orientation <= 8; ++orientation) {
      const std::string file = Path("o" + std::to_string(orientation) + "_" + depth + ".tif");
      pxtest::WriteFile(file, pxtest::ReadFile(base));
      ASSERT_EQ(pxtest::Run({"tiffset", "-s", "274", std::to_string(orientation), file}), 0);
      SECTiff img;
      ASSERT_TRUE(img.LoadImage(file.c_str())) << file;
      EXPECT_EQ(img.m_dwWidth, orientation >= 5 ? 7u : 13u) << file;
      EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(file, {"-auto-orient"}))) << file;
    }
  }

  struct Case {
    const char* name;
    std::vector<std::string> options;
    int tolerance;
  };
  const std::vector<Case> cases = {
      {"rgb16", {"-depth", "16"}, 1},
      {"rgb16_separate", {"-depth", "16", "-interlace", "plane"}, 1},
      {"grey16", {"-colorspace", "Gray", "-depth", "16"}, 1},
      {"grey4", {"-colorspace", "Gray", "-depth", "4"}, 0},
      {"grey2", {"-colorspace", "Gray", "-depth", "2"}, 0},
      {"grey_alpha", {"-colorspace", "Gray", "-alpha", "set", "-channel", "A", "-fx", "i/w"}, 0},
      {"rgba_tiled",
       {"-alpha", "set", "-channel", "A", "-fx", "j/h", "-define", "tiff:tile-geometry=16x16"},
       0},
      {"palette_alpha", {"-colors", "30", "-alpha", "set", "-type", "PaletteAlpha"}, 0},
      {"cmyk", {"-colorspace", "CMYK"}, 2},
      {"cmyk16", {"-colorspace", "CMYK", "-depth", "16"}, 2},
      // libtiff's Lab conversion has its own display model (a few levels apart)
      // and clips out-of-gamut colours its own way: kept to tamer colours
      {"lab", {"+level", "25%,75%", "-colorspace", "Lab"}, 8},
      {"ycbcr_jpeg", {"-compress", "JPEG", "-quality", "95", "-sampling-factor", "2x2"}, 3},
      {"ycbcr_jpeg_4x1", {"-compress", "JPEG", "-quality", "95", "-sampling-factor", "4x1"}, 3},
  };
  for (const Case& c : cases) {
    const std::string file = Path(std::string(c.name) + ".tif");
    ASSERT_TRUE(ConvertWith(src, c.options, file)) << c.name;
    SECTiff img;
    ASSERT_TRUE(img.LoadImage(file.c_str())) << c.name;
    EXPECT_TRUE(SameAsRgb(img, DecodeWithConvert(file, {"-alpha", "off"}), c.tolerance)) << c.name;
  }

  // 12-bit grey, which ImageMagick does not write: samples 0, 0x800, 0xFFF
  ASSERT_TRUE(MakeTiff(Path("grey12.tif"), 3, 1, 12, 1, PHOTOMETRIC_MINISBLACK,
                       {0x00, 0x08, 0x00, 0xFF, 0xF0}, [](TIFF*) {}));
  SECTiff twelve;
  ASSERT_TRUE(twelve.LoadImage(Path("grey12.tif").c_str()));
  EXPECT_EQ(ColourAt(twelve, 0, 0), 0x000000u);
  EXPECT_EQ(ColourAt(twelve, 1, 0), 0x7F7F7Fu);
  EXPECT_EQ(ColourAt(twelve, 2, 0), 0xFFFFFFu);
}
