#pragma once
// SECPcx: the image in the PCX file form. A file is a 128-byte header, the
// run-length coded rows (top row first, every plane of a row in turn) and,
// for 256-colour files, the byte 0x0C and a 768-byte palette at the end.
//
// Writing takes images of 1, 4 or 8 bits per pixel and writes them as one
// byte per pixel in one plane, with the colour table as the trailing palette
// (and, for tables of fewer than 16 colours, in the header too).
//
// Reading takes run-length coded files: 8 bits in one plane give an 8-bit
// image (256 colours from the trailing palette, or a grey ramp when the
// file has none); 8 bits in 3 planes (4 with alpha, dropped) a 24-bit
// image; 1 bit in 4 planes a 4-bit image of 16 colours from the header
// palette; 1 bit in other plane counts an 8-bit image of pixels 0 and 255
// over the trailing palette or the grey ramp. It fails on a short header,
// another maker byte, a version above 5, other depths, 2 or 4 bits per
// plane, uncompressed data, no planes, a negative size or more than
// kMaxPcxPixelBytes of pixels. Data that ends early leaves the rows not
// reached zero; values beyond the picture's width are dropped.

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr uint64_t kMaxPcxPixelBytes = uint64_t{1} << 30;
constexpr DWORD kPcxBufferSize = 60000;

// The 128-byte file header; integers little-endian in the file.
struct PcxHeader {
  BYTE manufacturer = 0;  // 10
  BYTE version = 0;
  BYTE encoding = 0;      // 1: run-length
  BYTE bitsPerPixel = 0;  // per plane
  WORD xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  WORD hRes = 0, vRes = 0;
  BYTE palette[48] = {};  // 16 entries red, green, blue
  BYTE reserved = 0;
  BYTE planes = 0;
  WORD bytesPerLine = 0;
  WORD paletteInfo = 0;
  WORD hScreenSize = 0, vScreenSize = 0;
  BYTE filler[54] = {};

  static constexpr size_t kSize = 128;
  void Pack(BYTE out[kSize]) const;
  static PcxHeader Unpack(const BYTE in[kSize]);
};

class SECPcx : public SECImageBase {
 public:
  using SECImageBase::SECImageBase;

  // False for images of more than 8 bits, sizes the header cannot hold
  // (above 65535) and files that refuse the bytes.
  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;

  PcxHeader m_header;  // of the last file read or written

 private:
  bool WriteRows();
  bool DecodeRows(DWORD width, DWORD height);
  void PackRows(DWORD width, DWORD height);
  void ReadPalette(unsigned colours);
  // Next byte of the codec buffer; -1 at the end of the file.
  int NextByte();
};

}  // namespace prentix
