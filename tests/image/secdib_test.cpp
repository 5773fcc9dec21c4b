#include "prentix/image/secdib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "image/testimages.h"

using namespace prentix;
using namespace imgtest;

namespace {

void Le16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8 & 0xFF);
}
void Le32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
}

// A BMP file written by hand, every field settable.
struct BmpBytes {
  int32_t width = 3, height = 2;
  uint16_t bits = 8;
  uint32_t headerSize = 40, compression = 0, clrUsed = 0;
  int tableEntries = 256;
  int64_t offBits = -1;     // -1: right after the table
  int64_t pixelBytes = -1;  // -1: what the rows need
  int64_t cutTo = -1;       // file length, -1: all of it
  std::string signature = "BM";

  std::string Build() const {
    std::string s = signature;
    const uint32_t off = offBits >= 0 ? static_cast<uint32_t>(offBits) : 54 + 4 * tableEntries;
    const uint64_t rows =
        (uint64_t(std::abs(width)) * bits + 31) / 32 * 4 * uint64_t(std::abs(height));
    const uint64_t pix = pixelBytes >= 0 ? uint64_t(pixelBytes) : rows;
    Le32(s, static_cast<uint32_t>(off + pix));
    Le32(s, 0);
    Le32(s, off);
    Le32(s, headerSize);
    Le32(s, static_cast<uint32_t>(width));
    Le32(s, static_cast<uint32_t>(height));
    Le16(s, 1);
    Le16(s, bits);
    Le32(s, compression);
    Le32(s, 0);
    Le32(s, 2835);
    Le32(s, 2835);
    Le32(s, clrUsed);
    Le32(s, 0);
    for (int i = 0; i < tableEntries; ++i) Le32(s, 0x00010203u * (i + 1));
    s.resize(off, '\0');
    for (uint64_t i = 0; i < pix; ++i) s += static_cast<char>(i * 7);
    if (cutTo >= 0) s.resize(cutTo);
    return s;
  }
};

bool LoadBytes(SECDib& img, const std::string& bytes) {
  CMemFile f(bytes.data(), bytes.size());
  return img.LoadImage(&f);
}

}  // namespace

TEST(SecDib, SaveLoadRoundTripAtEveryDepth) {
  for (int bits : {1, 4, 8, 24}) {
    for (DWORD w : {1u, 5u, 13u, 32u}) {
      const DWORD h = 3;
      SECDib img;
      Fill(img, bits, w, h, bits * 100 + w);
      const std::string path = pxtest::TestRoot() + "/rt.bmp";
      ASSERT_TRUE(img.SaveImage(path.c_str()));
      EXPECT_EQ(img.Header()->biSizeImage, 0u) << "held header too";

      const std::string file = pxtest::ReadFile(path);
      const size_t colors = bits == 24 ? 0 : 1u << bits;
      const size_t rows = Stride(w, bits) * h;
      ASSERT_EQ(file.size(), 54 + 4 * colors + rows);
      BITMAPFILEHEADER fh = BITMAPFILEHEADER::Unpack(reinterpret_cast<const BYTE*>(file.data()));
      EXPECT_EQ(fh.bfType, 0x4D42);
      EXPECT_EQ(fh.bfSize, file.size());
      EXPECT_EQ(fh.bfOffBits, 54 + 4 * colors);
      EXPECT_EQ(fh.bfReserved1 | fh.bfReserved2, 0);
      BITMAPINFOHEADER bi;
      std::memcpy(&bi, file.data() + 14, 40);
      EXPECT_EQ(bi.biSizeImage, 0u);
      EXPECT_EQ(bi.biBitCount, bits);

      SECDib back;
      ASSERT_TRUE(back.LoadImage(path.c_str()));
      EXPECT_TRUE(SamePixels(back, img)) << bits << " w" << w;
      EXPECT_EQ(back.m_wColors, colors);
      EXPECT_EQ(back.m_dwPadWidth, (w + 3) & ~3u);
      EXPECT_TRUE(back.m_bIsPadded);
      EXPECT_EQ(0, std::memcmp(back.m_pColorTable, img.m_pColorTable, 4 * colors));
      EXPECT_EQ(back.Header()->biWidth, static_cast<LONG>(w));
      EXPECT_EQ(back.Header()->biHeight, static_cast<LONG>(h));
      EXPECT_EQ(back.Header()->biSizeImage, 0u);
      EXPECT_EQ(back.m_pPalette != nullptr, bits != 24);
    }
  }
}

TEST(SecDib, ExactBytesOfASmallFile) {
  // 2x2 at 24 bits: rows of 6 bytes padded to 8
  SECDib img;
  Fill(img, 24, 2, 2);
  std::vector<BYTE> pixels(img.m_pBits.data(), img.m_pBits.data() + 16);
  CMemFile out;
  ASSERT_TRUE(img.SaveImage(&out));
  std::string expect = "BM";
  Le32(expect, 70);
  Le32(expect, 0);
  Le32(expect, 54);
  Le32(expect, 40);
  Le32(expect, 2);
  Le32(expect, 2);
  Le16(expect, 1);
  Le16(expect, 24);
  for (int i = 0; i < 6; ++i) Le32(expect, 0);
  expect.append(pixels.begin(), pixels.end());
  EXPECT_EQ(std::string(out.Data().begin(), out.Data().end()), expect);
  EXPECT_EQ(pixels[6], 0);  // the padding went out as zero
  EXPECT_EQ(pixels[7], 0);
}

TEST(SecDib, ColourTablesAndPalettes) {
  // 24 bits: no table, no palette
  SECDib rgb;
  BmpBytes b24;
  b24.bits = 24;
  b24.tableEntries = 0;
  ASSERT_TRUE(LoadBytes(rgb, b24.Build()));
  EXPECT_EQ(rgb.m_wColors, 0);
  EXPECT_FALSE(rgb.m_pPalette);
  EXPECT_EQ(rgb.m_pColorTable, reinterpret_cast<RGBQUAD*>(rgb.m_pBitmapInfo.data() + 40));

  // 8 bits with only three table entries: the rest read as black
  for (uint32_t clrUsed : {0u, 3u}) {
    BmpBytes b8;
    b8.tableEntries = 3;
    b8.clrUsed = clrUsed;
    SECDib img;
    ASSERT_TRUE(LoadBytes(img, b8.Build()));
    EXPECT_EQ(img.m_wColors, 256);
    EXPECT_EQ(img.m_pColorTable[2].rgbBlue, 9);
    EXPECT_EQ(img.m_pColorTable[2].rgbRed, 3);
    for (int i = 3; i < 256; ++i)
      ASSERT_EQ(std::memcmp(&img.m_pColorTable[i], "\0\0\0\0", 4), 0) << i;
    ASSERT_TRUE(img.m_pPalette);
    EXPECT_EQ(img.m_pPalette->palPalEntry.size(), 256u);
    EXPECT_EQ(img.m_pPalette->palPalEntry[1].peRed, 2);
    EXPECT_EQ(img.m_pPalette->palPalEntry[1].peBlue, 6);
  }

  // a codec that defined fewer colours than the depth holds: the file still
  // gets the full table, the missing entries black
  SECDib few;
  Fill(few, 8, 2, 2);
  MemBlock small;
  ASSERT_TRUE(small.Allocate(40 + 4 * 4));
  std::memcpy(small.data(), few.m_pBitmapInfo.data(), 40 + 16);
  few.SetHeaderBlock(std::move(small));
  few.m_wColors = 4;
  CMemFile out;
  ASSERT_TRUE(few.SaveImage(&out));
  ASSERT_EQ(out.Data().size(), 54u + 1024 + 8);
  EXPECT_EQ(std::memcmp(out.Data().data() + 54, few.m_pColorTable, 16), 0);
  for (size_t i = 54 + 16; i < 54 + 1024; ++i) ASSERT_EQ(out.Data()[i], 0) << i;
}

TEST(SecDib, MalformedFilesAreRefused) {
  struct Case {
    const char* what;
    BmpBytes b;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, auto change) {
    BmpBytes b;
    change(b);
    cases.push_back({what, b});
  };
  add("signature", [](BmpBytes& b) { b.signature = "MB"; });
  add("offset below 54", [](BmpBytes& b) { b.offBits = 40; });
  add("offset beyond the file", [](BmpBytes& b) {
    b.offBits = 5000;
    b.cutTo = 4000;
  });
  add("core header", [](BmpBytes& b) { b.headerSize = 12; });
  add("pixels one byte short", [](BmpBytes& b) { b.pixelBytes = 7; });
  add("no pixels", [](BmpBytes& b) { b.pixelBytes = 0; });
  add("zero width", [](BmpBytes& b) { b.width = 0; });
  add("negative width", [](BmpBytes& b) { b.width = -3; });
  add("absurd width", [](BmpBytes& b) {
    b.width = 0x7FFFFFFF;
    b.pixelBytes = 64;
  });
  add("row size overflowing 32 bits", [](BmpBytes& b) {
    b.bits = 24;
    b.tableEntries = 0;
    b.width = 0x00100000;
    b.height = 0x00100000;
    b.pixelBytes = 64;
  });
  add("claims more rows than the file holds", [](BmpBytes& b) {
    b.height = 100000;
    b.pixelBytes = 64;
  });
  add("bit count 0", [](BmpBytes& b) { b.bits = 0; });
  add("bit count 3", [](BmpBytes& b) { b.bits = 3; });
  add("run-length coding of 24 bits", [](BmpBytes& b) {
    b.bits = 24;
    b.compression = 1;
  });
  add("unknown compression", [](BmpBytes& b) { b.compression = 7; });
  add("unknown header size", [](BmpBytes& b) { b.headerSize = 100; });
  add("OS/2 Huffman coding", [](BmpBytes& b) {
    b.headerSize = 64;
    b.bits = 1;
    b.compression = 3;
  });
  add("100000 x 100000", [](BmpBytes& b) {
    b.compression = 1;  // run-length data may be short: the size alone refuses it
    b.width = b.height = 100000;
    b.pixelBytes = 64;
  });

  for (const Case& c : cases) {
    SECDib img;
    Fill(img, 8, 2, 2);
    EXPECT_FALSE(LoadBytes(img, c.b.Build())) << c.what;
    EXPECT_FALSE(img.HasPicture()) << c.what;
    EXPECT_FALSE(img.m_pBits) << c.what;
    EXPECT_FALSE(img.LoadError().empty()) << c.what;
  }

  // every cut of a good file short of its end fails, without reading past it
  const std::string good = BmpBytes().Build();
  for (size_t n = 0; n < good.size(); ++n) {
    SECDib img;
    EXPECT_FALSE(LoadBytes(img, good.substr(0, n))) << n;
  }
  SECDib img;
  EXPECT_TRUE(LoadBytes(img, good));
  // trailing bytes after the rows are no fault
  EXPECT_TRUE(LoadBytes(img, good + "trailing"));
  EXPECT_EQ(img.m_pBits.size(), 8u);

  // an image with nothing to save
  SECDib empty;
  CMemFile out;
  EXPECT_FALSE(empty.SaveImage(&out));
  EXPECT_TRUE(out.Data().empty());
}

TEST(SecDib, SerializeWritesTheFileForm) {
  SECDib img;
  Fill(img, 4, 7, 3);
  CMemFile viaSave, viaArchive;
  ASSERT_TRUE(img.SaveImage(&viaSave));
  ASSERT_TRUE(img.Serialize(&viaArchive, true));
  EXPECT_EQ(viaSave.Data(), viaArchive.Data());
  // loading reads from the archive's position on, not from its start
  CMemFile archive;
  archive.Write("prefix", 6);
  archive.Write(viaSave.Data().data(), static_cast<uint32_t>(viaSave.Data().size()));
  archive.Seek(6);
  SECDib back;
  ASSERT_TRUE(back.Serialize(&archive, false));
  EXPECT_TRUE(SamePixels(back, img));
}
