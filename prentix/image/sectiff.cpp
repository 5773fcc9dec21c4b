#include "prentix/image/sectiff.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "prentix/image/picturelimits.h"

namespace prentix {

namespace {

// libtiff's warnings and errors are nobody's business but ours: dropped.
int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenQuietly(const char* path, const char* mode) {
  TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
  if (!opts) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(opts, Silent, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(opts, Silent, nullptr);
  // no block of the library's own larger than a strip of a picture of the
  // budget at four bytes a pixel
  const uint64_t most = std::min<uint64_t>(
      kMaxTiffPixelBytes, CurrentPictureLimits().maxPixels * 4 + (uint64_t{16} << 20));
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts, static_cast<tmsize_t>(most));
  TIFF* tif = TIFFOpenExt(path, mode, opts);
  TIFFOpenOptionsFree(opts);
  return tif;
}

// The most bytes of samples one byte of data gives at the compression's
// best, times `scale` (the unit of the need it is compared with).
uint64_t SamplesPerDataByte(uint16_t compression, uint64_t rowBytes, unsigned bytesPerPixel,
                            uint64_t& scale) {
  scale = 1;
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;  // a two-byte run repeats a byte 128 times
    case COMPRESSION_LZW:
      scale = 9;  // a code of at least 9 bits stands for at most 4096 bytes
      return 4096 * 8;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
      return 1032;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      return 8 * rowBytes;  // a row like the one above takes a bit
    case COMPRESSION_OJPEG:
    case COMPRESSION_JPEG:
      return 8 * 64 * uint64_t{bytesPerPixel};  // a bit an 8 x 8 block
    default:
      return 1 << 16;  // schemes without a known floor: a generous guess
  }
}

// The bytes of coded data the file's strips or tiles hold, each count held
// to what the file has past its offset.
uint64_t StoredDataBytes(TIFF* tif) {
  struct stat st;
  if (fstat(TIFFFileno(tif), &st) != 0) return UINT64_MAX;
  const uint64_t length = static_cast<uint64_t>(st.st_size);
  const uint32_t n = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  uint64_t sum = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const uint64_t offset = TIFFGetStrileOffset(tif, i), count = TIFFGetStrileByteCount(tif, i);
    if (offset < length) sum += std::min(count, length - offset);
  }
  return sum;
}

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};

// Sample `i` of a row of packed samples of `bits` (the first in the high
// bits; 16-bit samples come in host order from the library, other widths
// up to 16 bits as a bit stream, most significant bit first).
inline unsigned SampleAt(const BYTE* row, uint64_t i, int bits) {
  switch (bits) {
    case 1:
      return (row[i >> 3] >> (7 - (i & 7))) & 1;
    case 2:
      return (row[i >> 2] >> (6 - 2 * (i & 3))) & 3;
    case 4:
      return (row[i >> 1] >> ((i & 1) ? 0 : 4)) & 15;
    case 8:
      return row[i];
    case 16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * i, 2);
      return v;
    }
    default: {
      // only the bytes the sample covers: the last one may end the row
      const uint64_t bit = i * bits;
      const BYTE* p = row + bit / 8;
      const unsigned bytes = static_cast<unsigned>((bit % 8 + bits + 7) / 8);
      uint32_t window = 0;
      for (unsigned k = 0; k < 3; ++k) window = window << 8 | (k < bytes ? p[k] : 0);
      return (window >> (24 - bits - bit % 8)) & ((1u << bits) - 1);
    }
  }
}

// The value range of the samples: tags 280 and 281, or the whole range of
// the bit depth when they are missing or make no sense.
void SampleRange(TIFF* tif, int bits, unsigned& lo, unsigned& hi) {
  const unsigned full = (1u << bits) - 1;
  uint16_t mn = 0, mx = static_cast<uint16_t>(full);
  TIFFGetFieldDefaulted(tif, TIFFTAG_MINSAMPLEVALUE, &mn);
  TIFFGetFieldDefaulted(tif, TIFFTAG_MAXSAMPLEVALUE, &mx);
  lo = mn;
  hi = mx;
  if (hi <= lo || hi > full) lo = 0, hi = full;
}

inline unsigned Scale(unsigned v, unsigned lo, unsigned hi) {
  v = std::clamp(v, lo, hi);
  return (v - lo) * 255 / (hi - lo);
}

// Four inks of the usual kind (the default ink set).
bool CmykInks(TIFF* tif) {
  uint16_t inkSet = INKSET_CMYK;
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
  return inkSet == INKSET_CMYK;
}

}  // namespace

bool SECTiff::WriteFormat(CFile*) { return false; }
bool SECTiff::ReadFormat(CFile*) { return false; }

// --- Reading ---------------------------------------------------------------------

bool SECTiff::LoadImage(const char* path) {
  m_sLoadError.clear();
  if (!path || !BeforeLoad()) return false;
  m_hTif = OpenQuietly(path, "r");
  if (!m_hTif) return false;
  const bool ok = Decode();
  TIFFClose(m_hTif);
  m_hTif = nullptr;
  if (!ok) {
    FreeHeader();
    m_pBits.Free();
    return false;
  }
  BITMAPINFOHEADER* bi = Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(m_dwWidth);
  bi->biHeight = static_cast<LONG>(m_dwHeight);
  bi->biPlanes = static_cast<WORD>(m_nBitPlanes);
  bi->biBitCount = static_cast<WORD>(m_nSrcBitsPerPixel);
  bi->biCompression = kBiRgb;
  m_dwPadWidth = (m_dwWidth + 3) & ~3u;
  bi->biSizeImage = static_cast<DWORD>(PaddedRowLength() * m_dwHeight);
  // the decoders leave the rows top-down, as stored; then the orientation
  // turns the stored picture upright
  if (!FlipVertical() || !ApplyOrientation()) {
    FreeHeader();
    m_pBits.Free();
    return false;
  }
  bi = Header();
  bi->biSizeImage = static_cast<DWORD>(PaddedRowLength() * m_dwHeight);
  return AfterLoad();
}

// Orientation 1 is the stored picture; 2-4 mirror and flip it, 5-8 have its
// rows as columns.
bool SECTiff::ApplyOrientation() {
  switch (m_wOrientation) {
    case ORIENTATION_TOPRIGHT:
      return MirrorHorizontal();
    case ORIENTATION_BOTRIGHT:
      return MirrorHorizontal() && FlipVertical();
    case ORIENTATION_BOTLEFT:
      return FlipVertical();
    case ORIENTATION_LEFTTOP:
      return Rotate90(true) && MirrorHorizontal();
    case ORIENTATION_RIGHTTOP:
      return Rotate90(true);
    case ORIENTATION_RIGHTBOT:
      return Rotate90(true) && FlipVertical();
    case ORIENTATION_LEFTBOT:
      return Rotate90(false);
    default:
      return true;
  }
}

bool SECTiff::Decode() {
  TIFF* tif = m_hTif;
  uint32_t width = 0, height = 0;
  uint16_t bps = 1, spp = 1, photometric = 0;
  m_wOrientation = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &m_wOrientation);
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
    return false;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
    photometric = spp == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
  m_wBitsPerSample = bps;
  m_wSamplesPerPixel = spp;
  m_wPhotometric = photometric;

  // The direct paths: palette and grey of up to 16 bits, RGB of 8 or 16,
  // further samples (alpha) skipped. Everything else goes through the
  // library's RGBA reader, which knows CMYK, Lab, YCbCr and the rest.
  const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
  const bool direct =
      (photometric == PHOTOMETRIC_PALETTE && spp >= 1 &&
       (bps == 1 || bps == 2 || bps == 4 || bps == 8)) ||
      (grey && spp >= 1 && bps >= 1 && bps <= 16) ||
      (photometric == PHOTOMETRIC_RGB && spp >= 3 && (bps == 8 || bps == 16)) ||
      (photometric == PHOTOMETRIC_SEPARATED && spp >= 4 && bps == 16 && CmykInks(tif));
  if (!direct) {
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message)) return false;
  }

  // 2- to 16-bit samples of one channel become 8-bit indices, colour 24 bits
  const bool oneChannel = direct && (grey || photometric == PHOTOMETRIC_PALETTE);
  const int outBits = oneChannel ? (bps == 1 ? 1 : 8) : 24;
  m_sLoadError = CheckPictureBudget(width, height);
  if (!m_sLoadError.empty()) return false;
  if (width == 0 || height == 0 || PaddedRowBytes(width, outBits) * height > kMaxTiffPixelBytes)
    return false;
  {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint64_t rowBytes = UnpaddedRowBytes(width, bps * spp);
    uint64_t scale;
    const uint64_t perByte = SamplesPerDataByte(compression, rowBytes, (bps * spp + 7u) / 8, scale);
    m_sLoadError = CheckPictureData(width, height, PaddedRowBytes(width, outBits) * height,
                                    rowBytes * height * scale, perByte, StoredDataBytes(tif));
    if (!m_sLoadError.empty()) return false;
  }
  m_dwWidth = width;
  m_dwHeight = height;
  m_nSrcBitsPerPixel = outBits;
  m_bIsPadded = false;
  m_wColors = 0;
  if (!AllocateHeader(40 + (outBits == 24 ? 0 : 4 * 256))) return false;
  if (!m_pBits.Allocate(PaddedRowBytes(width, outBits) * height)) return false;

  if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return false;
    const unsigned n = 1u << bps;
    bool wide = false;
    for (unsigned i = 0; i < n; ++i) wide = wide || r[i] > 255 || g[i] > 255 || b[i] > 255;
    auto c8 = [wide](uint16_t v) { return static_cast<BYTE>(wide ? v * 255u / 65535u : v); };
    for (unsigned i = 0; i < n; ++i) m_pColorTable[i] = RGBQUAD{c8(b[i]), c8(g[i]), c8(r[i]), 0};
    m_wColors = static_cast<WORD>(n);
  } else if (grey && bps > 8) {
    // deep grey is scaled to 8 bits over a plain ramp
    for (unsigned i = 0; i < 256; ++i) {
      const BYTE v = static_cast<BYTE>(i);
      m_pColorTable[i] = RGBQUAD{v, v, v, 0};
    }
    m_wColors = 256;
  } else if (grey) {
    unsigned lo, hi;
    SampleRange(tif, bps, lo, hi);
    const unsigned span = hi - lo;
    for (unsigned i = 0; i <= span; ++i) {
      const unsigned level = photometric == PHOTOMETRIC_MINISBLACK ? i : span - i;
      const BYTE v = static_cast<BYTE>(level * 255 / span);
      m_pColorTable[i] = RGBQUAD{v, v, v, 0};
    }
    m_wColors = static_cast<WORD>(span + 1);
  }

  return direct ? DecodeStripsOrTiles() : DecodeThroughRgba();
}

// YCbCr with its coefficients, subsampling and reference black and white is
// left to the library's RGBA reader, which also undoes JPEG compression.
bool SECTiff::DecodeThroughRgba() {
  TIFF* tif = m_hTif;
  char message[1024];
  if (!TIFFRGBAImageOK(tif, message)) return false;
  const DWORD w = m_dwWidth, h = m_dwHeight;
  MemBlock raster;
  if (uint64_t{w} * h * 4 > kMaxTiffPixelBytes || !raster.Allocate(size_t{w} * h * 4)) return false;
  auto* px = reinterpret_cast<uint32_t*>(raster.data());
  // asked for the file's own orientation, the library leaves the rows as
  // stored; ApplyOrientation turns them like those of the direct paths
  const int asStored = m_wOrientation >= 1 && m_wOrientation <= 8 ? m_wOrientation : 1;
  if (!TIFFReadRGBAImageOriented(tif, w, h, px, asStored, 1)) return false;
  const size_t stride = PaddedRowLength();
  for (DWORD y = 0; y < h; ++y) {
    BYTE* out = m_pBits.data() + y * stride;
    const uint32_t* in = px + size_t{y} * w;
    for (DWORD x = 0; x < w; ++x, out += 3) {
      out[0] = static_cast<BYTE>(TIFFGetB(in[x]));
      out[1] = static_cast<BYTE>(TIFFGetG(in[x]));
      out[2] = static_cast<BYTE>(TIFFGetR(in[x]));
    }
  }
  m_bIsPadded = stride != UnpaddedRowLength();
  return true;
}

bool SECTiff::DecodeStripsOrTiles() {
  TIFF* tif = m_hTif;
  const int bps = m_wBitsPerSample, spp = m_wSamplesPerPixel;
  const DWORD w = m_dwWidth, h = m_dwHeight;
  uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const int planes = planar == PLANARCONFIG_SEPARATE ? spp : 1;
  const int samplesInPlane = planes > 1 ? 1 : spp;
  // alpha and other extra planes are never read
  const int planesUsed = std::min(planes, m_wPhotometric == PHOTOMETRIC_RGB         ? 3
                                          : m_wPhotometric == PHOTOMETRIC_SEPARATED ? 4
                                                                                    : 1);
  const uint64_t rowBytes = UnpaddedRowBytes(w, bps * samplesInPlane);
  const uint64_t planeBytes = rowBytes * h;
  if (planeBytes * planesUsed > 2 * kMaxTiffPixelBytes) return false;

  // Samples to pixels, rows in stored order.
  const size_t stride = PaddedRowLength();
  unsigned lo = 0, hi = (1u << bps) - 1;
  const bool palette = m_wPhotometric == PHOTOMETRIC_PALETTE;
  if (!palette) SampleRange(tif, bps, lo, hi);
  const bool direct = bps == 8 && lo == 0 && hi == 255;
  const bool cmyk = m_wPhotometric == PHOTOMETRIC_SEPARATED;
  const bool deepGrey = !palette && bps > 8;
  const bool inverted = m_wPhotometric == PHOTOMETRIC_MINISWHITE;
  // in: the file row's samples (plane 0; further planes planeStep apart)
  auto convertRow = [&](DWORD fileRow, const BYTE* in, uint64_t planeStep) {
    BYTE* out = m_pBits.data() + fileRow * stride;
    if (m_nSrcBitsPerPixel == 1 && samplesInPlane == 1) {
      // the sample is the index: 0 and 1 of the palette or the grey map
      std::memcpy(out, in, rowBytes);
      if (w % 8) out[rowBytes - 1] &= static_cast<BYTE>(0xFF00 >> (w % 8));
    } else if (m_nSrcBitsPerPixel == 1) {
      std::memset(out, 0, UnpaddedRowLength());
      for (DWORD x = 0; x < w; ++x)
        if (SampleAt(in, uint64_t{x} * samplesInPlane, 1)) out[x >> 3] |= 0x80 >> (x & 7);
    } else if (m_nSrcBitsPerPixel == 8) {
      for (DWORD x = 0; x < w; ++x) {
        const unsigned s = SampleAt(in, uint64_t{x} * samplesInPlane, bps);
        if (deepGrey) {
          const unsigned v = Scale(s, lo, hi);
          out[x] = static_cast<BYTE>(inverted ? 255 - v : v);
        } else {
          out[x] = static_cast<BYTE>(palette ? s : std::clamp(s, lo, hi) - lo);
        }
      }
    } else if (cmyk) {
      // inks to light: each colour is what its ink and the black let through
      for (DWORD x = 0; x < w; ++x, out += 3) {
        unsigned ink[4];
        for (int c = 0; c < 4; ++c) {
          const BYTE* plane = in + (planes > 1 ? c * planeStep : 0);
          const uint64_t i = planes > 1 ? x : uint64_t{x} * spp + c;
          ink[c] = Scale(SampleAt(plane, i, bps), lo, hi);
        }
        for (int c = 0; c < 3; ++c)
          out[2 - c] = static_cast<BYTE>((255 - ink[c]) * (255 - ink[3]) / 255);
      }
    } else if (direct && planes == 1) {
      // the usual 8-bit interleaved colour: red, green, blue to blue, green, red
      for (DWORD x = 0; x < w; ++x, out += 3, in += spp) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else {
      for (DWORD x = 0; x < w; ++x, out += 3)
        for (int c = 0; c < 3; ++c) {
          const BYTE* plane = in + (planes > 1 ? c * planeStep : 0);
          const uint64_t i = planes > 1 ? x : uint64_t{x} * spp + c;
          const unsigned s = SampleAt(plane, i, bps);
          out[2 - c] = static_cast<BYTE>(direct ? s : Scale(s, lo, hi));
        }
    }
  };

  if (!TIFFIsTiled(tif) && planes == 1) {
    // One strip at a time straight into the picture: no copy of the whole.
    uint32_t rps = h;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
    if (rps == 0 || rps > h) rps = h;
    if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) != rowBytes) return false;
    const tmsize_t stripSize = TIFFStripSize(tif);
    if (stripSize <= 0 || static_cast<uint64_t>(stripSize) < rowBytes * rps) return false;
    MemBlock strip;
    if (!strip.Allocate(static_cast<size_t>(stripSize))) return false;
    for (uint32_t y = 0; y < h; y += rps) {
      const uint32_t index = TIFFComputeStrip(tif, y, 0);
      if (index >= TIFFNumberOfStrips(tif)) return false;
      const uint32_t rows = std::min(rps, h - y);
      // a short strip reads as zero samples
      const tmsize_t got = TIFFReadEncodedStrip(tif, index, strip.data(), stripSize);
      if (got < 0) return false;
      if (static_cast<uint64_t>(got) < rows * rowBytes) {
        std::memset(strip.data() + got, 0, rows * rowBytes - static_cast<uint64_t>(got));
        m_sLoadWarning = kTruncatedPictureText;
      }
      for (uint32_t r = 0; r < rows; ++r) convertRow(y + r, strip.data() + r * rowBytes, 0);
    }
    m_bIsPadded = stride != UnpaddedRowLength();
    return true;
  }

  // Tiles and separate planes: the samples of every plane first, rows top
  // to bottom in file order.
  MemBlock raw;
  if (!raw.Allocate(planeBytes * planesUsed)) return false;

  if (TIFFIsTiled(tif)) {
    uint32_t tw = 0, th = 0;
    if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) ||
        tw == 0 || th == 0)
      return false;
    // tile columns must start on a byte
    if (uint64_t{tw} * bps * samplesInPlane % 8) return false;
    const uint64_t tileRow = UnpaddedRowBytes(tw, bps * samplesInPlane);
    const tmsize_t tileSize = TIFFTileSize(tif);
    if (tileSize <= 0 || static_cast<uint64_t>(tileSize) < tileRow * th) return false;
    MemBlock tile;
    if (!tile.Allocate(static_cast<size_t>(tileSize))) return false;
    for (int p = 0; p < planesUsed; ++p)
      for (uint32_t ty = 0; ty < h; ty += th)
        for (uint32_t tx = 0; tx < w; tx += tw) {
          const uint32_t index = TIFFComputeTile(tif, tx, ty, 0, static_cast<uint16_t>(p));
          if (index >= TIFFNumberOfTiles(tif)) return false;
          std::memset(tile.data(), 0, tile.size());
          const tmsize_t got = TIFFReadEncodedTile(tif, index, tile.data(), tileSize);
          if (got < 0) return false;
          if (static_cast<uint64_t>(got) < tileRow * th) m_sLoadWarning = kTruncatedPictureText;
          const uint64_t xoff = uint64_t{tx} * bps * samplesInPlane / 8;
          const uint64_t n = std::min(tileRow, rowBytes - xoff);
          for (uint32_t r = 0; r < th && ty + r < h; ++r)
            std::memcpy(raw.data() + p * planeBytes + (ty + r) * rowBytes + xoff,
                        tile.data() + r * tileRow, n);
        }
  } else {
    uint32_t rps = h;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
    if (rps == 0 || rps > h) rps = h;
    if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) != rowBytes) return false;
    const uint64_t need = rowBytes * rps;
    const tmsize_t stripSize = TIFFStripSize(tif);
    if (stripSize <= 0 || static_cast<uint64_t>(stripSize) < need) return false;
    MemBlock strip;
    if (!strip.Allocate(static_cast<size_t>(stripSize))) return false;
    for (int p = 0; p < planesUsed; ++p)
      for (uint32_t y = 0; y < h; y += rps) {
        const uint32_t index = TIFFComputeStrip(tif, y, static_cast<uint16_t>(p));
        if (index >= TIFFNumberOfStrips(tif)) return false;
        std::memset(strip.data(), 0, strip.size());
        const tmsize_t got = TIFFReadEncodedStrip(tif, index, strip.data(), stripSize);
        if (got < 0) return false;
        const uint32_t rows = std::min(rps, h - y);
        if (static_cast<uint64_t>(got) < rows * rowBytes) m_sLoadWarning = kTruncatedPictureText;
        std::memcpy(raw.data() + p * planeBytes + y * rowBytes, strip.data(), rows * rowBytes);
      }
  }

  for (DWORD y = 0; y < h; ++y) convertRow(y, raw.data() + y * rowBytes, planeBytes);
  m_bIsPadded = stride != UnpaddedRowLength();
  return true;
}

// --- Writing ----------------------------------------------------------------------

bool SECTiff::SaveImage(const char* path) {
  if (!path || !HasPicture() || !BeforeSave()) return false;
  const int bits = m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  if (m_dwWidth == 0 || m_dwHeight == 0) return false;
  if (!PadRows() || m_pBits.size() < RowStride() * m_dwHeight) return false;
  {
    CFile empty;
    if (!empty.Open(path, CFile::modeCreate | CFile::modeWrite)) return false;
  }

  // One strip of unpadded rows, top row first, built aside so that the
  // picture itself is never touched.
  const DWORD w = m_dwWidth, h = m_dwHeight;
  const int outBits = bits == 4 ? 8 : bits;
  const size_t outRow = UnpaddedRowBytes(w, outBits);
  MemBlock strip;
  if (!strip.Allocate(outRow * h)) return false;
  for (DWORD y = 0; y < h; ++y) {
    const BYTE* in = Row(h - 1 - y);
    BYTE* out = strip.data() + y * outRow;
    if (bits == 24) {
      for (DWORD x = 0; x < w; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else if (bits == 4) {
      for (DWORD x = 0; x < w; ++x) out[x] = (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    } else {
      std::memcpy(out, in, outRow);
    }
  }

  std::unique_ptr<TIFF, TiffCloser> tif(OpenQuietly(path, "w"));
  if (!tif) return false;
  TIFF* t = tif.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t{w});
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t{h});
  TIFFSetField(t, TIFFTAG_COMPRESSION, static_cast<uint16_t>(m_nCompression));
  if (m_nCompression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, uint32_t{5});
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t{PLANARCONFIG_CONTIG});
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t{1});
  TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t{ORIENTATION_TOPLEFT});
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t{h});

  const size_t capacity = ColorTableCapacity();
  auto entry = [&](unsigned i) { return i < capacity ? m_pColorTable[i] : RGBQUAD{0, 0, 0, 0}; };
  if (outBits == 24) {
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t{3});
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t{8});
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_RGB});
  } else if (outBits == 1) {
    // Bilevel files have no colour table: the interpretation follows entry
    // 0 so that the picture is never inverted.
    auto luma = [](RGBQUAD c) { return 299 * c.rgbRed + 587 * c.rgbGreen + 114 * c.rgbBlue; };
    const bool zeroIsWhite = luma(entry(0)) > luma(entry(1));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t{1});
    TIFFSetField(
        t, TIFFTAG_PHOTOMETRIC,
        static_cast<uint16_t>(zeroIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK));
  } else {
    uint16_t red[256] = {}, green[256] = {}, blue[256] = {};
    for (unsigned i = 0; i < 256 && i < m_wColors; ++i) {
      const RGBQUAD c = entry(i);
      red[i] = static_cast<uint16_t>(c.rgbRed * 65535u / 255u);
      green[i] = static_cast<uint16_t>(c.rgbGreen * 65535u / 255u);
      blue[i] = static_cast<uint16_t>(c.rgbBlue * 65535u / 255u);
    }
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t{8});
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_PALETTE});
    TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
  }
  if (TIFFWriteEncodedStrip(t, 0, strip.data(), static_cast<tmsize_t>(strip.size())) < 0)
    return false;
  if (!TIFFWriteDirectory(t)) return false;
  tif.reset();
  return AfterSave();
}

}  // namespace prentix
