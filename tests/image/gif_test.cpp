// GIF files: exact bytes of small files, the code stream of larger ones,
// round trips, the reader's variants (versions, tables, extensions,
// interlace, code sizes) and malformed or truncated input.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "image/testimages.h"
#include "prentix/image/secgif.h"

using namespace prentix;
using namespace imgtest;

namespace {

std::string Save(SECImageBase& img) {
  CMemFile f;
  if (!img.SaveImage(&f)) return {};
  return std::string(f.Data().begin(), f.Data().end());
}

bool Load(SECGif& img, const std::string& bytes) {
  CMemFile f(bytes.data(), bytes.size());
  return img.LoadImage(&f);
}

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

std::string Le16(int v) { return Bytes({v & 255, v >> 8 & 255}); }

// Data sub-blocks of up to 255 bytes and the terminator.
std::string Blocks(const std::string& data) {
  std::string out;
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    out += static_cast<char>(n);
    out += data.substr(i, n);
  }
  return out + '\0';
}

// A plain LZW encoder for the reader tests: any code size, and optionally
// without the clear when the table is full (the decoder must then go on
// with the full table).
std::string RefLzw(const std::vector<int>& px, int codeSize, bool clearWhenFull = true) {
  const int clear = 1 << codeSize, end = clear + 1;
  int width = codeSize + 1, next = clear + 2;
  std::map<std::pair<int, int>, int> dict;
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  auto emit = [&](int code) {
    acc |= uint32_t(code) << bits;
    bits += width;
    while (bits >= 8) {
      out += static_cast<char>(acc & 255);
      acc >>= 8;
      bits -= 8;
    }
  };
  emit(clear);
  int w = px[0];
  for (size_t i = 1; i < px.size(); ++i) {
    const int c = px[i];
    auto it = dict.find({w, c});
    if (it != dict.end()) {
      w = it->second;
      continue;
    }
    emit(w);
    if (next >= (1 << width) && width < 12) ++width;
    if (next < 4096) {
      dict[{w, c}] = next++;
    } else if (clearWhenFull) {
      emit(clear);
      dict.clear();
      next = clear + 2;
      width = codeSize + 1;
    }
    w = c;
  }
  emit(w);
  if (next >= (1 << width) && width < 12) ++width;
  emit(end);
  if (bits) out += static_cast<char>(acc & 255);
  return Blocks(out);
}

struct GifParts {
  std::string version = "89a";
  int screenW = 0, screenH = 0;
  int screenFlags = 0;
  std::string globalTable;
  std::string beforeImage;  // extensions
  int w = 0, h = 0;
  int imageFlags = 0;
  std::string localTable;
  int codeSize = 8;
  std::string data;  // sub-blocks with terminator
  std::string Build() const {
    return "GIF" + version + Le16(screenW) + Le16(screenH) + Bytes({screenFlags, 0, 0}) +
           globalTable + beforeImage + Bytes({0x2C, 0, 0, 0, 0}) + Le16(w) + Le16(h) +
           Bytes({imageFlags}) + localTable + Bytes({codeSize}) + data + Bytes({0x3B});
  }
};

std::string GreyTable(int entries, int step) {
  std::string t;
  for (int i = 0; i < entries; ++i) t += Bytes({i * step & 255, i * step & 255, 255 - i});
  return t;
}

// An 8-bit image of w x h with the given pixels (top row first) and a table
// of `colors` entries.
void Make8(SECImageBase& img, DWORD w, DWORD h, const std::vector<int>& px, int colors = 256) {
  Fill(img, 8, w, h);
  img.m_wColors = static_cast<WORD>(colors);
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x) img.Row(h - 1 - y)[x] = static_cast<BYTE>(px[y * w + x]);
}

std::vector<int> Random(size_t n, int range, uint32_t seed) {
  std::vector<int> v(n);
  for (auto& p : v) p = static_cast<int>(((seed = seed * 1103515245u + 12345u) >> 16) % range);
  return v;
}

::testing::AssertionResult PixelsAre(const SECImageBase& img, const std::vector<int>& px) {
  if (img.m_nSrcBitsPerPixel != 8 || size_t{img.m_dwWidth} * img.m_dwHeight != px.size())
    return ::testing::AssertionFailure() << "size " << img.m_dwWidth << "x" << img.m_dwHeight;
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x)
      if (PixelAt(img, x, y) != uint32_t(px[y * img.m_dwWidth + x]))
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << ": " << PixelAt(img, x, y) << " want "
               << px[y * img.m_dwWidth + x];
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Gif, ExactBytesOfSmallFiles) {
  // 2x2, top row (0,1), bottom row (1,0), two colours: codes 256 0 1 1 0 257
  // in 9 bits each.
  SECGif img;
  Make8(img, 2, 2, {0, 1, 1, 0}, 2);
  img.m_pColorTable[0] = RGBQUAD{0x30, 0x20, 0x10, 0};
  img.m_pColorTable[1] = RGBQUAD{0x60, 0x50, 0x40, 0};
  std::string want = "GIF89a" + Bytes({2, 0, 2, 0, 0xF7, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60});
  want += std::string(768 - 6, '\0');
  want += Bytes({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 8});
  want += Bytes({7, 0x00, 0x01, 0x04, 0x08, 0x00, 0x20, 0x20, 0x00, 0x3B});
  const std::string got = Save(img);
  EXPECT_EQ(got.size(), 13u + 768 + 10 + 1 + 8 + 2);
  EXPECT_EQ(got, want);

  // 1 bit, 3x1, pixels 1 0 0 taken left-most first: codes 256 1 0 0 257.
  SECGif mono;
  Fill(mono, 1, 3, 1);
  mono.m_pBits.data()[0] = 0x80;
  std::string monoWant = "GIF89a" + Bytes({3, 0, 1, 0, 0xF7, 0, 0});
  for (int i = 0; i < 2; ++i)
    monoWant += Bytes({mono.m_pColorTable[i].rgbRed, mono.m_pColorTable[i].rgbGreen,
                       mono.m_pColorTable[i].rgbBlue});
  monoWant += std::string(768 - 6, '\0');
  monoWant += Bytes({0x2C, 0, 0, 0, 0, 3, 0, 1, 0, 0, 8});
  monoWant += Bytes({6, 0x00, 0x03, 0x00, 0x00, 0x10, 0x10, 0x00, 0x3B});
  EXPECT_EQ(Save(mono), monoWant);

  // Refused: no picture, more than 8 bits, sizes the file cannot hold.
  SECGif empty;
  EXPECT_EQ(Save(empty), "");
  SECGif deep;
  Fill(deep, 24, 4, 4);
  EXPECT_EQ(Save(deep), "");
  SECGif wide;
  Fill(wide, 8, 65536, 1);
  EXPECT_EQ(Save(wide), "");
  SECGif widest;
  Fill(widest, 8, 65535, 1);
  EXPECT_NE(Save(widest), "");
}

TEST(Gif, CodeStreamOfLargerFiles) {
  // Random pixels make almost every pair new: the table fills quickly.
  const DWORD w = 300, h = 200;
  const std::vector<int> px = Random(w * h, 256, 7);
  SECGif img;
  Make8(img, w, h, px, 40);
  const std::string f = Save(img);
  ASSERT_GT(f.size(), 800u);
  const auto* b = reinterpret_cast<const BYTE*>(f.data());
  EXPECT_EQ(f.substr(0, 6), "GIF89a");
  EXPECT_EQ(b[6] | b[7] << 8, 300);
  EXPECT_EQ(b[8] | b[9] << 8, 200);
  EXPECT_EQ(b[10], 0xF7);
  EXPECT_EQ(b[11], 0);
  EXPECT_EQ(b[12], 0);
  // 40 colours, then black
  EXPECT_EQ(b[13], img.m_pColorTable[0].rgbRed);
  EXPECT_EQ(b[13 + 3 * 39 + 2], img.m_pColorTable[39].rgbBlue);
  EXPECT_EQ(f.substr(13 + 3 * 40, 768 - 3 * 40), std::string(768 - 3 * 40, '\0'));
  EXPECT_EQ(f.substr(781, 11), Bytes({0x2C, 0, 0, 0, 0, 44, 1, 200, 0, 0, 8}));
  EXPECT_EQ(f.substr(f.size() - 2), Bytes({0, 0x3B}));

  // Sub-blocks: all 254 bytes but the last.
  std::string data;
  size_t pos = 792;
  std::vector<int> lengths;
  while (pos < f.size() && b[pos] != 0) {
    lengths.push_back(b[pos]);
    data += f.substr(pos + 1, b[pos]);
    pos += 1 + b[pos];
  }
  EXPECT_EQ(pos, f.size() - 2);
  ASSERT_GT(lengths.size(), 2u);
  for (size_t i = 0; i + 1 < lengths.size(); ++i) ASSERT_EQ(lengths[i], 254) << i;
  EXPECT_GE(lengths.back(), 1);
  EXPECT_LE(lengths.back(), 254);

  // The codes with the width a decoder reads them at.
  std::vector<std::pair<int, int>> codes;  // code, width
  {
    int width = 9, next = 258;
    bool afterClear = false;
    uint64_t acc = 0;
    int bits = 0;
    size_t i = 0;
    for (;;) {
      while (bits < width && i < data.size()) {
        acc |= uint64_t(BYTE(data[i++])) << bits;
        bits += 8;
      }
      if (bits < width) break;
      const int c = static_cast<int>(acc & ((1u << width) - 1));
      acc >>= width;
      bits -= width;
      codes.emplace_back(c, width);
      if (c == 257) break;
      if (c == 256) {
        width = 9;
        next = 258;
        afterClear = true;
        continue;
      }
      if (afterClear) {
        afterClear = false;
        continue;
      }
      if (next < 4096 && ++next == (1 << width) && width < 12) ++width;
    }
  }
  ASSERT_GT(codes.size(), 3841u);
  EXPECT_EQ(codes[0], std::make_pair(256, 9));
  // 3839 codes after the clear (3838 of them add strings 258..4095), then a
  // clear in 12 bits and a restart at 9
  for (size_t i = 1; i < 3840; ++i) ASSERT_NE(codes[i].first, 256) << i;
  // the code sent while code 511 is added is the last in 9 bits
  EXPECT_EQ(codes[511 - 258 + 2].second, 9);
  EXPECT_EQ(codes[512 - 258 + 2].second, 10);
  EXPECT_EQ(codes[2048 - 258 + 2].second, 12);
  EXPECT_EQ(codes[3840], std::make_pair(256, 12));
  EXPECT_EQ(codes[3841].second, 9);
  EXPECT_EQ(codes.back().first, 257);

  SECGif back;
  ASSERT_TRUE(Load(back, f));
  EXPECT_TRUE(PixelsAre(back, px));
}

TEST(Gif, RoundTrips) {
  // 8 bits: sizes around the row padding, a flat picture (long strings), a
  // picture of few colours and one big enough for several clears.
  struct Case {
    DWORD w, h;
    int range;
  };
  for (const Case& c : {Case{1, 1, 256}, Case{7, 3, 256}, Case{255, 1, 2}, Case{1, 300, 256},
                        Case{640, 480, 256}, Case{513, 97, 5}, Case{800, 600, 1}}) {
    const std::vector<int> px = Random(size_t{c.w} * c.h, c.range, c.w + c.h);
    SECGif img;
    Make8(img, c.w, c.h, px);
    const std::string f = Save(img);
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(PixelsAre(img, px)) << "the picture is left as it was";
    SECGif back;
    ASSERT_TRUE(Load(back, f)) << c.w << "x" << c.h;
    EXPECT_TRUE(PixelsAre(back, px)) << c.w << "x" << c.h;
    EXPECT_EQ(back.m_wColors, 256);
    EXPECT_EQ(0, std::memcmp(back.m_pColorTable, img.m_pColorTable, 4 * 256));
    EXPECT_EQ(back.Header()->biWidth, static_cast<LONG>(c.w));
    EXPECT_EQ(back.Header()->biClrUsed, 256u);
    ASSERT_TRUE(back.m_pPalette);
  }
  // 1 and 4 bits come back as 8-bit indices, the picture the same.
  for (int bits : {1, 4})
    for (DWORD w : {1u, 9u, 13u, 64u}) {
      SECGif img;
      Fill(img, bits, w, 7, w);
      const std::string f = Save(img);
      SECGif back;
      ASSERT_TRUE(Load(back, f));
      EXPECT_EQ(back.m_nSrcBitsPerPixel, 8);
      for (DWORD y = 0; y < 7; ++y)
        for (DWORD x = 0; x < w; ++x)
          ASSERT_EQ(ColourAt(back, x, y), ColourAt(img, x, y)) << bits << " " << x << "," << y;
    }
}

TEST(Gif, ReaderVariants) {
  const std::vector<int> px = Random(12 * 5, 16, 3);
  GifParts g;
  g.screenW = 12;
  g.screenH = 5;
  g.w = 12;
  g.h = 5;
  g.screenFlags = 0xF3;  // 16-entry global table
  g.globalTable = GreyTable(16, 16);
  g.codeSize = 4;
  g.data = RefLzw(px, 4);
  {
    SECGif img;
    ASSERT_TRUE(Load(img, g.Build()));
    EXPECT_TRUE(PixelsAre(img, px));
    EXPECT_EQ(img.m_wColors, 16);
    EXPECT_EQ(img.ColorTableCapacity(), 256u);
    EXPECT_EQ(img.m_pColorTable[15].rgbRed, 240);
    EXPECT_EQ(img.m_pColorTable[15].rgbBlue, 255 - 15);
    for (int i = 16; i < 256; ++i) ASSERT_EQ(img.m_pColorTable[i].rgbBlue, 0) << i;
    ASSERT_TRUE(img.m_pPalette);
    EXPECT_EQ(img.m_pPalette->palPalEntry.size(), 256u);
  }
  // versions: 87a and 87A read, 90a, 89b and a wrong signature not
  for (const char* v : {"87a", "87A", "89A"}) {
    GifParts vg = g;
    vg.version = v;
    SECGif img;
    EXPECT_TRUE(Load(img, vg.Build())) << v;
  }
  for (const char* v : {"90a", "89b", "88a"}) {
    GifParts vg = g;
    vg.version = v;
    SECGif img;
    EXPECT_FALSE(Load(img, vg.Build())) << v;
    EXPECT_FALSE(img.HasPicture());
  }
  {
    std::string f = g.Build();
    f[0] = 'J';
    SECGif img;
    EXPECT_FALSE(Load(img, f));
  }
  // extensions before the image: graphic control, a comment holding a zero
  // byte, an application block whose data holds zeros, an unknown label
  {
    GifParts eg = g;
    eg.beforeImage = Bytes({0x21, 0xF9, 4, 1, 10, 0, 3, 0}) + Bytes({0x21, 0xFE, 3}) + "a" +
                     Bytes({0, 'b', 0}) + Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" +
                     Bytes({3, 1, 0, 5, 0}) + Bytes({0x21, 0x01, 2, 0, 0, 0});
    SECGif img;
    ASSERT_TRUE(Load(img, eg.Build()));
    EXPECT_TRUE(PixelsAre(img, px));
    // an extension cut off, an early trailer, an unknown block
    for (const std::string& bad : {Bytes({0x21, 0xFE, 5, 'a'}), Bytes({0x3B}), Bytes({0x2B})}) {
      std::string f = g.Build();
      f = f.substr(0, 13 + 48) + bad;
      SECGif b;
      EXPECT_FALSE(Load(b, f));
    }
  }
  // a local table over a small global one: the local colours, m_wColors 4
  {
    GifParts lg = g;
    lg.screenFlags = 0x80;  // 2 global entries
    lg.globalTable = Bytes({1, 2, 3, 4, 5, 6});
    lg.imageFlags = 0x81;  // 4 local entries
    lg.localTable = Bytes({10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42});
    const std::vector<int> p4 = Random(12 * 5, 4, 9);
    lg.codeSize = 2;
    lg.data = RefLzw(p4, 2);
    SECGif img;
    ASSERT_TRUE(Load(img, lg.Build()));
    EXPECT_TRUE(PixelsAre(img, p4));
    EXPECT_EQ(img.m_wColors, 4);
    EXPECT_EQ(img.m_pColorTable[3].rgbRed, 40);
    EXPECT_EQ(img.m_pColorTable[3].rgbBlue, 42);
    EXPECT_EQ(img.m_pColorTable[4].rgbRed, 0);
    // no table at all: black, m_wColors from the screen flags
    GifParts ng = lg;
    ng.screenFlags = 0x01;
    ng.globalTable.clear();
    ng.imageFlags = 0;
    ng.localTable.clear();
    SECGif none;
    ASSERT_TRUE(Load(none, ng.Build()));
    EXPECT_EQ(none.m_wColors, 4);
    EXPECT_EQ(none.m_pColorTable[1].rgbRed, 0);
    EXPECT_TRUE(PixelsAre(none, p4));
  }
  // interlaced: rows stored 0 8 | 4 | 2 6 10 | 1 3 5 7 9 for 11 rows
  {
    const DWORD w = 3, h = 11;
    const std::vector<int> rows = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    std::vector<int> want(w * h), stored;
    for (DWORD y = 0; y < h; ++y)
      for (DWORD x = 0; x < w; ++x) want[y * w + x] = static_cast<int>(y * 10 + x);
    for (int r : rows)
      for (DWORD x = 0; x < w; ++x) stored.push_back(want[r * w + x]);
    GifParts ig;
    ig.screenW = ig.w = w;
    ig.screenH = ig.h = h;
    ig.imageFlags = 0x40;
    ig.data = RefLzw(stored, 8);
    SECGif img;
    ASSERT_TRUE(Load(img, ig.Build()));
    EXPECT_TRUE(img.m_bInterlaced);
    EXPECT_TRUE(PixelsAre(img, want));
    // one row only: the later passes start beyond it
    GifParts one = ig;
    one.h = one.screenH = 1;
    one.data = RefLzw({5, 6, 7}, 8);
    SECGif single;
    ASSERT_TRUE(Load(single, one.Build()));
    EXPECT_TRUE(PixelsAre(single, {5, 6, 7}));
  }
  // every code size from 2 to 8, and a full table without a clear
  for (int s = 2; s <= 8; ++s) {
    const DWORD w = 250, h = 120;
    const std::vector<int> p = Random(w * h, 1 << s, s);
    for (bool clearWhenFull : {true, false}) {
      GifParts cg;
      cg.screenW = cg.w = w;
      cg.screenH = cg.h = h;
      cg.codeSize = s;
      cg.data = RefLzw(p, s, clearWhenFull);
      SECGif img;
      ASSERT_TRUE(Load(img, cg.Build()));
      EXPECT_TRUE(PixelsAre(img, p)) << "code size " << s << " clear " << clearWhenFull;
    }
  }
  // an image larger than the logical screen is read at its own size
  {
    GifParts big = g;
    big.screenW = 4;
    big.screenH = 2;
    SECGif img;
    ASSERT_TRUE(Load(img, big.Build()));
    EXPECT_EQ(img.m_dwWidth, 12u);
    EXPECT_EQ(img.Header()->biWidth, 12);
    EXPECT_EQ(img.Header()->biHeight, 5);
    EXPECT_TRUE(PixelsAre(img, px));
  }
}

TEST(Gif, MalformedAndTruncatedFiles) {
  const DWORD w = 40, h = 30;
  std::vector<int> px = Random(w * h, 255, 11);
  for (auto& p : px) ++p;  // no zero pixels: lost data shows
  SECGif src;
  Make8(src, w, h, px);
  const std::string f = Save(src);
  ASSERT_GT(f.size(), 900u);

  // Every cut: up to the code size byte a failure, from there on the
  // pixels decoded so far and zeros after them.
  for (size_t cut = 0; cut < f.size(); ++cut) {
    SECGif img;
    const bool ok = Load(img, f.substr(0, cut));
    if (cut < 792) {
      ASSERT_FALSE(ok) << cut;
      EXPECT_FALSE(img.HasPicture());
      continue;
    }
    ASSERT_TRUE(ok) << cut;
    ASSERT_EQ(img.m_dwWidth, w);
    bool zeros = false;
    for (DWORD i = 0; i < w * h; ++i) {
      const uint32_t v = PixelAt(img, i % w, i / w);
      if (v == 0) zeros = true;
      ASSERT_EQ(v, zeros ? 0u : uint32_t(px[i])) << "cut " << cut << " pixel " << i;
    }
    if (cut < f.size() - 8) {
      EXPECT_TRUE(zeros) << cut;
    }
  }

  GifParts g;
  g.screenW = g.w = 4;
  g.screenH = g.h = 4;
  g.data = RefLzw(std::vector<int>(16, 3), 8);
  // code sizes outside 2..11, empty and oversized images
  for (int s : {0, 1, 12, 255}) {
    GifParts b = g;
    b.codeSize = s;
    SECGif img;
    EXPECT_FALSE(Load(img, b.Build())) << s;
  }
  for (auto [bw, bh] : {std::pair{0, 4}, {4, 0}, {65535, 65535}, {16385, 16384}}) {
    GifParts b = g;
    b.w = bw;
    b.h = bh;
    SECGif img;
    EXPECT_FALSE(Load(img, b.Build())) << bw << "x" << bh;
  }
  {
    // the largest picture allowed reads, zero-filled past its data
    GifParts b = g;
    b.w = 16384;
    b.h = 2;
    SECGif img;
    ASSERT_TRUE(Load(img, b.Build()));
    EXPECT_EQ(PixelAt(img, 15, 0), 3u);
    EXPECT_EQ(PixelAt(img, 16, 0), 0u);
  }
  // code sizes 9 to 11 are read; pixels wider than a byte keep their low bits
  {
    GifParts b = g;
    b.codeSize = 11;
    b.data = RefLzw({1, 2, 300, 2047, 5, 5, 5, 5, 1, 2, 3, 4, 5, 6, 7, 8}, 11);
    SECGif img;
    ASSERT_TRUE(Load(img, b.Build()));
    EXPECT_EQ(PixelAt(img, 2, 0), 300u & 255);
    EXPECT_EQ(PixelAt(img, 3, 0), 255u);
  }
  // garbage in the data: codes beyond the table, chains through it; the read
  // ends with some picture and no fault
  for (uint32_t seed = 1; seed < 200; ++seed) {
    GifParts b = g;
    b.w = b.h = 64;
    std::string junk;
    for (int v : Random(600, 256, seed)) junk += static_cast<char>(v);
    b.data = Blocks(junk);
    SECGif img;
    EXPECT_TRUE(Load(img, b.Build()));
  }
  // zero bytes between blocks are skipped; a missing image fails
  {
    std::string z = g.Build();
    z.insert(13, std::string(5, '\0'));
    SECGif img;
    ASSERT_TRUE(Load(img, z));
    EXPECT_EQ(PixelAt(img, 3, 3), 3u);
    SECGif none;
    EXPECT_FALSE(Load(none, z.substr(0, 13 + 5)));
  }
}
