#pragma once
// SECGif: the image in the GIF file form.
//
// Writing gives a single-image GIF89a file from a picture of 1, 4 or 8 bits:
// the 13-byte header and screen descriptor (flags 0xF7), a 768-byte global
// colour table (the image's colours, then black), the image descriptor at
// (0, 0) without local table or interlace, LZW code size 8 and the data in
// sub-blocks of 254 bytes, then 0x00 and the trailer 0x3B. No extensions.
// A 1-bit picture is written left-most pixel first, so the file shows the
// same picture. Pictures above 8 bits, empty ones and ones wider or higher
// than 65535 pixels are refused.
//
// Reading takes the first image of a GIF87a or GIF89a file (version letter
// in either case) into an 8-bit image: global or local colour table (the
// rest of the 256 entries black), interlaced or not. Extensions are skipped.
// It fails on a wrong signature, a short descriptor or colour table, a file
// with no image before its trailer, an LZW code size outside 2..11, an empty
// image or one of more than kMaxGifPixels pixels. Image data that ends early
// or is corrupt leaves the rest of the pixels 0; that is not a failure.

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr uint64_t kMaxGifPixels = uint64_t{1} << 28;
constexpr DWORD kGifBufferSize = 60000;

class SECGif : public SECImageBase {
 public:
  using SECImageBase::SECImageBase;

  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;

  // What the last read found in the file.
  WORD m_wScreenWidth = 0;
  WORD m_wScreenHeight = 0;
  BYTE m_byScreenFlags = 0;
  BYTE m_byBackground = 0;
  BYTE m_byAspect = 0;
  WORD m_wImageLeft = 0;
  WORD m_wImageTop = 0;
  WORD m_wImageWidth = 0;
  WORD m_wImageHeight = 0;
  BYTE m_byImageFlags = 0;
  bool m_bInterlaced = false;  // bit 6 of the image flags
  BYTE m_byCodeSize = 0;       // LZW minimum code size

 private:
  bool ReadImage();
  bool SkipExtension();
  bool ReadColorTable(DWORD entries);
};

}  // namespace prentix
