#pragma once
// SECTiff: TIFF files through libtiff, which opens files by name, so this
// class loads and saves by path only (the CFile hooks fail).
//
// Reading takes palette files of 1, 2, 4 and 8 bits, grey of 1 to 16 bits
// (deep grey scaled to 8 bits) and RGB of 8 or 16 bits a sample, in strips
// or tiles, planes together or apart, alpha and other extra samples
// skipped. Whatever else libtiff's RGBA reader takes (CMYK, CIE Lab, YCbCr
// in every subsampling, JPEG-compressed and odd layouts) goes through it.
// One sample per pixel gives a 1-bit image at 1 bit and an 8-bit image
// above; colour gives a 24-bit image. All eight orientations are applied,
// mirrors and quarter turns included. Multi-page files: the first page.
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
  bool ApplyOrientation();

  tiff* m_hTif = nullptr;  // open only inside LoadImage
};

}  // namespace prentix
