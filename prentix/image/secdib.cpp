#include "prentix/image/secdib.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace prentix {

bool SECDib::WriteFormat(CFile* file) {
  m_pFile = file;
  return WriteBmp();
}

bool SECDib::ReadFormat(CFile* file) {
  m_pFile = file;
  return ReadBmp();
}

namespace {

// Writes n bytes through the image's buffered I/O in pieces its DWORD
// counts can carry.
bool WriteAll(SECImageBase& img, const BYTE* p, uint64_t n) {
  while (n) {
    DWORD piece = static_cast<DWORD>(std::min<uint64_t>(n, 1u << 30));
    if (img.WriteBuffered(p, piece) != piece) return false;
    p += piece;
    n -= piece;
  }
  return true;
}

bool ReadAll(SECImageBase& img, BYTE* p, uint64_t n) {
  while (n) {
    DWORD piece = static_cast<DWORD>(std::min<uint64_t>(n, 1u << 30));
    if (img.ReadBuffered(p, piece) != piece) return false;
    p += piece;
    n -= piece;
  }
  return true;
}

}  // namespace

bool SECImageBase::WriteBmp() {
  if (!m_pFile || !HasPicture() || !PadRows()) return false;
  const int bits = m_nSrcBitsPerPixel;
  if (bits < 1 || bits > 32) return false;
  const uint64_t colors = TableEntriesForBits(bits);
  const uint64_t rowBytes = PaddedRowLength();
  const uint64_t pixelBytes = rowBytes * m_dwHeight;
  if (m_pBits.size() < pixelBytes || m_pBitmapInfo.size() < 40) return false;
  const uint64_t offBits = 40 + 4 * colors + BITMAPFILEHEADER::kSize;
  if (offBits + pixelBytes > std::numeric_limits<DWORD>::max()) return false;

  BITMAPFILEHEADER fh;
  fh.bfType = kBmpSignature;
  fh.bfSize = static_cast<DWORD>(offBits + pixelBytes);
  fh.bfOffBits = static_cast<DWORD>(offBits);
  Header()->biSizeImage = 0;

  BYTE packed[BITMAPFILEHEADER::kSize];
  fh.Pack(packed);
  // The table always has the full count for the depth; entries the header
  // block lacks (a codec that defined fewer colours) go out black.
  const size_t have = std::min<size_t>(colors, ColorTableCapacity());
  const RGBQUAD black{0, 0, 0, 0};
  bool ok = WriteAll(*this, packed, sizeof packed) && WriteAll(*this, m_pBitmapInfo.data(), 40) &&
            WriteAll(*this, m_pBitmapInfo.data() + 40, 4 * have);
  for (size_t i = have; ok && i < colors; ++i)
    ok = WriteAll(*this, reinterpret_cast<const BYTE*>(&black), 4);
  ok = ok && WriteAll(*this, m_pBits.data(), pixelBytes);
  return ok && (m_nBufSize == 0 || FlushBuffer());
}

bool SECImageBase::ReadBmp() {
  if (!m_pFile) return false;
  auto fail = [this] {
    FreeHeader();
    m_pBits.Free();
    return false;
  };
  const uint64_t start = m_pFile->GetPosition(), length = m_pFile->GetLength();
  const uint64_t available = length > start ? length - start : 0;

  BYTE packed[BITMAPFILEHEADER::kSize];
  if (ReadBuffered(packed, sizeof packed) != sizeof packed) return fail();
  const BITMAPFILEHEADER fh = BITMAPFILEHEADER::Unpack(packed);
  if (fh.bfType != kBmpSignature) return fail();
  if (fh.bfOffBits < 54 || fh.bfOffBits > available) return fail();

  // Room for a full 256-entry table whatever the file holds: a short table
  // reads as black.
  MemBlock header;
  if (!header.Allocate(size_t{fh.bfOffBits} + 1010)) return fail();
  if (!ReadAll(*this, header.data(), fh.bfOffBits - BITMAPFILEHEADER::kSize)) return fail();
  const auto* bi = reinterpret_cast<const BITMAPINFOHEADER*>(header.data());
  const int bits = bi->biBitCount;
  if (bi->biSize != 40 || bi->biCompression != kBiRgb) return fail();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return fail();
  if (bi->biWidth <= 0 || bi->biHeight <= 0 || static_cast<DWORD>(bi->biWidth) > kMaxBmpDimension ||
      static_cast<DWORD>(bi->biHeight) > kMaxBmpDimension || bi->biClrUsed > 256)
    return fail();
  const DWORD width = static_cast<DWORD>(bi->biWidth), height = static_cast<DWORD>(bi->biHeight);
  const uint64_t pixelBytes = PaddedRowBytes(width, bits) * height;
  if (pixelBytes > kMaxBmpPixelBytes || pixelBytes > available - fh.bfOffBits) return fail();

  MemBlock pixels;
  if (!pixels.Allocate(pixelBytes) || !ReadAll(*this, pixels.data(), pixelBytes)) return fail();

  SetHeaderBlock(std::move(header));
  m_pBits = std::move(pixels);
  m_bIsPadded = true;
  m_dwWidth = width;
  m_dwPadWidth = (width + 3) & ~3u;
  m_dwHeight = height;
  m_nSrcBitsPerPixel = bits;
  m_wColors = TableEntriesForBits(bits);
  return true;
}

}  // namespace prentix
