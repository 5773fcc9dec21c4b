#include "prentix/image/bmpreader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>

#include "prentix/image/picturelimits.h"
#include "prentix/image/secjpeg.h"
#include "prentix/image/secpng.h"

namespace prentix {

namespace {

enum : DWORD {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
};

bool ReadAll(SECImageBase& img, BYTE* p, uint64_t n) {
  while (n) {
    const DWORD piece = static_cast<DWORD>(std::min<uint64_t>(n, 1u << 30));
    if (img.ReadBuffered(p, piece) != piece) return false;
    p += piece;
    n -= piece;
  }
  return true;
}

// One channel of a bit-field pixel scaled to 8 bits.
struct Channel {
  DWORD mask = 0;
  int shift = 0;
  uint64_t max = 0;
  explicit Channel(DWORD m) : mask(m) {
    if (m) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  BYTE operator()(DWORD v) const {
    if (!max) return 0;
    const uint64_t c = (v & mask) >> shift;
    return static_cast<BYTE>(max == 255 ? c : (c * 255 + max / 2) / max);
  }
};

}  // namespace

bool BmpReader::Read(MemBlock& header, MemBlock& pixels) {
  CFile* f = image_.m_pFile;
  const uint64_t start = f->GetPosition(), length = f->GetLength();
  const uint64_t available = length > start ? length - start : 0;

  BYTE fh[BITMAPFILEHEADER::kSize];
  if (image_.ReadBuffered(fh, sizeof fh) != sizeof fh) return Fail("the file is too short");
  if (Get16(fh) != kBmpSignature) return Fail("not a BMP file");
  const DWORD offBits = Get32(fh + 10);

  BYTE hb[124] = {};
  if (image_.ReadBuffered(hb, 4) != 4) return Fail("the file ends in the header");
  const DWORD hsize = Get32(hb);
  if (hsize != 12 && hsize != 108 && hsize != 124 && (hsize < 16 || hsize > 64))
    return Fail("unknown header size");
  if (!ReadAll(image_, hb + 4, hsize - 4)) return Fail("the file ends in the header");
  // sizes other than the Windows ones are OS/2 2.x headers
  const bool os2 =
      hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 108 && hsize != 124;

  int64_t w, h;
  DWORD compression = kRgb, clrUsed = 0;
  unsigned entryBytes = 4;
  if (hsize == 12) {
    w = Get16(hb + 4);
    h = Get16(hb + 6);
    bits_ = Get16(hb + 10);
    entryBytes = 3;
  } else {
    w = static_cast<int32_t>(Get32(hb + 4));
    h = static_cast<int32_t>(Get32(hb + 8));
    bits_ = Get16(hb + 14);
    compression = Get32(hb + 16);  // zero when the header is shorter
    clrUsed = Get32(hb + 32);
  }
  uint64_t pos = BITMAPFILEHEADER::kSize + hsize;

  if (os2 && compression == 3) return Fail("OS/2 Huffman-coded bitmaps are not read");
  if (os2 && compression == 4) return Fail("OS/2 RLE24 bitmaps are not read");
  Masks masks;
  switch (compression) {
    case kRgb:
      if (bits_ != 1 && bits_ != 2 && bits_ != 4 && bits_ != 8 && bits_ != 16 && bits_ != 24 &&
          bits_ != 32)
        return Fail("unsupported bit count");
      if (bits_ == 16) masks = Masks{{0x7C00, 0x03E0, 0x001F, 0}};
      if (bits_ == 32) masks = Masks{{0xFF0000, 0xFF00, 0xFF, 0}};
      break;
    case kRle8:
    case kRle4:
      if (bits_ != (compression == kRle8 ? 8 : 4))
        return Fail("run-length coding that does not match the bit count");
      break;
    case kBitFields:
    case kAlphaBitFields: {
      if (bits_ != 16 && bits_ != 32) return Fail("bit fields need 16 or 32 bits per pixel");
      if (hsize >= 52) {
        for (int i = 0; i < 3; ++i) masks.mask[i] = Get32(hb + 40 + 4 * i);
      } else {
        // the masks follow a short header in place of the colour table
        const unsigned n = compression == kAlphaBitFields ? 4 : 3;
        BYTE m[16];
        if (!ReadAll(image_, m, 4 * n)) return Fail("the file ends in the colour masks");
        for (unsigned i = 0; i < 3; ++i) masks.mask[i] = Get32(m + 4 * i);
        pos += 4 * n;
      }
      break;
    }
    case kJpeg:
    case kPng:
      break;
    default:
      return Fail("unknown compression");
  }

  if (offBits < pos) return Fail("the pixel offset points into the header");
  if (offBits > available) return Fail("the pixel offset is past the end of the file");
  const uint64_t dataBytes = available - offBits;

  if (compression == kJpeg || compression == kPng) {
    if (dataBytes > kMaxBmpPixelBytes) return Fail("the embedded picture is too large");
    MemBlock data;
    if (!f->Seek(start + offBits) || !data.Allocate(dataBytes) ||
        !ReadAll(image_, data.data(), dataBytes))
      return Fail("the embedded picture cannot be read");
    return ReadEmbedded(data, compression == kPng);
  }

  if (w <= 0) return Fail("the width is zero or negative");
  if (h == 0) return Fail("the height is zero");
  const bool topDown = h < 0;
  if (topDown) h = -h;
  if (std::string why = CheckPictureBudget(w, h); !why.empty()) return Fail(why);
  if (w > kMaxBmpDimension || h > kMaxBmpDimension)
    return Fail("the picture is larger than this program opens");
  width = static_cast<DWORD>(w);
  height = static_cast<DWORD>(h);
  outBits = bits_ > 8 ? 24 : bits_ == 2 ? 8 : bits_;
  const uint64_t stride = PaddedRowBytes(width, outBits);
  if (stride * height > kMaxBmpPixelBytes)
    return Fail("the picture is larger than this program opens");
  const bool rle = compression == kRle8 || compression == kRle4;
  const uint64_t srcStride = PaddedRowBytes(width, bits_);
  if (!rle && srcStride * height > dataBytes)
    return Fail("the file holds fewer pixel rows than its header says");
  // a two-byte run gives at most 255 pixels; pixels that deltas and early
  // ends skip are no data
  if (rle) {
    std::string why = CheckPictureData(width, height, stride * height, uint64_t{width} * height * 2,
                                       255, dataBytes);
    if (!why.empty()) return Fail(why);
  }

  // Header and colour table of the picture: always the full table of its
  // depth, so that every index a file may hold has an entry (black beyond
  // what the file gives).
  const WORD colours = TableEntriesForBits(outBits);
  if (!header.Allocate(40 + 4 * size_t{colours})) return Fail("out of memory");
  auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(width);
  bi->biHeight = static_cast<LONG>(height);
  bi->biPlanes = 1;
  bi->biBitCount = static_cast<WORD>(outBits);
  if (hsize >= 40) {
    bi->biXPelsPerMeter = static_cast<LONG>(Get32(hb + 24));
    bi->biYPelsPerMeter = static_cast<LONG>(Get32(hb + 28));
  }
  if (bits_ <= 8) {
    uint64_t n = uint64_t{1} << bits_;
    if (clrUsed && clrUsed < n) n = clrUsed;
    n = std::min<uint64_t>(n, (offBits - pos) / entryBytes);
    BYTE table[256 * 4];
    if (!ReadAll(image_, table, n * entryBytes)) return Fail("the file ends in the colour table");
    auto* out = reinterpret_cast<RGBQUAD*>(header.data() + 40);
    for (uint64_t i = 0; i < n; ++i) {
      const BYTE* e = table + i * entryBytes;
      out[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  }

  if (!f->Seek(start + offBits)) return Fail("the pixels cannot be read");
  if (!pixels.Allocate(stride * height)) return Fail("out of memory");
  if (rle) {
    const uint64_t n = std::min<uint64_t>(dataBytes, 2 * kMaxBmpPixelBytes);
    MemBlock data;
    if (!data.Allocate(n) || !ReadAll(image_, data.data(), n))
      return Fail("the pixels cannot be read");
    if (!DecodeRle(data.data(), n, bits_, pixels.data(), stride))
      image_.SetLoadWarning(kTruncatedPictureText);
  } else if (bits_ == outBits) {
    if (!ReadAll(image_, pixels.data(), stride * height)) return Fail("the pixels cannot be read");
  } else {
    // other layouts are turned into picture rows one at a time
    MemBlock row;
    if (!row.Allocate(srcStride)) return Fail("out of memory");
    for (DWORD y = 0; y < height; ++y) {
      if (!ReadAll(image_, row.data(), srcStride)) return Fail("the pixels cannot be read");
      ConvertRow(row.data(), pixels.data() + y * stride, masks);
    }
  }
  // rows were stored as they came, the first at the bottom
  if (topDown)
    for (DWORD i = 0, j = height - 1; i < j; ++i, --j)
      std::swap_ranges(pixels.data() + i * stride, pixels.data() + (i + 1) * stride,
                       pixels.data() + j * stride);
  return true;
}

void BmpReader::ConvertRow(const BYTE* in, BYTE* out, const Masks& m) const {
  if (bits_ == 2) {
    for (DWORD x = 0; x < width; ++x) out[x] = (in[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    return;
  }
  const Channel r(m.mask[0]), g(m.mask[1]), b(m.mask[2]);
  const unsigned step = bits_ / 8;
  for (DWORD x = 0; x < width; ++x, in += step, out += 3) {
    const DWORD v = step == 2 ? Get16(in) : Get32(in);
    out[0] = b(v);
    out[1] = g(v);
    out[2] = r(v);
  }
}

// Run-length rows as they come, first at the bottom. A run or absolute
// stretch past the row's end is cut there; a delta may move anywhere, and
// nothing lands outside the picture.
bool BmpReader::DecodeRle(const BYTE* in, size_t n, int bits, BYTE* out, size_t stride) const {
  uint64_t x = 0, y = 0;
  auto put = [&](unsigned v) {
    if (x < width && y < height) {
      BYTE* row = out + y * stride;
      if (bits == 8)
        row[x] = static_cast<BYTE>(v);
      else
        row[x >> 1] = static_cast<BYTE>((x & 1) ? (row[x >> 1] & 0xF0) | (v & 15)
                                                : (row[x >> 1] & 0x0F) | (v & 15) << 4);
    }
    ++x;
  };
  size_t i = 0;
  bool ended = false;  // by the end-of-picture mark or past the last row
  while (i + 1 < n && y < height) {
    const unsigned a = in[i], b = in[i + 1];
    i += 2;
    if (a) {
      if (x >= width) {
        x += a;
        continue;
      }
      for (unsigned k = 0; k < a; ++k) put(bits == 8 ? b : (k & 1) ? b & 15 : b >> 4);
    } else if (b == 0) {
      x = 0;
      ++y;
    } else if (b == 1) {
      ended = true;
      break;
    } else if (b == 2) {
      if (i + 1 >= n) break;
      x += in[i];
      y += in[i + 1];
      i += 2;
    } else {
      const size_t bytes = bits == 8 ? b : (b + 1) / 2;
      if (bytes > n - i) break;
      for (unsigned k = 0; k < b; ++k)
        put(bits == 8 ? in[i + k] : (k & 1) ? in[i + k / 2] & 15 : in[i + k / 2] >> 4);
      i += (bytes + 1) & ~size_t{1};  // absolute stretches end on a 16-bit boundary
    }
  }
  return ended || y >= height;
}

bool BmpReader::ReadEmbedded(const MemBlock& data, bool png) {
  CMemFile mem(data.data(), data.size());
  const DisplayInfo display{image_.m_nSysBitsPerPixel ? image_.m_nSysBitsPerPixel : 24,
                            image_.m_nBitPlanes ? image_.m_nBitPlanes : 1};
  std::unique_ptr<SECImageBase> codec;
  if (png)
    codec = std::make_unique<SECPng>(display);
  else
    codec = std::make_unique<SECJpeg>(display);
  if (!codec->LoadImage(&mem))
    return Fail(png ? "the embedded PNG picture is broken" : "the embedded JPEG picture is broken");
  image_.TakeOver(*codec);
  image_.SetLoadWarning(codec->LoadWarning());
  width = image_.m_dwWidth;
  height = image_.m_dwHeight;
  outBits = image_.m_nSrcBitsPerPixel;
  embedded = true;
  return true;
}

}  // namespace prentix
