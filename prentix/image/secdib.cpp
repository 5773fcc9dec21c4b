#include "prentix/image/secdib.h"

#include "prentix/image/bmpreader.h"

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

}  // namespace

bool SECImageBase::WriteBmp() {
  if (!m_pFile || !HasPicture() || !PadRows()) return false;
  const int bits = m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
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

  // The header goes out valid whatever a reader or codec left in it.
  BITMAPINFOHEADER bi = *Header();
  bi.biSize = 40;
  bi.biWidth = static_cast<LONG>(m_dwWidth);
  bi.biHeight = static_cast<LONG>(m_dwHeight);
  bi.biPlanes = 1;
  bi.biBitCount = static_cast<WORD>(bits);
  bi.biCompression = kBiRgb;
  if (bi.biClrUsed > colors || (bi.biClrUsed && !colors)) bi.biClrUsed = 0;
  // a shorter table in use must still cover every index
  for (DWORD y = 0; bi.biClrUsed && y < m_dwHeight; ++y)
    for (DWORD x = 0; x < m_dwWidth; ++x)
      if (PixelIndex(Row(y), x, bits) >= bi.biClrUsed) {
        bi.biClrUsed = 0;
        break;
      }
  if (bi.biClrImportant > (bi.biClrUsed ? bi.biClrUsed : colors)) bi.biClrImportant = 0;

  BYTE packed[BITMAPFILEHEADER::kSize];
  fh.Pack(packed);
  // The table always has the full count for the depth; entries the header
  // block lacks (a codec that defined fewer colours) go out black.
  const size_t have = std::min<size_t>(colors, ColorTableCapacity());
  const RGBQUAD black{0, 0, 0, 0};
  bool ok = WriteAll(*this, packed, sizeof packed) &&
            WriteAll(*this, reinterpret_cast<const BYTE*>(&bi), 40) &&
            WriteAll(*this, m_pBitmapInfo.data() + 40, 4 * have);
  for (size_t i = have; ok && i < colors; ++i)
    ok = WriteAll(*this, reinterpret_cast<const BYTE*>(&black), 4);
  ok = ok && WriteAll(*this, m_pBits.data(), pixelBytes);
  return ok && (m_nBufSize == 0 || FlushBuffer());
}

bool SECImageBase::ReadBmp() {
  m_sLoadError.clear();
  if (!m_pFile) return false;
  BmpReader reader(*this);
  MemBlock header, pixels;
  if (!reader.Read(header, pixels)) {
    m_sLoadError = reader.error;
    FreeHeader();
    m_pBits.Free();
    return false;
  }
  if (reader.embedded) return true;  // the picture is in place already
  SetHeaderBlock(std::move(header));
  m_pBits = std::move(pixels);
  m_bIsPadded = true;
  m_dwWidth = reader.width;
  m_dwPadWidth = (reader.width + 3) & ~3u;
  m_dwHeight = reader.height;
  m_nSrcBitsPerPixel = reader.outBits;
  m_wColors = TableEntriesForBits(reader.outBits);
  return true;
}

}  // namespace prentix
