// JPEG reader: any bytes load or fail cleanly, on a true-colour and on a
// palette display; what loads saves and loads back at the same size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/budget.h"
#include "prentix/image/secjpeg.h"

using namespace prentix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CMemFile in(data, size);
  const bool palette = size & 1;
  SECJpeg img(palette ? DisplayInfo{8, 1} : DisplayInfo{});
  if (!img.LoadImage(&in)) {
    if (img.HasPicture()) abort();
    return 0;
  }
  if (!img.HasPicture() || img.m_nSrcBitsPerPixel != (palette ? 8 : 24)) abort();
  if (img.m_pBits.size() < img.PaddedRowLength() * img.m_dwHeight) abort();
  if (uint64_t{img.m_dwWidth} * img.m_dwHeight > 1u << 18) return 0;

  CMemFile out;
  if (!img.SaveImage(&out)) abort();
  out.Seek(0);
  SECJpeg back;
  if (!back.LoadImage(&out)) abort();
  if (back.m_dwWidth != img.m_dwWidth || back.m_dwHeight != img.m_dwHeight) abort();
  return 0;
}
