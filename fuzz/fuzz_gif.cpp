// GIF reader: any bytes load or fail cleanly; what loads is an 8-bit picture
// that writes as GIF and reads back to the same pixels, and small ones
// survive the colour reduction.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/budget.h"
#include "prentix/image/colorreduce.h"
#include "prentix/image/secgif.h"

using namespace prentix;

namespace {

// Pixels of the first image the file announces, 0 when none is found. Tiny
// files may announce pictures of up to 2^28 zero-filled pixels; those are
// legal but make each run slow, so the target leaves them to the unit tests.
uint64_t AnnouncedPixels(const uint8_t* d, size_t n) {
  if (n < 13) return 0;
  size_t pos = 13 + ((d[10] & 0x80) ? 3u << ((d[10] & 7) + 1) : 0);
  while (pos < n) {
    if (d[pos] == 0) {
      ++pos;
    } else if (d[pos] == 0x21) {
      pos += 2;
      while (pos < n && d[pos] != 0) pos += 1 + d[pos];
      ++pos;
    } else if (d[pos] == 0x2C && pos + 9 < n) {
      return uint64_t(d[pos + 5] | d[pos + 6] << 8) * uint64_t(d[pos + 7] | d[pos + 8] << 8);
    } else {
      return 0;
    }
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (AnnouncedPixels(data, size) > (1u << 20)) return 0;
  CMemFile in(data, size);
  SECGif img;
  if (!img.LoadImage(&in)) {
    if (img.HasPicture()) abort();
    return 0;
  }
  if (!img.HasPicture() || img.m_nSrcBitsPerPixel != 8 || img.m_dwWidth == 0 ||
      img.m_dwHeight == 0 || img.ColorTableCapacity() < 256)
    abort();
  const uint64_t pixels = uint64_t{img.m_dwWidth} * img.m_dwHeight;
  if (pixels > kMaxGifPixels || img.m_pBits.size() < img.PaddedRowLength() * img.m_dwHeight)
    abort();
  // big pictures from tiny files are legal (zero-filled); keep the work small
  if (pixels > (1u << 18)) return 0;

  CMemFile out;
  if (!img.SaveImage(&out)) abort();
  out.Seek(0);
  SECGif back;
  if (!back.LoadImage(&out)) abort();
  const size_t rows = img.PaddedRowLength() * img.m_dwHeight;
  if (back.m_dwWidth != img.m_dwWidth || back.m_dwHeight != img.m_dwHeight ||
      back.m_pBits.size() < rows || std::memcmp(back.m_pBits.data(), img.m_pBits.data(), rows))
    abort();

  if (pixels <= 4096) {
    if (!ReduceTo256Colors(img)) abort();
    if (img.m_nSrcBitsPerPixel != 8 || img.m_wColors != 256) abort();
  }
  return 0;
}
