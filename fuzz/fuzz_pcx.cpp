// PCX reader: any bytes load or fail cleanly; what loads is a 4-, 8- or
// 24-bit picture, and the palette ones save as PCX and load back to the
// same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/budget.h"
#include "prentix/image/secpcx.h"

using namespace prentix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // keep the per-input work small: a header may promise 65536 x 65536
  if (size >= 12) {
    const unsigned w = (data[8] | data[9] << 8) - (data[4] | data[5] << 8) + 1;
    const unsigned h = (data[10] | data[11] << 8) - (data[6] | data[7] << 8) + 1;
    if (uint64_t{w} * h > 1u << 20) return 0;
  }
  CMemFile in(data, size);
  SECPcx img;
  if (!img.LoadImage(&in)) {
    if (img.HasPicture()) abort();
    return 0;
  }
  const int bits = img.m_nSrcBitsPerPixel;
  if (!img.HasPicture() || (bits != 4 && bits != 8 && bits != 24)) abort();
  if (img.m_pBits.size() < img.PaddedRowLength() * img.m_dwHeight) abort();

  CMemFile out;
  if (!img.SaveImage(&out)) return 0;  // sizes a written header cannot hold
  out.Seek(0);
  SECPcx back;
  if (!back.LoadImage(&out)) abort();
  if (back.m_dwWidth != img.m_dwWidth || back.m_dwHeight != img.m_dwHeight) abort();
  // 4-bit pictures come back with a byte a pixel: the indices must agree
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x)
      if (PixelIndex(back.Row(y), x, 8) != PixelIndex(img.Row(y), x, bits)) abort();
  return 0;
}
