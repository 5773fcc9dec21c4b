#include "prentix/image/secpcx.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "prentix/image/picturelimits.h"

namespace prentix {

namespace {

constexpr BYTE kManufacturer = 10;
constexpr BYTE kPaletteMark = 0x0C;
constexpr unsigned kMaxRun = 63;

}  // namespace

void PcxHeader::Pack(BYTE out[kSize]) const {
  out[0] = manufacturer;
  out[1] = version;
  out[2] = encoding;
  out[3] = bitsPerPixel;
  Put16(out + 4, xMin);
  Put16(out + 6, yMin);
  Put16(out + 8, xMax);
  Put16(out + 10, yMax);
  Put16(out + 12, hRes);
  Put16(out + 14, vRes);
  std::memcpy(out + 16, palette, sizeof palette);
  out[64] = reserved;
  out[65] = planes;
  Put16(out + 66, bytesPerLine);
  Put16(out + 68, paletteInfo);
  Put16(out + 70, hScreenSize);
  Put16(out + 72, vScreenSize);
  std::memcpy(out + 74, filler, sizeof filler);
}

PcxHeader PcxHeader::Unpack(const BYTE in[kSize]) {
  PcxHeader h;
  h.manufacturer = in[0];
  h.version = in[1];
  h.encoding = in[2];
  h.bitsPerPixel = in[3];
  h.xMin = Get16(in + 4);
  h.yMin = Get16(in + 6);
  h.xMax = Get16(in + 8);
  h.yMax = Get16(in + 10);
  h.hRes = Get16(in + 12);
  h.vRes = Get16(in + 14);
  std::memcpy(h.palette, in + 16, sizeof h.palette);
  h.reserved = in[64];
  h.planes = in[65];
  h.bytesPerLine = Get16(in + 66);
  h.paletteInfo = Get16(in + 68);
  h.hScreenSize = Get16(in + 70);
  h.vScreenSize = Get16(in + 72);
  std::memcpy(h.filler, in + 74, sizeof h.filler);
  return h;
}

// --- Writing -------------------------------------------------------------------

bool SECPcx::WriteFormat(CFile* file) {
  m_pFile = file;
  const int bits = m_nSrcBitsPerPixel;
  if (!file || !HasPicture() || (bits != 1 && bits != 4 && bits != 8)) return false;
  // x max and bytes per line are 16-bit fields
  if (m_dwWidth == 0 || m_dwHeight == 0 || m_dwWidth > 0xFFFF || m_dwHeight > 0xFFFF) return false;
  if (!PadRows() || m_pBits.size() < RowStride() * m_dwHeight) return false;

  const size_t capacity = ColorTableCapacity();
  auto colour = [&](size_t i) { return i < capacity ? m_pColorTable[i] : RGBQUAD{0, 0, 0, 0}; };

  PcxHeader h;
  h.manufacturer = kManufacturer;
  h.version = 5;
  h.encoding = 1;
  // every pixel goes out as one byte, whatever the depth
  h.bitsPerPixel = 8;
  h.xMax = static_cast<WORD>(m_dwWidth - 1);
  h.yMax = static_cast<WORD>(m_dwHeight - 1);
  h.hRes = 640;
  h.vRes = 480;
  if (m_wColors >= 1 && m_wColors <= 15)
    for (size_t i = 0; i < m_wColors; ++i) {
      const RGBQUAD c = colour(i);
      h.palette[3 * i] = c.rgbRed;
      h.palette[3 * i + 1] = c.rgbGreen;
      h.palette[3 * i + 2] = c.rgbBlue;
    }
  h.planes = 1;
  h.bytesPerLine = static_cast<WORD>(m_dwWidth);
  h.paletteInfo = h.bitsPerPixel == 1 ? 1 : 2;
  m_header = h;

  BYTE raw[PcxHeader::kSize];
  h.Pack(raw);
  if (!file->Write(raw, sizeof raw)) return false;

  if (!OpenBuffer(kPcxBufferSize, 0)) return false;
  bool ok = WriteRows();
  if (ok && (1u << h.bitsPerPixel) > 32) {
    BYTE pal[1 + 768] = {kPaletteMark};
    const size_t n = std::min<size_t>(m_wColors, 256);
    for (size_t i = 0; i < n; ++i) {
      const RGBQUAD c = colour(i);
      pal[1 + 3 * i] = c.rgbRed;
      pal[2 + 3 * i] = c.rgbGreen;
      pal[3 + 3 * i] = c.rgbBlue;
    }
    ok = WriteBuffered(pal, sizeof pal) == sizeof pal;
  }
  ok = ok && FlushBuffer();
  CloseBuffer();
  return ok;
}

// Top row first; one value per pixel, left-most first at every depth; runs
// of up to 63 equal values, each as two bytes, never across a row end.
bool SECPcx::WriteRows() {
  const int bits = m_nSrcBitsPerPixel;
  const DWORD w = m_dwWidth;
  std::vector<BYTE> values(w), coded;
  coded.reserve(2 * size_t{w});
  for (DWORD y = 0; y < m_dwHeight; ++y) {
    const BYTE* row = Row(m_dwHeight - 1 - y);
    switch (bits) {
      case 8:
        std::memcpy(values.data(), row, w);
        break;
      case 4:
        for (DWORD x = 0; x < w; ++x) values[x] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        break;
      default:
        for (DWORD x = 0; x < w; ++x) values[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    coded.clear();
    for (DWORD x = 0; x < w;) {
      const BYTE v = values[x];
      DWORD n = 1;
      while (n < kMaxRun && x + n < w && values[x + n] == v) ++n;
      coded.push_back(static_cast<BYTE>(0xC0 | n));
      coded.push_back(v);
      x += n;
    }
    const DWORD size = static_cast<DWORD>(coded.size());
    if (WriteBuffered(coded.data(), size) != size) return false;
  }
  return true;
}

// --- Reading -------------------------------------------------------------------

int SECPcx::NextByte() {
  if (m_nBufPos < m_nBufValid && m_pBuf) return m_pBuf.data()[m_nBufPos++];
  BYTE b;
  return ReadBuffered(&b, 1) == 1 ? b : -1;
}

bool SECPcx::ReadFormat(CFile* file) {
  m_pFile = file;
  m_sLoadError.clear();
  auto fail = [this] {
    CloseBuffer();
    m_pBits.Free();
    FreeHeader();
    return false;
  };
  if (!file) return fail();
  BYTE raw[PcxHeader::kSize];
  if (file->Read(raw, sizeof raw) != sizeof raw) return fail();
  const PcxHeader h = PcxHeader::Unpack(raw);
  m_header = h;
  if (h.manufacturer != kManufacturer || h.version > 5) return fail();
  if (h.xMax < h.xMin || h.yMax < h.yMin) return fail();
  const DWORD width = DWORD{h.xMax} - h.xMin + 1, height = DWORD{h.yMax} - h.yMin + 1;
  const unsigned depth = unsigned{h.bitsPerPixel} * h.planes;
  // 8 bits in 3 planes (4 with alpha, dropped) is true colour
  const bool rgb = h.bitsPerPixel == 8 && (h.planes == 3 || h.planes == 4);
  if (depth > 8 && !rgb) return fail();
  if (h.encoding != 1 || (h.bitsPerPixel != 1 && h.bitsPerPixel != 8) || h.planes == 0)
    return fail();
  const bool planar16 = h.bitsPerPixel == 1 && h.planes == 4;
  const int outBits = rgb ? 24 : planar16 ? 4 : 8;
  const unsigned colours = rgb ? 0 : planar16 ? 16 : 256;
  // the planes are decoded side by side, one byte a value, before they
  // are packed into the picture's rows
  const uint64_t pixelBytes = std::max<uint64_t>(PaddedRowBytes(width, outBits) * height,
                                                 uint64_t{width} * height * (rgb ? h.planes : 1));
  m_sLoadError = CheckPictureBudget(width, height);
  if (!m_sLoadError.empty() || pixelBytes > kMaxPcxPixelBytes) return fail();
  // every value of every plane's line comes from the data, at most 63
  // from one two-byte run
  {
    const uint64_t at = file->GetPosition(), length = file->GetLength();
    m_sLoadError = CheckPictureData(width, height, pixelBytes,
                                    uint64_t{h.bytesPerLine} * h.planes * height * 2, 63,
                                    length > at ? length - at : 0);
  }
  if (!m_sLoadError.empty()) return fail();

  if (!AllocateHeader(40 + 4 * size_t{colours}) || !m_pBits.Allocate(pixelBytes)) return fail();
  BITMAPINFOHEADER* bi = Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(width);
  bi->biHeight = static_cast<LONG>(height);
  bi->biPlanes = 1;
  bi->biBitCount = static_cast<WORD>(outBits);
  // a 1-bit file's 0 and 255 index a 256-entry table; 16 colours fill theirs
  if (depth < 8 && !planar16) bi->biClrUsed = bi->biClrImportant = colours;
  m_nSrcBitsPerPixel = outBits;
  m_wColors = static_cast<WORD>(colours);
  m_dwWidth = width;
  m_dwHeight = height;
  m_dwPadWidth = (width + 3) & ~3u;
  m_bIsPadded = false;

  if (!OpenBuffer(kPcxBufferSize, 1)) return fail();
  if (!DecodeRows(width, height)) m_sLoadWarning = kTruncatedPictureText;
  PackRows(width, height);
  if (colours) ReadPalette(colours);
  if (!PadRows() || !FlipVertical()) return fail();
  CloseBuffer();
  return true;
}

// From one byte a value per plane to the picture's unpadded rows: blue,
// green, red from the colour planes, or two 16-colour pixels a byte.
void SECPcx::PackRows(DWORD width, DWORD height) {
  BYTE* p = m_pBits.data();
  if (m_nSrcBitsPerPixel == 24) {
    const size_t in = size_t{width} * m_header.planes;
    std::vector<BYTE> row(in);
    for (DWORD y = 0; y < height; ++y) {
      std::memcpy(row.data(), p + y * in, in);
      BYTE* out = p + size_t{y} * width * 3;
      for (DWORD x = 0; x < width; ++x) {
        out[3 * x] = row[2 * size_t{width} + x];
        out[3 * x + 1] = row[width + x];
        out[3 * x + 2] = row[x];
      }
    }
  } else if (m_nSrcBitsPerPixel == 4) {
    // each packed byte lands at or before the values it is made of
    const size_t packed = (width + 1) / 2;
    for (DWORD y = 0; y < height; ++y) {
      const BYTE* in = p + size_t{y} * width;
      BYTE* out = p + y * packed;
      for (DWORD x = 0; x < width; x += 2)
        out[x / 2] = static_cast<BYTE>(in[x] << 4 | (x + 1 < width ? in[x + 1] & 15 : 0));
    }
  }
}

// Rows land unpadded and top-down; values past the width are dropped, rows
// the data does not reach stay zero.
bool SECPcx::DecodeRows(DWORD width, DWORD height) {
  const unsigned planes = m_header.planes, perLine = m_header.bytesPerLine;
  const bool oneBit = m_header.bitsPerPixel == 1, planar = oneBit && planes == 4;
  BYTE* pixels = m_pBits.data();
  DWORD y = 0;
  unsigned plane = 0, i = 0;
  while (y < height) {
    int c = NextByte();
    if (c < 0) break;
    unsigned count = 1;
    if (c >= 0xC0) {
      count = c & 0x3F;
      c = NextByte();
      if (c < 0) break;
    }
    const BYTE v = static_cast<BYTE>(c);
    for (; count && y < height; --count) {
      if (i < perLine) {
        BYTE* row = pixels + size_t{y} * width * (oneBit ? 1 : planes);
        if (!oneBit) {
          if (i < width) row[size_t{plane} * width + i] = v;
        } else {
          const DWORD x0 = i * 8;
          for (DWORD b = 0; b < 8 && x0 + b < width; ++b) {
            const unsigned bit = (v >> (7 - b)) & 1;
            if (planar)
              row[x0 + b] = static_cast<BYTE>(row[x0 + b] | bit << plane);
            else
              row[x0 + b] = bit ? 255 : 0;
          }
        }
        ++i;
      }
      if (i >= perLine) {
        i = 0;
        if (++plane == planes) {
          plane = 0;
          ++y;
        }
      }
    }
  }
  return y == height;
}

// Above 16 colours the table follows the 0x0C mark after the rows; a file
// without a complete one reads as a grey ramp. Otherwise the header's.
void SECPcx::ReadPalette(unsigned colours) {
  if (colours > 16) {
    int c;
    while ((c = NextByte()) >= 0 && c != kPaletteMark) {
    }
    BYTE pal[768];
    const DWORD want = 3 * colours;
    if (c == kPaletteMark && ReadBuffered(pal, want) == want) {
      for (unsigned j = 0; j < colours; ++j)
        m_pColorTable[j] = RGBQUAD{pal[3 * j + 2], pal[3 * j + 1], pal[3 * j], 0};
      // A 1-bit file's set pixels are 255 here, while its palette names
      // that colour in entry 1; without this they would all read as black.
      if (m_header.bitsPerPixel == 1 && m_header.planes != 4) m_pColorTable[255] = m_pColorTable[1];
    } else {
      for (unsigned j = 0; j < colours; ++j) {
        const BYTE g = static_cast<BYTE>(j);
        m_pColorTable[j] = RGBQUAD{g, g, g, 0};
      }
    }
    return;
  }
  for (unsigned j = 0; j < colours; ++j)
    m_pColorTable[j] = RGBQUAD{m_header.palette[3 * j + 2], m_header.palette[3 * j + 1],
                               m_header.palette[3 * j], 0};
}

}  // namespace prentix
