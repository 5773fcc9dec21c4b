// PNG reader: any bytes load or fail cleanly; what loads is a picture of a
// DIB depth that saves as PNG and loads back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/budget.h"
#include "prentix/image/secpng.h"

using namespace prentix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // keep the per-input work small: IHDR may promise big pictures
  if (size >= 24) {
    auto be32 = [data](size_t i) {
      return uint64_t{data[i]} << 24 | data[i + 1] << 16 | data[i + 2] << 8 | data[i + 3];
    };
    if (be32(16) * be32(20) > 1u << 22) return 0;
  }
  CMemFile in(data, size);
  SECPng img;
  if (!img.LoadImage(&in)) {
    if (img.HasPicture() || img.LastError().empty()) abort();
    return 0;
  }
  const int bits = img.m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) abort();
  if (img.m_pBits.size() < img.PaddedRowLength() * img.m_dwHeight) abort();

  CMemFile out;
  if (!img.SaveImage(&out)) abort();
  out.Seek(0);
  SECPng back;
  if (!back.LoadImage(&out)) abort();
  if (back.m_dwWidth != img.m_dwWidth || back.m_dwHeight != img.m_dwHeight ||
      back.m_nSrcBitsPerPixel != bits)
    abort();
  const size_t rows = img.PaddedRowLength() * img.m_dwHeight;
  if (std::memcmp(back.m_pBits.data(), img.m_pBits.data(), rows)) abort();
  return 0;
}
