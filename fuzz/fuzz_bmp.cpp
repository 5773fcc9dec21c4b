// BMP reader: any bytes load or fail cleanly; what loads survives the row
// and geometry operations and saves to a file that loads to the same picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/budget.h"
#include "prentix/image/secdib.h"

using namespace prentix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // keep the per-input work small: run-length data may promise big pictures
  if (size >= 26) {
    const bool core = (data[14] | data[15] << 8) == 12;
    const uint64_t w = core ? data[18] | data[19] << 8 : data[18] | data[19] << 8 | data[20] << 16;
    const uint64_t h = core ? data[20] | data[21] << 8 : data[22] | data[23] << 8 | data[24] << 16;
    if (w * h > 1u << 22) return 0;
  }
  CMemFile in(data, size);
  SECDib img;
  if (!img.LoadImage(&in)) {
    if (img.HasPicture()) abort();
    return 0;
  }
  if (!img.HasPicture()) abort();

  SetImageMessageHook([](const std::string&) {});
  // keep the per-input work small: turns and mirrors of big pictures take long
  if (uint64_t{img.m_dwWidth} * img.m_dwHeight <= 1u << 16) {
    img.MirrorHorizontal();
    img.FlipVertical();
    if (img.Rotate90(size & 1)) img.Rotate90(!(size & 1));
    (void)img.MakeBitmap(DisplayInfo{});
    (void)img.MakeBitmap(DisplayInfo{8, 1});
  }

  CMemFile out;
  if (!img.SaveImage(&out)) abort();
  out.Seek(0);
  SECDib back;
  if (!back.LoadImage(&out)) abort();
  if (back.m_dwWidth != img.m_dwWidth || back.m_dwHeight != img.m_dwHeight ||
      back.m_nSrcBitsPerPixel != img.m_nSrcBitsPerPixel)
    abort();
  const size_t rows = img.PaddedRowLength() * img.m_dwHeight;
  if (back.m_pBits.size() < rows || std::memcmp(back.m_pBits.data(), img.m_pBits.data(), rows))
    abort();
  return 0;
}
