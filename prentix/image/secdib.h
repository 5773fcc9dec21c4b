#pragma once
// SECDib: the image in the BMP/DIB file form, the working image type of the
// program. A file is the 14-byte file header, the 40-byte info header, the
// colour table (2, 16 or 256 entries at 1, 4 or 8 bits) and the padded pixel
// rows bottom-up.
//
// The reader takes uncompressed files with a 40-byte header at 1, 4, 8, 16,
// 24 or 32 bits, positive width and height, and fails (false) on anything
// else: another signature, a pixel offset below 54 or beyond the file, a
// short header, compression, more than 256 colours in use, dimensions over
// kMaxBmpDimension, or fewer pixel bytes than the rows need.

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr DWORD kMaxBmpDimension = 1u << 20;
constexpr uint64_t kMaxBmpPixelBytes = uint64_t{1} << 30;

class SECDib : public SECImageBase {
 public:
  using SECImageBase::SECImageBase;

  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;
};

}  // namespace prentix
