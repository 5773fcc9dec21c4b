#pragma once
// SECPng: the image in the PNG file form, through libpng.
//
// Reading takes every colour type and depth, interlaced or not. Grey gives
// an 8-bit image over a grey ramp; palette files of 1, 4 or 8 bits keep
// their depth (2-bit ones become 8-bit); colour gives a 24-bit image.
// 16-bit samples are scaled to 8 bits, alpha is dropped over the stored
// colour and tRNS is ignored, as the other readers do. A picture of more
// than kMaxPngPixelBytes or a side above kMaxPngDimension is refused before
// anything is allocated for it.
//
// Writing makes 24-bit RGB, or a palette file of the image's own depth for
// images of 8 bits or fewer (the palette as long as the highest index used
// needs). Screen shots are mostly flat areas and text: the rows go through
// the Sub filter and are compressed in one piece with libdeflate, which
// gives zlib's level-6 size in a quarter of its time; libpng writes the
// chunks around them.

#include <string>

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr DWORD kMaxPngDimension = 1u << 20;
constexpr uint64_t kMaxPngPixelBytes = uint64_t{1} << 30;
constexpr DWORD kPngBufferSize = 65536;

class SECPng : public SECImageBase {
 public:
  using SECImageBase::SECImageBase;

  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;

  // libdeflate's level for the pixel data (1 fastest .. 12 smallest).
  int m_nCompressionLevel = 4;

  // Why the last read or write failed (the library's text or ours), empty
  // after a success. For diagnostics only.
  const std::string& LastError() const { return m_lastError; }
  std::string LoadError() const override { return m_lastError; }

 private:
  std::string m_lastError;
};

}  // namespace prentix
