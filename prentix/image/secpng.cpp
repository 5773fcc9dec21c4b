#include "prentix/image/secpng.h"

#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "prentix/image/picturelimits.h"

namespace prentix {

namespace {

// libpng's fatal errors jump back to the setjmp of the phase that called
// into it; each phase below keeps nothing with a destructor on its own
// frame, so the jump skips no clean-up. The text is kept for the caller.
// What the chunk headers say, walked before libpng reads anything: the
// IHDR size and the bytes of compressed pixels the file holds in its IDAT
// chunks. The file is left where it was.
struct ChunkSurvey {
  uint32_t width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  uint64_t idatBytes = 0;
};

ChunkSurvey SurveyChunks(CFile* file) {
  ChunkSurvey out;
  const uint64_t start = file->GetPosition(), length = file->GetLength();
  uint64_t pos = start + 8;
  BYTE h[8 + 13];
  while (pos + 8 <= length && file->Seek(pos) && file->Read(h, 8) == 8) {
    const uint64_t n = uint64_t{h[0]} << 24 | h[1] << 16 | h[2] << 8 | h[3];
    const uint64_t body = pos + 8;
    if (std::memcmp(h + 4, "IHDR", 4) == 0 && n == 13 && file->Read(h + 8, 13) == 13) {
      out.width = uint32_t{h[8]} << 24 | h[9] << 16 | h[10] << 8 | h[11];
      out.height = uint32_t{h[12]} << 24 | h[13] << 16 | h[14] << 8 | h[15];
      out.bitDepth = h[16];
      out.colorType = h[17];
    } else if (std::memcmp(h + 4, "IDAT", 4) == 0) {
      out.idatBytes += std::min(n, length - body);
    } else if (std::memcmp(h + 4, "IEND", 4) == 0) {
      break;
    }
    pos = body + n + 4;  // data and CRC
  }
  file->Seek(start);
  return out;
}

struct PngContext {
  SECImageBase* image = nullptr;
  std::string* error = nullptr;
};

void OnError(png_structp png, png_const_charp message) {
  auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
  if (ctx && ctx->error) ctx->error->assign(message ? message : "");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep data, size_t n) {
  auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
  if (n > 0xFFFFFFFFu || ctx->image->ReadBuffered(data, static_cast<DWORD>(n)) != n)
    png_error(png, "the file ends early");
}

void WriteData(png_structp png, png_bytep data, size_t n) {
  auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
  if (n > 0xFFFFFFFFu || ctx->image->WriteBuffered(data, static_cast<DWORD>(n)) != n)
    png_error(png, "the file refused the bytes");
}

void FlushData(png_structp) {}

struct ReadStruct {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct WriteStruct {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStruct() { png_destroy_write_struct(&png, &info); }
};

// What the header says and how the rows will come out.
struct ReadLayout {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  int outBits = 0;  // 1, 4, 8 or 24
  size_t rowBytes = 0;
};

// Reads the chunks up to the pixels and sets the transforms that bring
// every colour type to one of the DIB depths.
bool ReadHeader(png_structp png, png_infop info, ReadLayout& out) {
  if (setjmp(png_jmpbuf(png))) return false;
  const png_uint_32 side = std::min<png_uint_32>(kMaxPngDimension, CurrentPictureLimits().maxSide);
  png_set_user_limits(png, side, side);
  // text and profile chunks are skipped, but may not make us allocate much
  png_set_chunk_malloc_max(png, png_alloc_size_t{8} << 20);
  png_read_info(png, info);
  int interlace = 0;
  png_get_IHDR(png, info, &out.width, &out.height, &out.bitDepth, &out.colorType, &interlace,
               nullptr, nullptr);
  if (out.bitDepth == 16) png_set_scale_16(png);
  switch (out.colorType) {
    case PNG_COLOR_TYPE_PALETTE:
      if (out.bitDepth == 2) png_set_packing(png);
      out.outBits = out.bitDepth == 2 ? 8 : out.bitDepth;
      break;
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      if (out.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
      if (out.colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
      out.outBits = 8;
      break;
    default:
      if (out.colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
      png_set_bgr(png);
      out.outBits = 24;
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out.rowBytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

bool WriteChunks(png_structp png, png_infop info, const png_color* palette, int entries,
                 png_uint_32 w, png_uint_32 h, int depth, const BYTE* data, size_t size) {
  if (setjmp(png_jmpbuf(png))) return false;
  const bool mapped = palette != nullptr;
  png_set_IHDR(png, info, w, h, depth, mapped ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (mapped) png_set_PLTE(png, info, palette, entries);
  png_write_info(png, info);
  // the pixel data is compressed already: IDAT chunks of at most 1 MiB
  static const png_byte kIdat[5] = "IDAT", kIend[5] = "IEND";
  for (size_t at = 0; at < size;) {
    const size_t n = std::min<size_t>(size - at, size_t{1} << 20);
    png_write_chunk(png, kIdat, data + at, n);
    at += n;
  }
  png_write_chunk(png, kIend, nullptr, 0);
  return true;
}

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

}  // namespace

// --- Reading -------------------------------------------------------------------

bool SECPng::ReadFormat(CFile* file) {
  m_pFile = file;
  m_lastError.clear();
  auto fail = [this](const char* why) {
    if (why) m_lastError = why;
    CloseBuffer();
    m_pBits.Free();
    FreeHeader();
    return false;
  };
  if (!file) return fail("no file");
  // The size and the data before libpng: a refusal names the budget, and no
  // memory is taken for pixels the compressed data cannot make (deflate
  // gives at most 1032 bytes for one).
  const ChunkSurvey survey = SurveyChunks(file);
  if (survey.width && survey.height) {
    std::string why = CheckPictureBudget(survey.width, survey.height);
    if (why.empty()) {
      const int channels = survey.colorType == PNG_COLOR_TYPE_RGB          ? 3
                           : survey.colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                           : survey.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                           : 1;
      const uint64_t lineBytes =
          (uint64_t{survey.width} * channels * std::clamp(survey.bitDepth, 1, 16) + 7) / 8 + 1;
      const int outBits = survey.colorType == PNG_COLOR_TYPE_PALETTE
                              ? (survey.bitDepth == 2 ? 8 : std::clamp(survey.bitDepth, 1, 8))
                          : channels <= 2 ? 8
                                          : 24;
      const uint64_t pixelBytes = PaddedRowBytes(survey.width, outBits) * survey.height;
      why = CheckPictureData(survey.width, survey.height, pixelBytes, lineBytes * survey.height,
                             1032, survey.idatBytes);
    }
    if (!why.empty()) return fail(why.c_str());
  }
  if (!OpenBuffer(kPngBufferSize, 1)) return fail("out of memory");
  BYTE signature[8];
  if (ReadBuffered(signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0)
    return fail("not a PNG file");

  PngContext ctx{this, &m_lastError};
  ReadStruct rs;
  rs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
  if (rs.png) rs.info = png_create_info_struct(rs.png);
  if (!rs.info) return fail("out of memory");
  png_set_read_fn(rs.png, &ctx, ReadData);
  png_set_sig_bytes(rs.png, 8);

  ReadLayout layout;
  if (!ReadHeader(rs.png, rs.info, layout)) return fail(nullptr);
  const DWORD w = layout.width, h = layout.height;
  const int bits = layout.outBits;
  if (w == 0 || h == 0) return fail("no pixels");
  const uint64_t stride = PaddedRowBytes(w, bits);
  if (stride * h > kMaxPngPixelBytes) return fail("picture too large");
  if (layout.rowBytes != UnpaddedRowBytes(w, bits)) return fail("unexpected row layout");

  const WORD colours = TableEntriesForBits(bits);
  if (!AllocateHeader(40 + 4 * size_t{colours}) || !m_pBits.Allocate(stride * h))
    return fail("out of memory");
  if (layout.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int entries = 0;
    if (!png_get_PLTE(rs.png, rs.info, &palette, &entries) || !palette)
      return fail("palette missing");
    // indices past the palette read as black (the table is zero-filled)
    for (int i = 0; i < std::min<int>(entries, colours); ++i)
      m_pColorTable[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
  } else if (bits == 8) {
    for (unsigned i = 0; i < 256; ++i) {
      const BYTE v = static_cast<BYTE>(i);
      m_pColorTable[i] = RGBQUAD{v, v, v, 0};
    }
  }

  // the rows land bottom-up and padded, as the picture keeps them
  std::vector<png_bytep> rows(h);
  for (DWORD y = 0; y < h; ++y) rows[y] = m_pBits.data() + (h - 1 - y) * stride;
  if (!ReadRows(rs.png, rows.data())) return fail(nullptr);
  CloseBuffer();
  // bits past the width are whatever the file had: cleared, they are no pixels
  if (const unsigned used = (uint64_t{w} * bits) % 8)
    for (DWORD y = 0; y < h; ++y) rows[y][layout.rowBytes - 1] &= static_cast<BYTE>(0xFF00 >> used);

  BITMAPINFOHEADER* bi = Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(w);
  bi->biHeight = static_cast<LONG>(h);
  bi->biPlanes = 1;
  bi->biBitCount = static_cast<WORD>(bits);
  m_nSrcBitsPerPixel = bits;
  m_wColors = colours;
  m_dwWidth = w;
  m_dwHeight = h;
  m_dwPadWidth = (w + 3) & ~3u;
  m_bIsPadded = true;
  return true;
}

// --- Writing -------------------------------------------------------------------

bool SECPng::WriteFormat(CFile* file) {
  m_pFile = file;
  m_lastError.clear();
  const int bits = m_nSrcBitsPerPixel;
  auto fail = [this](const char* why) {
    if (why) m_lastError = why;
    CloseBuffer();
    return false;
  };
  if (!file || !HasPicture()) return fail("no picture");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return fail("unsupported depth");
  const DWORD w = m_dwWidth, h = m_dwHeight;
  if (w == 0 || h == 0 || w > kMaxPngDimension || h > kMaxPngDimension) return fail("bad size");
  if (!PadRows() || m_pBits.size() < RowStride() * h) return fail("bad pixel block");

  // Filtered rows, top row first: Sub for colour (flat areas become zero
  // runs), none for palette indices, where differences mean nothing.
  const size_t rowBytes = UnpaddedRowLength(), lineBytes = rowBytes + 1;
  MemBlock filtered;
  if (!filtered.Allocate(lineBytes * h)) return fail("out of memory");
  unsigned highest = 0;
  for (DWORD y = 0; y < h; ++y) {
    const BYTE* in = Row(h - 1 - y);
    BYTE* out = filtered.data() + y * lineBytes;
    if (bits == 24) {
      out[0] = 1;
      BYTE* o = out + 1;
      o[0] = in[2];
      o[1] = in[1];
      o[2] = in[0];
      for (DWORD x = 1; x < w; ++x) {
        const BYTE* p = in + 3 * size_t{x};
        o[3 * size_t{x}] = static_cast<BYTE>(p[2] - p[-1]);
        o[3 * size_t{x} + 1] = static_cast<BYTE>(p[1] - p[-2]);
        o[3 * size_t{x} + 2] = static_cast<BYTE>(p[0] - p[-3]);
      }
    } else {
      out[0] = 0;
      std::memcpy(out + 1, in, rowBytes);
      // bits past the width are not pixels
      if ((uint64_t{w} * bits) % 8)
        out[rowBytes] &= static_cast<BYTE>(0xFF00 >> ((uint64_t{w} * bits) % 8));
      for (DWORD x = 0; x < w; ++x) highest = std::max(highest, PixelIndex(in, x, bits));
    }
  }

  std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
      libdeflate_alloc_compressor(std::clamp(m_nCompressionLevel, 1, 12)));
  if (!compressor) return fail("out of memory");
  const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filtered.size());
  MemBlock packed;
  if (!packed.Allocate(bound)) return fail("out of memory");
  const size_t size = libdeflate_zlib_compress(compressor.get(), filtered.data(), filtered.size(),
                                               packed.data(), packed.size());
  if (size == 0) return fail("compression failed");
  filtered.Free();

  // the palette as long as the highest index used needs
  png_color palette[256] = {};
  const int entries = bits == 24 ? 0 : static_cast<int>(highest) + 1;
  const size_t capacity = ColorTableCapacity();
  for (int i = 0; i < entries; ++i) {
    const RGBQUAD c = size_t(i) < capacity ? m_pColorTable[i] : RGBQUAD{0, 0, 0, 0};
    palette[i] = png_color{c.rgbRed, c.rgbGreen, c.rgbBlue};
  }

  if (!OpenBuffer(kPngBufferSize, 0)) return fail("out of memory");
  PngContext ctx{this, &m_lastError};
  WriteStruct ws;
  ws.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
  if (ws.png) ws.info = png_create_info_struct(ws.png);
  if (!ws.info) return fail("out of memory");
  png_set_write_fn(ws.png, &ctx, WriteData, FlushData);
  if (!WriteChunks(ws.png, ws.info, bits == 24 ? nullptr : palette, entries, w, h,
                   bits == 24 ? 8 : bits, packed.data(), size))
    return fail(nullptr);
  if (!FlushBuffer()) return fail("the file refused the bytes");
  CloseBuffer();
  return true;
}

}  // namespace prentix
