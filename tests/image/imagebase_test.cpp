#include "prentix/image/imagebase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "image/testimages.h"
#include "prentix/image/secdib.h"

using namespace prentix;
using namespace imgtest;

TEST(ImageBase, DisplayFactsDecideSystemColoursAndHalftone) {
  SECDib trueColour;  // the Linux desktop
  EXPECT_EQ(trueColour.m_nSysBitsPerPixel, 0);
  EXPECT_EQ(trueColour.m_wSysColors, 0);
  EXPECT_EQ(trueColour.m_nSrcBitsPerPixel, 24);
  EXPECT_EQ(trueColour.m_dwError, 0u);
  EXPECT_FALSE(trueColour.HasPicture());

  SECDib palette(DisplayInfo{8, 1});
  EXPECT_EQ(palette.m_nSysBitsPerPixel, 8);
  EXPECT_EQ(palette.m_wSysColors, 256);
  SECDib ega(DisplayInfo{1, 4});
  EXPECT_EQ(ega.m_wSysColors, 16);
  EXPECT_EQ(ega.m_nBitPlanes, 4);
  SECDib highColour(DisplayInfo{16, 1});
  EXPECT_EQ(highColour.m_nSysBitsPerPixel, 0);

  // a 24-bit picture loaded on the palette display is drawn with halftones,
  // an 8-bit one is not; on true colour never
  for (int bits : {24, 8}) {
    SECDib src;
    Fill(src, bits, 5, 3);
    const std::string path = pxtest::TestRoot() + "/h.bmp";
    ASSERT_TRUE(src.SaveImage(path.c_str()));
    SECDib onPalette(DisplayInfo{8, 1}), onTrue;
    ASSERT_TRUE(onPalette.LoadImage(path.c_str()));
    ASSERT_TRUE(onTrue.LoadImage(path.c_str()));
    EXPECT_EQ(onPalette.m_bUseHalftone, bits == 24);
    EXPECT_FALSE(onTrue.m_bUseHalftone);
  }
}

TEST(ImageBase, PadRowsMovesRowsAndNeverMarksAlignedOnes) {
  // aligned rows: 8 bits x 8, 24 bits x 4, 1 bit x 32 are already multiples of 4
  for (auto [bits, w] : std::vector<std::pair<int, DWORD>>{{8, 8}, {24, 4}, {1, 32}, {4, 8}}) {
    SECDib img;
    Fill(img, bits, w, 3);
    SECDib before;
    ASSERT_TRUE(before.CopyImage(img));
    EXPECT_FALSE(img.m_bIsPadded);
    EXPECT_TRUE(img.PadRows());
    EXPECT_FALSE(img.m_bIsPadded) << bits;
    EXPECT_TRUE(SamePixels(img, before));
  }

  // 24 bits x 5: unpadded 15 bytes, padded 16
  SECDib img;
  img.m_nSrcBitsPerPixel = 24;
  img.m_dwWidth = 5;
  img.m_dwHeight = 3;
  ASSERT_TRUE(img.m_pBits.Allocate(48));
  for (int i = 0; i < 45; ++i) img.m_pBits.data()[i] = static_cast<BYTE>(i + 1);
  ASSERT_TRUE(img.PadRows());
  EXPECT_TRUE(img.m_bIsPadded);
  EXPECT_EQ(img.m_dwPadWidth, 8u);
  const BYTE* p = img.m_pBits.data();
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 15; ++i) ASSERT_EQ(p[row * 16 + i], row * 15 + i + 1);
    EXPECT_EQ(p[row * 16 + 15], 0) << "padding is zero";
  }
  ASSERT_TRUE(img.UnpadRows());
  EXPECT_FALSE(img.m_bIsPadded);
  for (int i = 0; i < 45; ++i) ASSERT_EQ(p[i], i + 1);

  // a block too small for padded rows grows instead of being overrun
  SECDib tight;
  tight.m_nSrcBitsPerPixel = 8;
  tight.m_dwWidth = 3;
  tight.m_dwHeight = 4;
  ASSERT_TRUE(tight.m_pBits.Allocate(12));
  for (int i = 0; i < 12; ++i) tight.m_pBits.data()[i] = static_cast<BYTE>(i + 1);
  ASSERT_TRUE(tight.PadRows());
  EXPECT_EQ(tight.m_pBits.size(), 16u);
  EXPECT_EQ(tight.m_pBits.data()[12], 10);
  EXPECT_EQ(tight.m_pBits.data()[14], 12);
}

TEST(ImageBase, QuarterTurnsKeepEveryPixel) {
  // orientation on a 3x2 picture: clockwise the top-left goes top-right
  SECDib small;
  Fill(small, 8, 3, 2);
  SECDib cw, ccw;
  ASSERT_TRUE(cw.CopyImage(small));
  ASSERT_TRUE(ccw.CopyImage(small));
  ASSERT_TRUE(cw.Rotate90(true));
  ASSERT_TRUE(ccw.Rotate90(false));
  EXPECT_EQ(cw.m_dwWidth, 2u);
  EXPECT_EQ(cw.m_dwHeight, 3u);
  EXPECT_EQ(cw.Header()->biWidth, 2);
  EXPECT_EQ(cw.Header()->biHeight, 3);
  for (DWORD y = 0; y < 2; ++y)
    for (DWORD x = 0; x < 3; ++x) {
      EXPECT_EQ(PixelAt(cw, 1 - y, x), PixelAt(small, x, y));
      EXPECT_EQ(PixelAt(ccw, y, 2 - x), PixelAt(small, x, y));
    }
  EXPECT_EQ(cw.m_dwPadWidth, 4u);  // padded row length of the turned picture

  for (int bits : {1, 4, 8, 24}) {
    for (auto [w, h] :
         std::vector<std::pair<DWORD, DWORD>>{{5, 3}, {7, 2}, {13, 9}, {1, 1}, {33, 4}}) {
      SECDib orig, img;
      Fill(orig, bits, w, h, w * 31 + h);
      ASSERT_TRUE(orig.PadRows());
      ASSERT_TRUE(img.CopyImage(orig));
      ASSERT_TRUE(img.Rotate90(true));
      EXPECT_EQ(img.m_dwWidth, h);
      EXPECT_EQ(img.m_dwHeight, w);
      for (DWORD y = 0; y < h; ++y)
        for (DWORD x = 0; x < w; ++x)
          ASSERT_EQ(PixelAt(img, h - 1 - y, x), PixelAt(orig, x, y))
              << bits << " " << w << "x" << h;
      ASSERT_TRUE(img.Rotate90(false));
      EXPECT_TRUE(SamePixels(img, orig)) << bits << " " << w << "x" << h;
      // four clockwise turns are the identity too
      for (int i = 0; i < 4; ++i) ASSERT_TRUE(img.Rotate90(true));
      EXPECT_TRUE(SamePixels(img, orig)) << bits << " " << w << "x" << h;
    }
  }
}

TEST(ImageBase, TurnedAlignedPictureStaysConsistentForLaterRowWork) {
  // 8 bits x 4 is aligned (never marked padded); turned it is 3 wide, whose
  // rows need padding: the new rows must count as padded, or a save would
  // shift them
  SECDib img, orig;
  Fill(img, 8, 4, 3);
  ASSERT_FALSE(img.m_bIsPadded);
  ASSERT_TRUE(orig.CopyImage(img));
  ASSERT_TRUE(img.Rotate90(true));
  EXPECT_TRUE(img.m_bIsPadded);
  ASSERT_TRUE(img.Rotate90(false));
  EXPECT_TRUE(SamePixels(img, orig));

  const std::string path = pxtest::TestRoot() + "/t.bmp";
  ASSERT_TRUE(img.Rotate90(true));
  ASSERT_TRUE(img.SaveImage(path.c_str()));
  SECDib back;
  ASSERT_TRUE(back.LoadImage(path.c_str()));
  ASSERT_TRUE(back.Rotate90(false));
  EXPECT_TRUE(SamePixels(back, orig));
}

TEST(ImageBase, UnsupportedDepthsAreRefusedWithAMessage) {
  std::vector<std::string> seen;
  SetImageMessageHook([&](const std::string& text) { seen.push_back(text); });
  for (int bits : {16, 32}) {
    SECDib img;
    Fill(img, bits, 3, 2);
    SECDib before;
    ASSERT_TRUE(before.CopyImage(img));
    EXPECT_FALSE(img.Rotate90(true));
    EXPECT_TRUE(SamePixels(img, before));
    // mirroring handles whole pixels at these depths
    ASSERT_TRUE(img.MirrorHorizontal());
    for (DWORD x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(img, x, 1), PixelAt(before, 2 - x, 1));
  }
  SetImageMessageHook(nullptr);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "Rotate90: Error, unsupported format.");
}

TEST(ImageBase, MirrorAndFlipAtEveryDepth) {
  for (int bits : {1, 4, 8, 24}) {
    for (DWORD w : {1u, 5u, 8u, 13u}) {
      const DWORD h = 5;
      SECDib orig, m, f;
      Fill(orig, bits, w, h, w + bits);
      ASSERT_TRUE(m.CopyImage(orig));
      ASSERT_TRUE(f.CopyImage(orig));
      ASSERT_TRUE(m.MirrorHorizontal());
      ASSERT_TRUE(f.FlipVertical());
      for (DWORD y = 0; y < h; ++y)
        for (DWORD x = 0; x < w; ++x) {
          ASSERT_EQ(PixelAt(m, x, y), PixelAt(orig, w - 1 - x, y)) << bits << " w" << w;
          ASSERT_EQ(PixelAt(f, x, y), PixelAt(orig, x, h - 1 - y)) << bits << " w" << w;
        }
      if (bits < 8 && w % (8 / bits)) {
        // bits beyond the last pixel of a row stay zero
        const BYTE* last = m.Row(0) + (uint64_t{w} * bits - 1) / 8;
        EXPECT_EQ(*last & ((1u << (8 - w * bits % 8)) - 1), 0u);
      }
      ASSERT_TRUE(m.MirrorHorizontal());
      ASSERT_TRUE(f.FlipVertical());
      EXPECT_TRUE(SamePixels(m, orig));
      EXPECT_TRUE(SamePixels(f, orig));
    }
  }
}

TEST(ImageBase, CopyTakeOverAndPalette) {
  SECDib eight;
  Fill(eight, 8, 6, 4);
  ASSERT_TRUE(eight.CreatePalette());
  ASSERT_TRUE(eight.m_pPalette);
  EXPECT_EQ(eight.m_pPalette->palVersion, 0x300);
  ASSERT_EQ(eight.m_pPalette->palPalEntry.size(), 256u);
  EXPECT_EQ(eight.m_pPalette->palPalEntry[3].peRed, eight.m_pColorTable[3].rgbRed);
  EXPECT_EQ(eight.m_pPalette->palPalEntry[3].peBlue, eight.m_pColorTable[3].rgbBlue);
  EXPECT_EQ(eight.m_pPalette->palPalEntry[3].peFlags, 0);

  // biClrUsed above the depth's count widens the palette; the entries past
  // it come from the table
  eight.Header()->biClrUsed = 10;
  ASSERT_TRUE(eight.CreatePalette());
  EXPECT_EQ(eight.m_pPalette->palPalEntry.size(), 256u);
  EXPECT_EQ(eight.m_pPalette->palPalEntry[9].peGreen, eight.m_pColorTable[9].rgbGreen);
  EXPECT_EQ(eight.m_pPalette->palPalEntry[10].peGreen, 0);
  eight.Header()->biClrUsed = 0;

  // a deep copy: changing the copy leaves the source alone
  SECDib copy;
  ASSERT_TRUE(copy.CopyImage(eight));
  EXPECT_TRUE(SamePixels(copy, eight));
  EXPECT_NE(copy.m_pColorTable, eight.m_pColorTable);
  EXPECT_EQ(copy.m_pColorTable, reinterpret_cast<RGBQUAD*>(copy.m_pBitmapInfo.data() + 40));
  copy.m_pBits.data()[0] ^= 0xFF;
  EXPECT_NE(copy.m_pBits.data()[0], eight.m_pBits.data()[0]);

  // copying a 24-bit picture over it drops the old palette
  SECDib rgb;
  Fill(rgb, 24, 3, 3);
  EXPECT_TRUE(rgb.CreatePalette());
  EXPECT_FALSE(rgb.m_pPalette);
  EXPECT_EQ(rgb.m_wColors, 0);
  ASSERT_TRUE(copy.CopyImage(rgb));
  EXPECT_FALSE(copy.m_pPalette);

  // TakeOver moves blocks, palette and buffer
  SECDib moved;
  CMemFile mem;
  eight.m_pFile = &mem;
  ASSERT_TRUE(eight.OpenBuffer(64, 0));
  const BYTE* bits = eight.m_pBits.data();
  ASSERT_TRUE(moved.TakeOver(eight));
  EXPECT_EQ(moved.m_pBits.data(), bits);
  EXPECT_TRUE(moved.m_pPalette);
  EXPECT_EQ(moved.m_nBufSize, 64u);
  EXPECT_EQ(moved.m_dwWidth, 6u);
  EXPECT_FALSE(eight.HasPicture());
  EXPECT_FALSE(eight.m_pPalette);
  EXPECT_EQ(eight.m_pColorTable, nullptr);
  EXPECT_EQ(eight.m_nBufSize, 0u);
  EXPECT_FALSE(eight.m_pBuf);
}

TEST(ImageBase, BufferedIoAcrossBufferBoundaries) {
  SECDib img;
  EXPECT_FALSE(img.OpenBuffer(16, 1)) << "no file";

  std::string data;
  for (int i = 0; i < 100; ++i) data += static_cast<char>(i);
  CMemFile in(data.data(), data.size());
  img.m_pFile = &in;
  ASSERT_TRUE(img.OpenBuffer(7, 1));
  EXPECT_EQ(img.m_nBufValid, 7u);
  std::string got(100, '\0');
  EXPECT_EQ(img.ReadBuffered(got.data(), 3), 3u);
  EXPECT_EQ(img.ReadBuffered(got.data() + 3, 20), 20u);
  EXPECT_EQ(img.ReadBuffered(got.data() + 23, 100), 77u) << "short only at the end";
  EXPECT_EQ(got, data);
  EXPECT_EQ(img.ReadBuffered(got.data(), 1), 0u);
  img.CloseBuffer();
  EXPECT_EQ(img.m_nBufSize, 0u);
  EXPECT_FALSE(img.m_pBuf);

  CMemFile out;
  img.m_pFile = &out;
  ASSERT_TRUE(img.OpenBuffer(5, 0));
  EXPECT_EQ(img.WriteBuffered(data.data(), 12), 12u);
  EXPECT_EQ(out.Data().size(), 10u) << "two full buffers written";
  EXPECT_EQ(img.WriteBuffered(data.data() + 12, 2), 2u);
  EXPECT_TRUE(img.FlushBuffer());
  EXPECT_EQ(img.m_nBufPos, 0u);
  EXPECT_EQ(std::string(out.Data().begin(), out.Data().end()), data.substr(0, 14));
  img.CloseBuffer();

  // unbuffered goes straight through; a refused write is reported
  EXPECT_EQ(img.WriteBuffered("ab", 2), 2u);
  EXPECT_EQ(out.Data().size(), 16u);
  CFile closed;
  img.m_pFile = &closed;
  EXPECT_EQ(img.WriteBuffered("ab", 2), 0u);
  ASSERT_TRUE(img.OpenBuffer(4, 0));
  EXPECT_LT(img.WriteBuffered(data.data(), 9), 9u);
  img.m_pFile = nullptr;
}

TEST(ImageBase, DeviceBitmapsInAndOut) {
  // a 32-bit capture becomes a 24-bit picture, rows turned bottom-up
  DeviceBitmap cap;
  cap.width = 3;
  cap.height = 2;
  cap.bitsPerPixel = 32;
  cap.stride = 12;
  for (int i = 0; i < 24; ++i) cap.bits.push_back(static_cast<BYTE>(i));
  SECDib img;
  ASSERT_TRUE(img.CreateFromBitmap(cap));
  EXPECT_EQ(img.m_nSrcBitsPerPixel, 24);
  EXPECT_EQ(img.m_wColors, 0);
  EXPECT_TRUE(img.m_bIsPadded);
  EXPECT_FALSE(img.m_pPalette);
  EXPECT_EQ(img.Header()->biBitCount, 24);
  EXPECT_EQ(img.Header()->biSizeImage, 24u);  // two rows of 9 bytes padded to 12
  EXPECT_EQ(PixelAt(img, 0, 0), 0x020100u);
  EXPECT_EQ(PixelAt(img, 2, 1), 0x161514u);
  EXPECT_EQ(img.m_pBits.data()[9], 0) << "padding";

  // and back: 32-bit rows top-down on true colour
  auto out = img.MakeBitmap(DisplayInfo{24, 1});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->bitsPerPixel, 32);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(out->bits[i], i % 4 == 3 ? 0 : i) << i;

  // a palette capture keeps its indices and table; a short table reads black
  DeviceBitmap pal;
  pal.width = 5;
  pal.height = 2;
  pal.bitsPerPixel = 8;
  pal.stride = 5;
  pal.bits = {0, 1, 2, 3, 200, 4, 3, 2, 1, 0};
  pal.colorTable = {{10, 20, 30, 0}, {40, 50, 60, 0}, {1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  SECDib eight(DisplayInfo{8, 1});
  ASSERT_TRUE(eight.CreateFromBitmap(pal));
  EXPECT_EQ(eight.m_nSrcBitsPerPixel, 8);
  EXPECT_EQ(eight.m_wColors, 256);
  EXPECT_EQ(eight.Header()->biPlanes, 1);
  EXPECT_EQ(ColourAt(eight, 0, 0), 0x1E140Au);
  EXPECT_EQ(ColourAt(eight, 4, 0), 0u);
  EXPECT_EQ(PixelAt(eight, 4, 0), 200u);
  ASSERT_TRUE(eight.m_pPalette);
  EXPECT_EQ(eight.m_pPalette->palPalEntry.size(), 256u);
  auto back = eight.MakeBitmap(DisplayInfo{8, 1});
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bitsPerPixel, 8);
  EXPECT_EQ(back->stride, 8u);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back->Row(y)[x], pal.bits[y * 5 + x]);
  EXPECT_EQ(back->colorTable[1].rgbGreen, 50);

  // 1-bit with 4 planes is a 16-colour picture
  DeviceBitmap planes;
  planes.width = 2;
  planes.height = 1;
  planes.bitsPerPixel = 1;
  planes.planes = 4;
  planes.stride = 1;
  planes.bits = {0xA5};
  SECDib four;
  ASSERT_TRUE(four.CreateFromBitmap(planes));
  EXPECT_EQ(four.m_nSrcBitsPerPixel, 4);
  EXPECT_EQ(four.m_wColors, 16);
  EXPECT_EQ(PixelAt(four, 0, 0), 0xAu);
  EXPECT_EQ(PixelAt(four, 1, 0), 0x5u);

  // layouts it cannot take leave the picture alone
  DeviceBitmap bad = cap;
  bad.stride = 8;  // less than a row
  EXPECT_FALSE(img.CreateFromBitmap(bad));
  bad = cap;
  bad.bits.resize(20);  // fewer bytes than the rows
  EXPECT_FALSE(img.CreateFromBitmap(bad));
  bad = cap;
  bad.bitsPerPixel = 12;
  EXPECT_FALSE(img.CreateFromBitmap(bad));
  bad = cap;
  bad.height = -2;
  EXPECT_FALSE(img.CreateFromBitmap(bad));
  EXPECT_EQ(PixelAt(img, 2, 1), 0x161514u);

  SECDib empty;
  EXPECT_FALSE(empty.MakeBitmap(DisplayInfo{}));
}

TEST(ImageBase, FilesThatCannotBeOpened) {
  SECDib img;
  EXPECT_FALSE(img.LoadImage((pxtest::TestRoot() + "/missing.bmp").c_str()));
  EXPECT_FALSE(img.LoadImage(static_cast<const char*>(nullptr)));
  Fill(img, 8, 2, 2);
  EXPECT_FALSE(img.SaveImage((pxtest::TestRoot() + "/no/such/dir/x.bmp").c_str()));
  // and the same object works afterwards
  EXPECT_TRUE(img.SaveImage((pxtest::TestRoot() + "/x.bmp").c_str()));
  EXPECT_TRUE(img.LoadImage((pxtest::TestRoot() + "/x.bmp").c_str()));
  EXPECT_EQ(img.m_pFile, nullptr);
}

TEST(ImageBase, BlocksOfEverySizeStartZeroedAndKeepTheirBytes) {
  // small blocks come from the heap, large ones are mapped and a given-back
  // one is reused: each must start as zero bytes all the same
  for (size_t size : {size_t{0}, size_t{1}, size_t{4096}, size_t{3} << 20, (size_t{3} << 20) + 1,
                      size_t{6220800}, size_t{6220800}}) {
    MemBlock b;
    ASSERT_TRUE(b.Allocate(size));
    ASSERT_TRUE(b);
    EXPECT_EQ(b.size(), size);
    EXPECT_TRUE(std::all_of(b.data(), b.data() + size, [](BYTE v) { return v == 0; })) << size;
    std::fill(b.data(), b.data() + size, BYTE{0xA5});  // dirty it for the next round

    MemBlock copy;
    ASSERT_TRUE(copy.CopyFrom(b));
    EXPECT_EQ(copy.size(), size);
    EXPECT_TRUE(std::equal(b.data(), b.data() + size, copy.data()));
    ASSERT_TRUE(copy.Resize(size + 10));
    EXPECT_TRUE(std::all_of(copy.data() + size, copy.data() + size + 10,
                            [](BYTE v) { return v == 0; }));
  }
}
