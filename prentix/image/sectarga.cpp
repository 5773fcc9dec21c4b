#include "prentix/image/sectarga.h"

#include <algorithm>
#include <cstring>

#include "prentix/image/picturelimits.h"

namespace prentix {

namespace {

// 5-bit channel to 8 bits: round(v * 255 / 31)
constexpr BYTE kFiveToEight[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                                   90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                                   181, 189, 197, 206, 214, 222, 230, 239, 247, 255};

constexpr char kSignature[18] = "TRUEVISION-XFILE.";  // with its zero byte
constexpr size_t kFooterSize = 26;
constexpr size_t kExtensionSize = 495;

bool ReadExact(CFile* f, void* dst, uint32_t n) { return n == 0 || f->Read(dst, n) == n; }

// a 15/16-bit little-endian word: blue in bits 0-4, green 5-9, red 10-14
inline void Expand16(const BYTE* in, BYTE* out) {
  const unsigned v = in[0] | in[1] << 8;
  out[0] = kFiveToEight[v & 31];
  out[1] = kFiveToEight[(v >> 5) & 31];
  out[2] = kFiveToEight[(v >> 10) & 31];
}

// Field-by-field reader over a block already read.
class Fields {
 public:
  explicit Fields(const BYTE* p) : p_(p) {}
  BYTE U8() { return *p_++; }
  WORD U16() {
    WORD v = Get16(p_);
    p_ += 2;
    return v;
  }
  DWORD U32() {
    DWORD v = Get32(p_);
    p_ += 4;
    return v;
  }
  template <size_t N>
  void Text(char (&dst)[N]) {
    std::memcpy(dst, p_, N);
    dst[N - 1] = 0;  // a field that fills its room is still a string here
    p_ += N;
  }

 private:
  const BYTE* p_;
};

}  // namespace

void TargaHeader::Pack(BYTE out[kSize]) const {
  out[0] = idLength;
  out[1] = colorMapType;
  out[2] = imageType;
  Put16(out + 3, colorMapFirst);
  Put16(out + 5, colorMapLength);
  out[7] = colorMapEntrySize;
  Put16(out + 8, xOrigin);
  Put16(out + 10, yOrigin);
  Put16(out + 12, width);
  Put16(out + 14, height);
  out[16] = pixelDepth;
  out[17] = imageDescriptor;
}

// --- Writing -------------------------------------------------------------------

bool SECTarga::WriteFormat(CFile* file) {
  m_pFile = file;
  const int bits = m_nSrcBitsPerPixel;
  if (!file || !HasPicture() || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return false;
  // width and height are 16-bit fields
  if (m_dwWidth == 0 || m_dwHeight == 0 || m_dwWidth > 0xFFFF || m_dwHeight > 0xFFFF) return false;
  if (!PadRows() || m_pBits.size() < RowStride() * m_dwHeight) return false;

  TargaHeader h;
  h.imageType = 2;
  h.width = static_cast<WORD>(m_dwWidth);
  h.height = static_cast<WORD>(m_dwHeight);
  h.pixelDepth = 24;
  m_header = h;
  BYTE raw[TargaHeader::kSize];
  h.Pack(raw);
  if (!file->Write(raw, sizeof raw)) return false;

  if (!OpenBuffer(kTargaBufferSize, 0)) return false;
  const DWORD w = m_dwWidth, rowBytes = 3 * w;
  const size_t capacity = ColorTableCapacity();
  std::vector<BYTE> line(bits == 24 ? 0 : rowBytes);
  bool ok = true;
  for (DWORD y = 0; ok && y < m_dwHeight; ++y) {
    const BYTE* row = Row(y);  // bottom row first, as stored
    if (bits == 24) {
      ok = WriteBuffered(row, rowBytes) == rowBytes;
      continue;
    }
    for (DWORD x = 0; x < w; ++x) {
      unsigned index;
      if (bits == 8)
        index = row[x];
      else if (bits == 4)
        index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
      else
        index = (row[x >> 3] >> (7 - (x & 7))) & 1;
      const RGBQUAD c = index < capacity ? m_pColorTable[index] : RGBQUAD{0, 0, 0, 0};
      line[3 * x] = c.rgbBlue;
      line[3 * x + 1] = c.rgbGreen;
      line[3 * x + 2] = c.rgbRed;
    }
    ok = WriteBuffered(line.data(), rowBytes) == rowBytes;
  }
  ok = ok && FlushBuffer();
  CloseBuffer();
  return ok;
}

// --- Reading -------------------------------------------------------------------

bool SECTarga::ReadFormat(CFile* file) {
  m_pFile = file;
  m_sLoadError.clear();
  auto fail = [this] {
    CloseBuffer();
    m_pBits.Free();
    FreeHeader();
    return false;
  };
  if (!file) return fail();
  m_identification.clear();
  m_colorMap.clear();
  m_mapBgr.clear();
  m_bNewFormat = m_bHasExtension = false;
  m_footer = TargaFooter();
  m_tags.clear();
  m_extension = TargaExtension();
  m_scanLineTable.clear();
  m_postageStamp.clear();
  m_colourCorrection.clear();

  BYTE raw[TargaHeader::kSize];
  if (!ReadExact(file, raw, sizeof raw)) return fail();
  TargaHeader& h = m_header;
  h.idLength = raw[0];
  h.colorMapType = raw[1];
  h.imageType = raw[2];
  h.colorMapFirst = Get16(raw + 3);
  h.colorMapLength = Get16(raw + 5);
  h.colorMapEntrySize = raw[7];
  h.xOrigin = Get16(raw + 8);
  h.yOrigin = Get16(raw + 10);
  h.width = Get16(raw + 12);
  h.height = Get16(raw + 14);
  h.pixelDepth = raw[16];
  h.imageDescriptor = raw[17];

  m_identification.resize(h.idLength);
  if (!ReadExact(file, m_identification.data(), h.idLength)) return fail();
  const unsigned entryBytes = (h.colorMapEntrySize + 7u) / 8;
  if (h.colorMapType != 0) {
    m_colorMap.resize(size_t{entryBytes} * h.colorMapLength);
    if (!ReadExact(file, m_colorMap.data(), static_cast<uint32_t>(m_colorMap.size())))
      return fail();
  }
  const uint64_t dataPos = file->GetPosition(), length = file->GetLength();

  // What the picture needs, checked before anything is allocated for it.
  const unsigned kind = h.imageType & ~8u;  // 1 mapped, 2 true colour, 3 grey
  if (h.imageType != kind && h.imageType != kind + 8) return fail();
  m_nBytesPerPixel = (h.pixelDepth + 7u) / 8;
  switch (kind) {
    case 1:
      if (h.colorMapType != 1 || (h.pixelDepth != 8 && h.pixelDepth != 16) || h.colorMapLength == 0)
        return fail();
      if (h.colorMapEntrySize != 15 && h.colorMapEntrySize != 16 && h.colorMapEntrySize != 24 &&
          h.colorMapEntrySize != 32)
        return fail();
      m_mapBgr.resize(size_t{h.colorMapLength} * 3);
      for (size_t i = 0; i < h.colorMapLength; ++i) {
        const BYTE* e = m_colorMap.data() + i * entryBytes;
        if (entryBytes == 2)
          Expand16(e, &m_mapBgr[3 * i]);
        else
          std::memcpy(&m_mapBgr[3 * i], e, 3);
      }
      break;
    case 2:
      if (h.pixelDepth != 15 && h.pixelDepth != 16 && h.pixelDepth != 24 && h.pixelDepth != 32)
        return fail();
      break;
    case 3:  // grey, or grey then alpha
      if (h.pixelDepth != 8 && h.pixelDepth != 16) return fail();
      break;
    default:
      return fail();
  }
  const DWORD w = h.width, ht = h.height;
  if (w == 0 || ht == 0) return fail();
  m_sLoadError = CheckPictureBudget(w, ht);
  if (!m_sLoadError.empty()) return fail();
  const uint64_t pixelBytes = PaddedRowBytes(w, 24) * ht;
  if (pixelBytes > kMaxTargaPixelBytes) return fail();
  const uint64_t have = length > dataPos ? length - dataPos : 0;
  const uint64_t least = h.imageType < 8 ? uint64_t{w} * ht * m_nBytesPerPixel
                                         : (uint64_t{w} * ht + 127) / 128 * (1 + m_nBytesPerPixel);
  if (have < least) {
    m_sLoadError = "the file holds fewer pixels than its header announces";
    return fail();
  }

  if (!AllocateHeader(40) || !m_pBits.Allocate(pixelBytes)) return fail();
  BITMAPINFOHEADER* bi = Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(w);
  bi->biHeight = static_cast<LONG>(ht);
  bi->biPlanes = 1;
  bi->biBitCount = 24;
  m_nSrcBitsPerPixel = 24;
  m_wColors = 0;
  m_dwWidth = w;
  m_dwHeight = ht;
  m_dwPadWidth = (w + 3) & ~3u;
  m_bIsPadded = false;

  if (!file->Seek(dataPos) || !OpenBuffer(kTargaBufferSize, 1)) return fail();
  if (!DecodeRows()) return fail();
  // where the pixels ended: a footer can only follow them
  const uint64_t dataEnd = file->GetPosition() - (m_nBufValid - m_nBufPos);
  CloseBuffer();
  if (!ReadNewFormatParts(length, dataEnd) || !PadRows()) return fail();
  if ((h.imageDescriptor & 0x20) && !FlipVertical()) return fail();
  if ((h.imageDescriptor & 0x10) && !MirrorHorizontal()) return fail();
  return true;
}

// The footer of a new-format file and what it points to. None of it changes
// the picture, but a file that promises it and breaks off is not whole.
bool SECTarga::ReadNewFormatParts(uint64_t length, uint64_t dataEnd) {
  CFile* f = m_pFile;
  // pixels that happen to end in the signature are no footer
  if (length < dataEnd + kFooterSize) return true;
  BYTE foot[kFooterSize];
  if (!f->Seek(length - kFooterSize) || !ReadExact(f, foot, sizeof foot)) return false;
  if (std::memcmp(foot + 8, kSignature, sizeof kSignature) != 0) return true;
  m_bNewFormat = true;
  m_footer.extensionOffset = Get32(foot);
  m_footer.developerOffset = Get32(foot + 4);
  std::memcpy(m_footer.signature, foot + 8, sizeof m_footer.signature);

  if (m_footer.developerOffset != 0) {
    BYTE count[2];
    if (m_footer.developerOffset > length || !f->Seek(m_footer.developerOffset) ||
        !ReadExact(f, count, 2))
      return false;
    const WORD n = Get16(count);
    if (uint64_t{n} * 10 > length) return false;
    m_tags.reserve(n);
    for (WORD i = 0; i < n; ++i) {
      BYTE t[10];
      if (!ReadExact(f, t, sizeof t)) return false;
      m_tags.push_back(TargaTag{Get16(t), Get32(t + 2), Get32(t + 6)});
    }
    // the tags' data is skipped, but it has to be there
    for (const TargaTag& t : m_tags)
      if (uint64_t{t.offset} + t.size > length) return false;
  }

  if (m_footer.extensionOffset != 0) {
    BYTE ext[kExtensionSize];
    if (m_footer.extensionOffset > length || !f->Seek(m_footer.extensionOffset) ||
        !ReadExact(f, ext, sizeof ext))
      return false;
    Fields r(ext);
    TargaExtension& e = m_extension;
    e.size = r.U16();
    r.Text(e.author);
    r.Text(e.comments);
    for (WORD& v : e.dateTime) v = r.U16();
    r.Text(e.jobName);
    for (WORD& v : e.jobTime) v = r.U16();
    r.Text(e.softwareId);
    e.versionNumber = r.U16();
    e.versionLetter = static_cast<char>(r.U8());
    e.keyColour = r.U32();
    e.aspectNumerator = r.U16();
    e.aspectDenominator = r.U16();
    e.gammaNumerator = r.U16();
    e.gammaDenominator = r.U16();
    e.colourCorrectionOffset = r.U32();
    e.postageStampOffset = r.U32();
    e.scanLineOffset = r.U32();
    e.attributesType = r.U8();
    m_bHasExtension = true;

    if (e.scanLineOffset != 0) {
      const uint64_t bytes = uint64_t{m_header.height} * 4;
      if (e.scanLineOffset + bytes > length || !f->Seek(e.scanLineOffset)) return false;
      std::vector<BYTE> table(bytes);
      if (!ReadExact(f, table.data(), static_cast<uint32_t>(bytes))) return false;
      m_scanLineTable.resize(m_header.height);
      for (size_t i = 0; i < m_scanLineTable.size(); ++i) m_scanLineTable[i] = Get32(&table[4 * i]);
    }
    if (e.postageStampOffset != 0) {
      BYTE size[2];
      if (e.postageStampOffset > length || !f->Seek(e.postageStampOffset) || !ReadExact(f, size, 2))
        return false;
      const uint64_t bytes = uint64_t{size[0]} * size[1] * m_nBytesPerPixel;
      if (e.postageStampOffset + 2 + bytes > length) return false;
      m_postageStamp.assign(size, size + 2);
      m_postageStamp.resize(2 + bytes);
      if (!ReadExact(f, m_postageStamp.data() + 2, static_cast<uint32_t>(bytes))) return false;
    }
    if (e.colourCorrectionOffset != 0) {
      BYTE table[256 * 4 * 2];
      if (e.colourCorrectionOffset > length || !f->Seek(e.colourCorrectionOffset) ||
          !ReadExact(f, table, sizeof table))
        return false;
      m_colourCorrection.resize(256 * 4);
      for (size_t i = 0; i < m_colourCorrection.size(); ++i)
        m_colourCorrection[i] = Get16(table + 2 * i);
    }
  }
  return true;
}

void SECTarga::ConvertPixels(const BYTE* in, DWORD n, BYTE* out) const {
  const unsigned kind = m_header.imageType & ~8u;
  const unsigned bpp = m_nBytesPerPixel;
  if (kind == 3) {
    for (DWORD i = 0; i < n; ++i, out += 3) out[0] = out[1] = out[2] = in[i * bpp];
  } else if (kind == 1) {
    const unsigned first = m_header.colorMapFirst, entries = m_header.colorMapLength;
    for (DWORD i = 0; i < n; ++i, in += bpp, out += 3) {
      const unsigned index = bpp == 2 ? Get16(in) : in[0];
      if (index >= first && index - first < entries)
        std::memcpy(out, &m_mapBgr[3 * size_t{index - first}], 3);
      else
        out[0] = out[1] = out[2] = 0;
    }
  } else if (bpp == 2) {
    for (DWORD i = 0; i < n; ++i, in += 2, out += 3) Expand16(in, out);
  } else if (bpp == 3) {
    std::memcpy(out, in, size_t{n} * 3);
  } else {
    for (DWORD i = 0; i < n; ++i, in += 4, out += 3) std::memcpy(out, in, 3);
  }
}

// Rows in file order, unpadded, so that run-length packets may run on from
// one row into the next as many writers make them; none runs past the
// picture's last pixel.
bool SECTarga::DecodeRows() {
  const DWORD w = m_dwWidth, bpp = m_nBytesPerPixel;
  const bool rle = m_header.imageType >= 8;
  std::vector<BYTE> in(size_t{std::max<DWORD>(w, 128)} * bpp);
  if (!rle) {
    for (DWORD y = 0; y < m_dwHeight; ++y) {
      const DWORD n = w * bpp;
      if (ReadBuffered(in.data(), n) != n) return false;
      ConvertPixels(in.data(), w, m_pBits.data() + size_t{y} * w * 3);
    }
    return true;
  }
  const uint64_t total = uint64_t{w} * m_dwHeight;
  BYTE* out = m_pBits.data();
  for (uint64_t at = 0; at < total;) {
    BYTE packet;
    if (ReadBuffered(&packet, 1) != 1) return false;
    const DWORD count = static_cast<DWORD>(std::min<uint64_t>((packet & 0x7Fu) + 1, total - at));
    BYTE* dst = out + 3 * at;
    if (packet & 0x80) {
      BYTE value[4];
      if (ReadBuffered(value, bpp) != bpp) return false;
      ConvertPixels(value, 1, dst);
      for (DWORD i = 1; i < count; ++i) std::memcpy(dst + 3 * size_t{i}, dst, 3);
    } else {
      if (ReadBuffered(in.data(), count * bpp) != count * bpp) return false;
      ConvertPixels(in.data(), count, dst);
    }
    at += count;
  }
  return true;
}

}  // namespace prentix
