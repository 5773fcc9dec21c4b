#pragma once
// SECTiff: TIFF files through libtiff, which opens files by name, so this
// class loads and saves by path only (the CFile hooks fail).
//
// Reading takes bits per sample 1, 2, 4, 8 and 16 with 1, 3 or 4 samples per
// pixel (a fourth sample is skipped), as palette, min-is-black, min-is-white,
// RGB or YCbCr, in strips or tiles, planes together or apart. One sample per
// pixel gives a 1-bit image at 1 bit and an 8-bit image at 2, 4 and 8 bits;
// more samples give a 24-bit image. A total of 16 bits per pixel is refused.
//
// Writing makes one uncompressed strip: 24-bit images as RGB, 4- and 8-bit
// images as an 8-bit palette image, 1-bit images as bilevel with the
// photometric interpretation that matches the colour table's entry 0.

#include <cstdint>

#include "prentix/image/imagebase.h"

struct tiff;

namespace prentix {

// Larger pictures are refused rather than allocated.
constexpr uint64_t kMaxTiffPixelBytes = uint64_t{1} << 30;

class SECTiff : public SECImageBase {
 public:
  using SECImageBase::LoadImage;
  using SECImageBase::SaveImage;
  using SECImageBase::SECImageBase;

  bool LoadImage(const char* path) override;
  bool SaveImage(const char* path) override;
  // libtiff needs a name: these hooks always fail.
  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;

  int m_nCompression = 1;  // compression tag value for writing (1: none)

  // Tags of the file being read (after the load, of the last file read).
  uint16_t m_wOrientation = 1;
  uint16_t m_wBitsPerSample = 0;
  uint16_t m_wSamplesPerPixel = 0;
  uint16_t m_wPhotometric = 0;

 private:
  bool Decode();
  bool DecodeStripsOrTiles();
  bool DecodeThroughRgba();

  tiff* m_hTif = nullptr;  // open only inside LoadImage
};

}  // namespace prentix
