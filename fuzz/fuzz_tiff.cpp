// TIFF reader: libtiff opens files by name, so each input is written to a
// temporary file first. Any bytes load or fail cleanly; what loads saves and
// loads back to the same size and, at 8 and 24 bits, the same pixels.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/budget.h"
#include "prentix/image/sectiff.h"

using namespace prentix;

namespace {

std::string TempName(const char* tag) {
  const char* dir = getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_tiff_" + std::to_string(getpid()) + tag;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string inPath = TempName(".in.tif"), outPath = TempName(".out.tif");
  {
    CFile f;
    if (!f.Open(inPath, CFile::modeCreate | CFile::modeWrite)) abort();
    if (size && !f.Write(data, static_cast<uint32_t>(size))) abort();
  }
  SECTiff img;
  if (!img.LoadImage(inPath.c_str())) {
    if (img.HasPicture()) abort();
    return 0;
  }
  const int bits = img.m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 8 && bits != 24) abort();
  if (img.m_pBits.size() < img.PaddedRowLength() * img.m_dwHeight) abort();
  if (uint64_t{img.m_dwWidth} * img.m_dwHeight > 1u << 18) return 0;

  if (!img.SaveImage(outPath.c_str())) abort();
  SECTiff back;
  if (!back.LoadImage(outPath.c_str())) abort();
  if (back.m_dwWidth != img.m_dwWidth || back.m_dwHeight != img.m_dwHeight ||
      back.m_nSrcBitsPerPixel != bits)
    abort();
  if (bits != 1) {
    const size_t rows = img.PaddedRowLength() * img.m_dwHeight;
    if (std::memcmp(back.m_pBits.data(), img.m_pBits.data(), rows)) abort();
  }
  return 0;
}
