// Targa reader: any bytes load or fail cleanly; what loads is a 24-bit
// picture that saves as Targa and loads back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/budget.h"
#include "prentix/image/sectarga.h"

using namespace prentix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // keep the per-input work small: run-length data may promise big pictures
  if (size >= 16 && uint64_t(data[12] | data[13] << 8) * (data[14] | data[15] << 8) > 1u << 20)
    return 0;
  CMemFile in(data, size);
  SECTarga img;
  if (!img.LoadImage(&in)) {
    if (img.HasPicture()) abort();
    return 0;
  }
  if (!img.HasPicture() || img.m_nSrcBitsPerPixel != 24) abort();
  if (img.m_pBits.size() < img.PaddedRowLength() * img.m_dwHeight) abort();

  CMemFile out;
  if (!img.SaveImage(&out)) abort();
  if (out.Data().size() != 18 + uint64_t{img.m_dwWidth} * img.m_dwHeight * 3) abort();
  out.Seek(0);
  SECTarga back;
  if (!back.LoadImage(&out)) abort();
  const size_t rows = img.PaddedRowLength() * img.m_dwHeight;
  if (back.m_pBits.size() < rows || std::memcmp(back.m_pBits.data(), img.m_pBits.data(), rows))
    abort();
  return 0;
}
