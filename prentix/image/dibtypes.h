#pragma once
// The device-independent bitmap layout shared by every image class and codec:
// header and colour-table records exactly as they sit in a BMP file and in the
// header block, the owned memory blocks, the logical palette, the display facts
// and the plain device bitmap that screen capture and drawing exchange.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace prentix {

static_assert(std::endian::native == std::endian::little,
              "the header records are read and written in host byte order");

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;

// One colour-table entry: blue, green, red, reserved (0).
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

// The 40-byte header at the start of the header block.
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The 14-byte file header of a BMP file. It is not naturally aligned in the
// file (a DWORD at offset 2), so it is packed and unpacked field by field.
struct BITMAPFILEHEADER {
  WORD bfType = 0;
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;

  static constexpr size_t kSize = 14;
  void Pack(BYTE out[kSize]) const;
  static BITMAPFILEHEADER Unpack(const BYTE in[kSize]);
};

constexpr WORD kBmpSignature = 0x4D42;  // "BM"
constexpr DWORD kBiRgb = 0;             // uncompressed rows

// Row length in bytes of `width` pixels at `bits` per pixel, without and with
// the padding to a multiple of 4 bytes. 64-bit so that no width overflows.
constexpr uint64_t UnpaddedRowBytes(uint64_t width, unsigned bits) {
  return (width * bits + 7) / 8;
}
constexpr uint64_t PaddedRowBytes(uint64_t width, unsigned bits) {
  return (UnpaddedRowBytes(width, bits) + 3) / 4 * 4;
}

// Colour-table entries of a picture of `bits` per pixel: 2, 16 or 256 at 1, 4
// or 8 bits, none otherwise.
constexpr WORD TableEntriesForBits(int bits) {
  return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

// An owned, zero-filled byte block standing in for a locked movable global
// memory block. Allocation never throws: Allocate returns false instead.
// Large blocks are mapped (size kept here), small ones come from calloc.
struct MemBlockRelease {
  size_t mapped = 0;
  void operator()(BYTE* p) const;
};

class MemBlock {
 public:
  MemBlock() = default;
  MemBlock(MemBlock&&) noexcept = default;
  MemBlock& operator=(MemBlock&&) noexcept = default;

  // Replaces the contents with `size` zero bytes; on failure the block is empty.
  bool Allocate(size_t size);
  // A copy of `other` (same size); false and empty on failure.
  bool CopyFrom(const MemBlock& other);
  // Grows (or shrinks) to `size`, keeping the first bytes, new bytes zero.
  bool Resize(size_t size);
  void Free() {
    data_.reset();
    size_ = 0;
  }

  BYTE* data() { return data_.get(); }
  const BYTE* data() const { return data_.get(); }
  size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  std::unique_ptr<BYTE[], MemBlockRelease> data_;
  size_t size_ = 0;
};

// A logical palette built from a colour table (palVersion 0x300).
struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
struct LogicalPalette {
  WORD palVersion = 0x300;
  std::vector<PALETTEENTRY> palPalEntry;  // palNumEntries == palPalEntry.size()
};

// The facts about the display an image is made for: bits per pixel and colour
// planes (BITSPIXEL and PLANES of a screen device context). A Linux desktop is
// true colour; tests pass palette displays to reach those paths.
struct DisplayInfo {
  int bitsPerPixel = 24;
  int planes = 1;
};

// Little-endian fields of the file formats.
inline void Put16(BYTE* p, WORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
inline void Put32(BYTE* p, DWORD v) {
  Put16(p, static_cast<WORD>(v));
  Put16(p + 2, static_cast<WORD>(v >> 16));
}
inline WORD Get16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
inline DWORD Get32(const BYTE* p) {
  return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

// Pixel x of a row at 1, 4 or 8 bits per pixel, the left pixel in the high bits.
inline unsigned PixelIndex(const BYTE* row, DWORD x, int bits) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default:
      return row[x];
  }
}

// A device-dependent bitmap as the screen copy delivers it and as drawing
// takes it: rows top-down, `stride` bytes apart. Pixels at 1, 4 and 8 bits
// (bitsPerPixel x planes bits, packed, most significant bits first) index
// `colorTable`; at 16 bits they are little-endian 5-6-5 words, at 24 bits
// blue, green, red and at 32 bits blue, green, red, unused (the layout of an
// X11 true-colour image and of a 32-bit RGB QImage).
struct DeviceBitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int planes = 1;
  size_t stride = 0;
  std::vector<BYTE> bits;
  std::vector<RGBQUAD> colorTable;

  BYTE* Row(int y) { return bits.data() + static_cast<size_t>(y) * stride; }
  const BYTE* Row(int y) const { return bits.data() + static_cast<size_t>(y) * stride; }
};

}  // namespace prentix
