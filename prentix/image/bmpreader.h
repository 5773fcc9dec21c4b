#pragma once
// The BMP reader behind SECDib and Serialize: takes what real files hold and
// turns it into one of the picture depths (1, 4, 8 or 24 bits, bottom-up,
// padded rows, a full colour table for the depth).
//
// Headers: the 12-byte core header (3-byte colour entries), the 16- to
// 64-byte OS/2 2.x headers, the 40-byte info header and its 52/56-byte,
// V4 (108) and V5 (124) extensions; colour profiles are ignored. Pixels:
// 1, 2, 4, 8, 16, 24 and 32 bits uncompressed, RLE8 and RLE4 (runs past a
// row's end clipped, never written outside the picture), bit fields at 16
// and 32 bits with any masks (with or without an alpha mask; alpha is
// dropped), top-down rows, and embedded JPEG or PNG streams. Colour tables
// may be longer or shorter than the depth needs (missing entries black,
// indices past them black too), and the pixels may start after a gap.
//
// Refused, with the reason in `error`: a wrong signature, an unknown header
// size, a pixel offset inside the headers or past the file, a depth or
// compression that does not go together, OS/2 Huffman and RLE24 files, a
// zero or negative width, sides above kMaxBmpDimension or more than
// kMaxBmpPixelBytes of pixels or the picture budget (checked before anything
// is allocated), uncompressed rows the file does not hold in full, and
// run-length data too short for the picture even at 255 pixels a run.

#include <string>

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr DWORD kMaxBmpDimension = 1u << 20;
constexpr uint64_t kMaxBmpPixelBytes = uint64_t{1} << 30;

class BmpReader {
 public:
  explicit BmpReader(SECImageBase& image) : image_(image) {}

  // Reads from the image's file at its position. On success `header` holds
  // a 40-byte header and the table, `pixels` the rows, unless `embedded`:
  // then the embedded stream's reader has put its picture into the image.
  bool Read(MemBlock& header, MemBlock& pixels);

  std::string error;
  DWORD width = 0, height = 0;
  int outBits = 0;
  bool embedded = false;

 private:
  struct Masks {
    DWORD mask[4] = {};  // red, green, blue, alpha
  };
  bool Fail(std::string why) {
    error = std::move(why);
    return false;
  }
  bool ReadEmbedded(const MemBlock& data, bool png);
  // False when the data ends before the end-of-picture mark and the last row.
  bool DecodeRle(const BYTE* in, size_t n, int bits, BYTE* out, size_t stride) const;
  void ConvertRow(const BYTE* in, BYTE* out, const Masks& m) const;

  SECImageBase& image_;
  int bits_ = 0;  // in the file
};

}  // namespace prentix
