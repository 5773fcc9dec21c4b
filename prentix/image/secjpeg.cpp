#include "prentix/image/secjpeg.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
// after jpeglib.h: the error macros use its types
#include <jerror.h>

#include "prentix/image/picturelimits.h"

namespace prentix {

namespace {

// The error manager: fatal errors jump back into the adapter function that
// set `jump`; every message is formatted and dropped.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char* lastError;  // JMSG_LENGTH_MAX is larger than the owner's field: copied cut
  size_t lastErrorSize;
};

void SilentOutput(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  std::snprintf(err->lastError, err->lastErrorSize, "%s", text);
  std::longjmp(err->jump, 1);
}

void SetUpErrors(ErrorManager& err, char* lastError, size_t size) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = SilentOutput;
  err.lastError = lastError;
  err.lastErrorSize = size;
  lastError[0] = 0;
}

// --- Data source on the image's file, through the image's codec buffer ----------

struct Source {
  jpeg_source_mgr pub;
  SECImageBase* img;
  bool startOfFile;
  bool ended;  // the file ran out and a fake end marker was supplied
};

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<Source*>(cinfo->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  BYTE* buf = src->img->m_pBuf.data();
  DWORD n = src->img->m_pFile->Read(buf, kJpegBufferSize);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->ended = true;
    // a fake end-of-image marker lets the library finish with what it has
    buf[0] = 0xFF;
    buf[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = buf;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);  // never fails: at the end it supplies the fake marker
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// --- Data destination on the image's file ----------------------------------------

struct Destination {
  jpeg_destination_mgr pub;
  SECImageBase* img;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  dst->pub.next_output_byte = dst->img->m_pBuf.data();
  dst->pub.free_in_buffer = kJpegBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  if (!dst->img->m_pFile->Write(dst->img->m_pBuf.data(), kJpegBufferSize))
    ERREXIT(cinfo, JERR_FILE_WRITE);
  dst->pub.next_output_byte = dst->img->m_pBuf.data();
  dst->pub.free_in_buffer = kJpegBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  const size_t n = kJpegBufferSize - dst->pub.free_in_buffer;
  if (n && !dst->img->m_pFile->Write(dst->img->m_pBuf.data(), static_cast<uint32_t>(n)))
    ERREXIT(cinfo, JERR_FILE_WRITE);
}

// Everything a read or write keeps across a fatal error lives here, outside
// the frame that calls setjmp, so nothing there has to be volatile.
struct ReadState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  Source src;
};

struct WriteState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  Destination dst;
};

// Adobe CMYK files store inverted values; either way the colour is c * k.
inline void CmykToBgr(const JSAMPLE* in, BYTE* out, DWORD width, bool inverted) {
  for (DWORD x = 0; x < width; ++x, in += 4, out += 3) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    out[0] = static_cast<BYTE>(y * k / 255);
    out[1] = static_cast<BYTE>(m * k / 255);
    out[2] = static_cast<BYTE>(c * k / 255);
  }
}

// The decoding proper. Only plain data lives in this frame: a fatal error
// jumps back to the setjmp below and the function returns false.
bool Decode(SECJpeg& img, ReadState& st) {
  jpeg_decompress_struct& cinfo = st.cinfo;
  if (setjmp(st.err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  // whole-image buffers of multi-scan files: no more than a picture of the
  // budget needs (two bytes a coefficient, three full components), with
  // room for the row buffers; the library refuses beyond that
  const uint64_t libraryMax = CurrentPictureLimits().maxPixels * 6 + (uint64_t{32} << 20);
  cinfo.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(libraryMax, LONG_MAX));
  cinfo.src = &st.src.pub;
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;

  const DWORD width = cinfo.image_width, height = cinfo.image_height;
  img.SetRefusal(CheckPictureBudget(width, height));
  if (!img.Refusal().empty()) return false;
  // Huffman coding spends at least one bit on every block of every
  // component, even in a progressive file's first scan. Arithmetic coding
  // has no such floor: a flat picture takes a few bytes.
  if (!cinfo.arith_code) {
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c)
      blocks += uint64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks;
    const uint64_t used = img.m_pFile->GetPosition() - st.src.pub.bytes_in_buffer;
    const uint64_t length = img.m_pFile->GetLength();
    const int outBits = img.m_bQuantize ? 8 : 24;
    img.SetRefusal(CheckPictureData(width, height, PaddedRowBytes(width, outBits) * height, blocks,
                                    8, length > used ? length - used : 0));
    if (!img.Refusal().empty()) return false;
  }
  const bool grey = cinfo.num_components == 1;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (!grey && !cmyk && cinfo.num_components != 3) return false;
  const bool quantize = img.m_bQuantize;
  if (quantize && cmyk) return false;  // the library quantizes three components only
  if (!grey) cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;

  img.m_dwWidth = width;
  img.m_dwHeight = height;
  img.m_nSrcBitsPerPixel = quantize ? 8 : 24;
  img.m_wColors = img.m_wSysColors;
  if (img.m_wColors >= 1 && img.m_wColors < 256) img.m_wColors = 256;
  if (!quantize) img.m_wColors = 0;
  const uint64_t stride = PaddedRowBytes(width, img.m_nSrcBitsPerPixel);
  if (width == 0 || height == 0 || stride * height > kMaxJpegPixelBytes) return false;
  if (!img.AllocateHeader(40 + 4 * size_t{img.m_wColors})) return false;
  BITMAPINFOHEADER* bi = img.Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(width);
  bi->biHeight = static_cast<LONG>(height);
  bi->biPlanes = 1;
  bi->biBitCount = static_cast<WORD>(img.m_nSrcBitsPerPixel);
  img.m_dwPadWidth = static_cast<DWORD>(stride);
  if (!img.m_pBits.Allocate(stride * height)) return false;

  if (quantize) {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = 256;
  }
  if (!jpeg_start_decompress(&cinfo)) return false;
  const JDIMENSION sampleWidth = cinfo.output_width * cinfo.output_components;
  JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               sampleWidth, 1);

  // Rows go straight to their bottom-up place, already padded.
  const bool inverted = cmyk && cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION y = cinfo.output_scanline;
    BYTE* out = img.m_pBits.data() + (height - 1 - y) * stride;
    if (quantize || (!grey && !cmyk)) {
      // the library's row is the bitmap's row: written in place, no copy
      JSAMPROW direct = out;
      if (jpeg_read_scanlines(&cinfo, &direct, 1) != 1) return false;
      continue;
    }
    if (jpeg_read_scanlines(&cinfo, line, 1) != 1) return false;
    const JSAMPLE* in = line[0];
    if (grey) {
      for (DWORD x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
    } else {
      CmykToBgr(in, out, width, inverted);
    }
  }

  if (quantize && cinfo.colormap) {
    const int n = cinfo.actual_number_of_colors < 256 ? cinfo.actual_number_of_colors : 256;
    for (int i = 0; i < n; ++i) {
      RGBQUAD& c = img.m_pColorTable[i];
      if (cinfo.out_color_components == 3) {
        // the library's component order is the pixel order: blue, green, red
        c.rgbBlue = cinfo.colormap[0][i];
        c.rgbGreen = cinfo.colormap[1][i];
        c.rgbRed = cinfo.colormap[2][i];
      } else {
        c.rgbBlue = c.rgbGreen = c.rgbRed = cinfo.colormap[0][i];
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool Encode(SECJpeg& img, WriteState& st) {
  jpeg_compress_struct& cinfo = st.cinfo;
  if (setjmp(st.err.jump)) return false;
  jpeg_create_compress(&cinfo);
  cinfo.dest = &st.dst.pub;
  cinfo.image_width = img.m_dwWidth;
  cinfo.image_height = img.m_dwHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;  // DIB pixel order, so rows pass unchanged

  jpeg_set_defaults(&cinfo);
  cinfo.data_precision = 8;
  jpeg_set_quality(&cinfo, img.m_nQuality, TRUE);
  cinfo.arith_code = img.m_bArithmetic ? TRUE : FALSE;
  cinfo.optimize_coding = img.m_bOptimize || cinfo.data_precision > 8 ? TRUE : FALSE;
  cinfo.CCIR601_sampling = FALSE;
  cinfo.smoothing_factor = img.m_nSmoothing;
  cinfo.dct_method = JDCT_DEFAULT;
  cinfo.restart_interval = 0;
  cinfo.restart_in_rows = 0;
  cinfo.density_unit = 0;
  cinfo.X_density = 1;
  cinfo.Y_density = 1;
  jpeg_default_colorspace(&cinfo);

  jpeg_start_compress(&cinfo, TRUE);
  const DWORD width = img.m_dwWidth, height = img.m_dwHeight;
  const int bits = img.m_nSrcBitsPerPixel;
  const size_t capacity = img.ColorTableCapacity();
  JSAMPARRAY line =
      (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, width * 3, 1);
  while (cinfo.next_scanline < height) {
    // top row first; the rows are stored bottom-up
    const BYTE* in = img.Row(height - 1 - cinfo.next_scanline);
    BYTE* out = line[0];
    if (bits == 24) {
      // the library only reads the rows it is given: no copy
      JSAMPROW row = const_cast<BYTE*>(in);
      jpeg_write_scanlines(&cinfo, &row, 1);
      continue;
    } else {
      for (DWORD x = 0; x < width; ++x, out += 3) {
        const unsigned i = PixelIndex(in, x, bits);
        const RGBQUAD c = i < capacity ? img.m_pColorTable[i] : RGBQUAD{0, 0, 0, 0};
        out[0] = c.rgbBlue;
        out[1] = c.rgbGreen;
        out[2] = c.rgbRed;
      }
    }
    jpeg_write_scanlines(&cinfo, line, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

SECJpeg::SECJpeg(const DisplayInfo& display)
    : SECImageBase(display), m_bQuantize(m_wSysColors != 0) {}

bool SECJpeg::ReadFormat(CFile* file) {
  if (!file) return false;
  m_pFile = file;
  if (!OpenBuffer(kJpegBufferSize, 0)) return false;
  ReadState st;
  std::memset(&st, 0, sizeof st);
  SetUpErrors(st.err, m_szLastError, sizeof m_szLastError);
  st.cinfo.err = &st.err.pub;
  st.src.pub.init_source = InitSource;
  st.src.pub.fill_input_buffer = FillInputBuffer;
  st.src.pub.skip_input_data = SkipInputData;
  st.src.pub.resync_to_restart = jpeg_resync_to_restart;
  st.src.pub.term_source = TermSource;
  st.src.img = this;

  m_sLoadError.clear();
  const bool ok = Decode(*this, st);
  jpeg_destroy_decompress(&st.cinfo);
  CloseBuffer();
  if (!ok) {
    FreeHeader();
    m_pBits.Free();
    return false;
  }
  if (st.src.ended) m_sLoadWarning = kTruncatedPictureText;
  m_bIsPadded = PaddedRowLength() != UnpaddedRowLength();
  return true;
}

bool SECJpeg::WriteFormat(CFile* file) {
  if (!file || !HasPicture()) return false;
  const int bits = m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  if (!PadRows() || m_pBits.size() < RowStride() * m_dwHeight) return false;
  m_pFile = file;
  if (!OpenBuffer(kJpegBufferSize, 0)) return false;
  WriteState st;
  std::memset(&st, 0, sizeof st);
  SetUpErrors(st.err, m_szLastError, sizeof m_szLastError);
  st.cinfo.err = &st.err.pub;
  st.dst.pub.init_destination = InitDestination;
  st.dst.pub.empty_output_buffer = EmptyOutputBuffer;
  st.dst.pub.term_destination = TermDestination;
  st.dst.img = this;

  const bool ok = Encode(*this, st);
  jpeg_destroy_compress(&st.cinfo);
  CloseBuffer();
  return ok;
}

}  // namespace prentix
