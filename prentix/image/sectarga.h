#pragma once
// SECTarga: the image in the Targa file form. Written as an uncompressed
// 24-bit file: the 18-byte header, then the rows bottom row first, each
// width x 3 bytes blue, green, red, and nothing after them.
//
// Reading gives a 24-bit image. It takes image types 1, 2, 3 (uncompressed)
// and 9, 10, 11 (run-length): true colour of 15/16 bits (5 bits a channel),
// 24 bits, or 32 bits (the alpha byte dropped); grey of 8 bits, or 16 with
// alpha (dropped); colour-mapped
// with 8- or 16-bit indices into a map of 15/16-, 24- or 32-bit entries
// (indices outside the map black). The identification field, the new-format
// footer, developer directory and extension area are read and kept but do
// not change the picture. Bottom-left, top-left and right-to-left origins
// read upright. Run-length packets may cross row ends; one that would run
// past the picture's end is cut there. It fails on a short read anywhere,
// other types or depths, a zero size, or more than kMaxTargaPixelBytes of
// pixels.

#include <string>
#include <vector>

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr uint64_t kMaxTargaPixelBytes = uint64_t{1} << 30;
constexpr DWORD kTargaBufferSize = 60000;

// The 18-byte file header; integers little-endian in the file.
struct TargaHeader {
  BYTE idLength = 0;
  BYTE colorMapType = 0;
  BYTE imageType = 0;
  WORD colorMapFirst = 0;
  WORD colorMapLength = 0;
  BYTE colorMapEntrySize = 0;  // bits
  WORD xOrigin = 0, yOrigin = 0;
  WORD width = 0, height = 0;
  BYTE pixelDepth = 0;       // bits
  BYTE imageDescriptor = 0;  // bits 0-3 attribute bits, 4 right-to-left, 5 top-down

  static constexpr size_t kSize = 18;
  void Pack(BYTE out[kSize]) const;
};

// The last 26 bytes of a new-format file.
struct TargaFooter {
  DWORD extensionOffset = 0;
  DWORD developerOffset = 0;
  char signature[18] = {};  // "TRUEVISION-XFILE." and a zero byte
};

struct TargaTag {
  WORD number = 0;
  DWORD offset = 0;
  DWORD size = 0;
};

// The extension area, field by field (495 bytes in the file).
struct TargaExtension {
  WORD size = 0;
  char author[41] = {};
  char comments[324] = {};
  WORD dateTime[6] = {};  // month, day, year, hour, minute, second
  char jobName[41] = {};
  WORD jobTime[3] = {};  // hours, minutes, seconds
  char softwareId[41] = {};
  WORD versionNumber = 0;
  char versionLetter = 0;
  DWORD keyColour = 0;
  WORD aspectNumerator = 0, aspectDenominator = 0;
  WORD gammaNumerator = 0, gammaDenominator = 0;
  DWORD colourCorrectionOffset = 0;
  DWORD postageStampOffset = 0;
  DWORD scanLineOffset = 0;
  BYTE attributesType = 0;
};

class SECTarga : public SECImageBase {
 public:
  using SECImageBase::SECImageBase;

  // Uncompressed 24-bit, bottom-left origin, no footer. Images of 1, 4 and
  // 8 bits go out through their colour table. False for other depths,
  // sizes above 65535 and files that refuse the bytes.
  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;

  // What the last file read held besides the pixels.
  TargaHeader m_header;
  std::vector<BYTE> m_identification;
  std::vector<BYTE> m_colorMap;
  bool m_bNewFormat = false;
  TargaFooter m_footer;
  std::vector<TargaTag> m_tags;
  bool m_bHasExtension = false;
  TargaExtension m_extension;
  std::vector<DWORD> m_scanLineTable;
  std::vector<BYTE> m_postageStamp;
  std::vector<WORD> m_colourCorrection;

 private:
  bool ReadNewFormatParts(uint64_t fileLength, uint64_t dataEnd);
  bool DecodeRows();
  // Turns n file pixels into blue, green, red triples.
  void ConvertPixels(const BYTE* in, DWORD n, BYTE* out) const;

  unsigned m_nBytesPerPixel = 0;  // in the file
  std::vector<BYTE> m_mapBgr;     // the colour map as blue, green, red triples
};

}  // namespace prentix
