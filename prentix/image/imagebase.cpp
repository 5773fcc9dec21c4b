#include "prentix/image/imagebase.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace prentix {

// --- Records and blocks ------------------------------------------------------

void BITMAPFILEHEADER::Pack(BYTE out[kSize]) const {
  Put16(out, bfType);
  Put32(out + 2, bfSize);
  Put16(out + 6, bfReserved1);
  Put16(out + 8, bfReserved2);
  Put32(out + 10, bfOffBits);
}

BITMAPFILEHEADER BITMAPFILEHEADER::Unpack(const BYTE in[kSize]) {
  BITMAPFILEHEADER h;
  h.bfType = Get16(in);
  h.bfSize = Get32(in + 2);
  h.bfReserved1 = Get16(in + 6);
  h.bfReserved2 = Get16(in + 8);
  h.bfOffBits = Get32(in + 10);
  return h;
}

namespace {

// From this size on a block is mapped on its own, in huge pages where the
// system offers them: a whole screen picture is then a handful of page
// faults instead of thousands, which dominates loading on virtual machines.
constexpr size_t kHugePage = size_t{2} << 20;
// A given-back block up to this size is kept for reuse.
constexpr size_t kKeptSpare = size_t{64} << 20;

// Under the address sanitizer every block stays on the heap, where reads
// past its end are caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMapLargeBlocks = false;
#else
constexpr bool kMapLargeBlocks = true;
#endif
#else
constexpr bool kMapLargeBlocks = true;
#endif

}  // namespace

namespace {

// The last large block given back is kept for the next picture of its
// size (one viewed or printed after another), as the heap would keep it.
struct SpareBlock {
  std::mutex mutex;
  void* data = nullptr;
  size_t mapped = 0;
};
SpareBlock& Spare() {
  static SpareBlock* spare = new SpareBlock;  // never destroyed: blocks may go after exit
  return *spare;
}

void* TakeSpare(size_t rounded) {
  SpareBlock& s = Spare();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.data || s.mapped != rounded) return nullptr;
  return std::exchange(s.data, nullptr);
}

}  // namespace

void MemBlockRelease::operator()(BYTE* p) const {
  if (!mapped) {
    std::free(p);
    return;
  }
  {
    SpareBlock& s = Spare();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.data && mapped <= kKeptSpare) {
      s.data = p;
      s.mapped = mapped;
      return;
    }
  }
  munmap(p, mapped);
}

bool MemBlock::Allocate(size_t size) {
  Free();
  if (kMapLargeBlocks && size >= kHugePage) {
    // over-map by one huge page so that an aligned run can be kept
    const size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    if (void* spare = TakeSpare(rounded)) {
      std::memset(spare, 0, size);  // the promised zero bytes
      data_ = std::unique_ptr<BYTE[], MemBlockRelease>(static_cast<BYTE*>(spare),
                                                       MemBlockRelease{rounded});
      size_ = size;
      return true;
    }
    const size_t span = rounded + kHugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return false;
    const uintptr_t base = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (base + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > base) munmap(raw, aligned - base);
    if (base + span > aligned + rounded)
      munmap(reinterpret_cast<void*>(aligned + rounded), base + span - (aligned + rounded));
    void* p = reinterpret_cast<void*>(aligned);
    // hints only: the block works without either
    madvise(p, rounded, MADV_HUGEPAGE);
    madvise(p, rounded, MADV_POPULATE_WRITE);
    data_ =
        std::unique_ptr<BYTE[], MemBlockRelease>(static_cast<BYTE*>(p), MemBlockRelease{rounded});
    size_ = size;
    return true;
  }
  // at least one byte, so that an empty picture still counts as allocated
  data_ = std::unique_ptr<BYTE[], MemBlockRelease>(
      static_cast<BYTE*>(std::calloc(size ? size : 1, 1)), MemBlockRelease{});
  if (!data_) return false;
  size_ = size;
  return true;
}

bool MemBlock::CopyFrom(const MemBlock& other) {
  if (!other) {
    Free();
    return true;
  }
  if (!Allocate(other.size_)) return false;
  if (size_) std::memcpy(data_.get(), other.data_.get(), size_);
  return true;
}

bool MemBlock::Resize(size_t size) {
  MemBlock grown;
  if (!grown.Allocate(size)) return false;
  if (data_) std::memcpy(grown.data_.get(), data_.get(), std::min(size, size_));
  *this = std::move(grown);
  return true;
}

// --- Messages ----------------------------------------------------------------

namespace {
ImageMessageHook& MessageHook() {
  static ImageMessageHook hook;
  return hook;
}
}  // namespace

void SetImageMessageHook(ImageMessageHook hook) { MessageHook() = std::move(hook); }

void ShowImageMessage(const std::string& text) {
  if (MessageHook())
    MessageHook()(text);
  else
    std::fprintf(stderr, "%s\n", text.c_str());
}

// --- Pixel access ---------------------------------------------------------------

namespace {

inline void SetPixel(BYTE* row, DWORD x, int bits, unsigned v) {
  switch (bits) {
    case 1: {
      BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<BYTE>(v ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4: {
      BYTE& b = row[x >> 1];
      b = (x & 1) ? static_cast<BYTE>((b & 0xF0) | (v & 15))
                  : static_cast<BYTE>((b & 0x0F) | (v & 15) << 4);
      break;
    }
    default:
      row[x] = static_cast<BYTE>(v);
  }
}

}  // namespace

// --- Construction ------------------------------------------------------------------

SECImageBase::SECImageBase(const DisplayInfo& display) {
  m_nBitPlanes = display.planes;
  m_nSrcBitsPerPixel = display.bitsPerPixel;
  m_nSysBitsPerPixel = display.bitsPerPixel;
  switch (display.bitsPerPixel) {
    case 1:
      m_wSysColors = static_cast<WORD>(1u << std::clamp(display.planes, 0, 15));
      break;
    case 2:
      m_wSysColors = 4;
      break;
    case 4:
      m_wSysColors = 16;
      break;
    case 8:
      m_wSysColors = 256;
      break;
    default:
      m_wSysColors = 0;
      m_nSysBitsPerPixel = 0;
  }
}

SECImageBase::~SECImageBase() = default;

// --- Loading and saving ----------------------------------------------------------

bool SECImageBase::LoadImage(const char* path) {
  if (!path) return false;
  if (!m_ownFile) m_ownFile = std::make_unique<CFile>();
  if (!m_ownFile->Open(path, CFile::modeRead)) return false;
  bool ok = LoadImage(m_ownFile.get());
  m_ownFile->Close();
  return ok;
}

bool SECImageBase::LoadImage(CFile* file) {
  if (!file) return false;
  m_pFile = file;
  bool ok = BeforeLoad() && ReadFormat(file) && AfterLoad();
  CloseBuffer();
  m_pFile = nullptr;
  return ok;
}

bool SECImageBase::SaveImage(const char* path) {
  if (!path) return false;
  if (!m_ownFile) m_ownFile = std::make_unique<CFile>();
  if (!m_ownFile->Open(path, CFile::modeCreate | CFile::modeWrite)) return false;
  bool ok = SaveImage(m_ownFile.get());
  m_ownFile->Close();
  return ok;
}

bool SECImageBase::SaveImage(CFile* file) {
  if (!file) return false;
  m_pFile = file;
  bool ok = BeforeSave() && WriteFormat(file) && AfterSave();
  CloseBuffer();
  m_pFile = nullptr;
  return ok;
}

bool SECImageBase::BeforeLoad() {
  FreeHeader();
  m_sLoadWarning.clear();
  return true;
}

bool SECImageBase::AfterLoad() {
  m_dwPadWidth = (m_dwWidth + 3) & ~3u;
  // The header comes first so that the palette below always has a table to
  // read (all black when the codec left none).
  if (!m_pBitmapInfo) {
    if (!AllocateHeader(40 + 4 * size_t{m_wColors})) return false;
    BITMAPINFOHEADER* bi = Header();
    bi->biSize = 40;
    bi->biWidth = static_cast<LONG>(m_dwWidth);
    bi->biHeight = static_cast<LONG>(m_dwHeight);
    bi->biPlanes = static_cast<WORD>(m_nBitPlanes);
    bi->biBitCount = static_cast<WORD>(m_nSrcBitsPerPixel);
    bi->biCompression = kBiRgb;
    bi->biSizeImage = m_dwPadWidth * m_dwHeight;
  }
  CreatePalette();
  if (!PadRows()) return false;
  if (m_nSysBitsPerPixel != 0 && m_nSysBitsPerPixel != m_nSrcBitsPerPixel) m_bUseHalftone = true;
  return true;
}

bool SECImageBase::BeforeSave() { return true; }
bool SECImageBase::AfterSave() { return true; }

bool SECImageBase::Serialize(CFile* file, bool storing) {
  if (!file) return false;
  m_pFile = file;
  bool ok = storing ? WriteBmp() : BeforeLoad() && ReadBmp() && AfterLoad();
  CloseBuffer();
  m_pFile = nullptr;
  return ok;
}

// --- Header block ----------------------------------------------------------------

bool SECImageBase::AllocateHeader(size_t size) {
  MemBlock block;
  if (!block.Allocate(std::max<size_t>(size, 40))) return false;
  SetHeaderBlock(std::move(block));
  return true;
}

void SECImageBase::SetHeaderBlock(MemBlock block) {
  m_pBitmapInfo = std::move(block);
  m_pColorTable = m_pBitmapInfo ? reinterpret_cast<RGBQUAD*>(m_pBitmapInfo.data() + 40) : nullptr;
}

void SECImageBase::FreeHeader() { SetHeaderBlock(MemBlock()); }

size_t SECImageBase::RowStride() const {
  return m_bIsPadded ? PaddedRowLength() : UnpaddedRowLength();
}

// --- Picture transfer --------------------------------------------------------------

void SECImageBase::CopyFields(const SECImageBase& src) {
  m_nSrcBitsPerPixel = src.m_nSrcBitsPerPixel;
  m_nBitPlanes = src.m_nBitPlanes;
  m_bIsPadded = src.m_bIsPadded;
  m_dwPadWidth = src.m_dwPadWidth;
  m_dwWidth = src.m_dwWidth;
  m_dwHeight = src.m_dwHeight;
  m_wColors = src.m_wColors;
  m_wSysColors = src.m_wSysColors;
}

bool SECImageBase::CopyImage(const SECImageBase& src) {
  if (&src == this) return true;
  m_pBits.Free();
  FreeHeader();
  MemBlock header;
  if (!m_pBits.CopyFrom(src.m_pBits) || !header.CopyFrom(src.m_pBitmapInfo)) {
    m_pBits.Free();
    return false;
  }
  SetHeaderBlock(std::move(header));
  CopyFields(src);
  CloseBuffer();
  m_pPalette.reset();  // a palette of the previous picture must not survive
  CreatePalette();
  return true;
}

bool SECImageBase::TakeOver(SECImageBase& src) {
  if (&src == this) return true;
  m_pBits = std::move(src.m_pBits);
  SetHeaderBlock(std::move(src.m_pBitmapInfo));
  src.FreeHeader();
  src.m_pBits.Free();
  m_pPalette = std::move(src.m_pPalette);
  CopyFields(src);
  // the buffer moves too: two images must never share one block
  m_nBufSize = std::exchange(src.m_nBufSize, 0);
  m_nBufValid = std::exchange(src.m_nBufValid, 0);
  m_nBufPos = std::exchange(src.m_nBufPos, 0);
  m_pBuf = std::move(src.m_pBuf);
  src.m_pBuf.Free();
  return true;
}

bool SECImageBase::CreatePalette() {
  if (m_nSrcBitsPerPixel > 8 || !m_pBitmapInfo) {
    m_pPalette.reset();
    return m_nSrcBitsPerPixel > 8;
  }
  const size_t capacity = ColorTableCapacity();
  const size_t clrUsed = std::min<size_t>(Header()->biClrUsed, capacity);
  const size_t total = std::max<size_t>(m_wColors, clrUsed);
  const size_t fromTable = std::min(clrUsed ? clrUsed : size_t{m_wColors}, capacity);
  m_pPalette.reset();
  if (total == 0) return false;
  auto pal = std::unique_ptr<LogicalPalette>(new (std::nothrow) LogicalPalette);
  if (!pal) return false;
  pal->palPalEntry.assign(total, PALETTEENTRY{0, 0, 0, 0});
  for (size_t i = 0; i < fromTable; ++i) {
    const RGBQUAD& c = m_pColorTable[i];
    pal->palPalEntry[i] = PALETTEENTRY{c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
  }
  m_pPalette = std::move(pal);
  return true;
}

bool SECImageBase::CreateFromBitmap(const DeviceBitmap& bm) {
  const int inBits = bm.bitsPerPixel;
  int outBits;
  if (inBits > 8) {
    if ((inBits != 16 && inBits != 24 && inBits != 32) || bm.planes != 1) return false;
    outBits = 24;
  } else {
    outBits = inBits * bm.planes;
    if (outBits != 1 && outBits != 4 && outBits != 8) return false;
  }
  if (bm.width <= 0 || bm.height <= 0) return false;
  const uint64_t inRow = UnpaddedRowBytes(static_cast<uint64_t>(bm.width), inBits * bm.planes);
  if (bm.stride < inRow || bm.bits.size() / bm.stride < static_cast<size_t>(bm.height))
    return false;

  const DWORD w = static_cast<DWORD>(bm.width), h = static_cast<DWORD>(bm.height);
  const size_t padded = PaddedRowBytes(w, outBits);
  const WORD colors = TableEntriesForBits(outBits);
  MemBlock pixels, header;
  if (!pixels.Allocate(padded * h) || !header.Allocate(40 + 4 * size_t{colors})) return false;

  auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
  bi->biSize = 40;
  bi->biWidth = bm.width;
  bi->biHeight = bm.height;
  bi->biPlanes = static_cast<WORD>(inBits > 8 ? bm.planes : 1);
  bi->biBitCount = static_cast<WORD>(outBits);
  bi->biCompression = kBiRgb;
  bi->biSizeImage = static_cast<DWORD>(padded * h);
  auto* table = reinterpret_cast<RGBQUAD*>(header.data() + 40);
  std::copy_n(bm.colorTable.begin(), std::min<size_t>(bm.colorTable.size(), colors), table);

  for (DWORD y = 0; y < h; ++y) {
    const BYTE* in = bm.Row(static_cast<int>(y));
    BYTE* out = pixels.data() + (h - 1 - y) * padded;
    switch (inBits > 8 ? inBits : 0) {
      case 0:
      case 24:
        std::memcpy(out, in, UnpaddedRowBytes(w, outBits));
        break;
      case 32:
        for (DWORD x = 0; x < w; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
        break;
      case 16:
        for (DWORD x = 0; x < w; ++x, in += 2, out += 3) {
          unsigned v = in[0] | in[1] << 8;
          unsigned r = v >> 11, g = (v >> 5) & 63, b = v & 31;
          out[0] = static_cast<BYTE>(b << 3 | b >> 2);
          out[1] = static_cast<BYTE>(g << 2 | g >> 4);
          out[2] = static_cast<BYTE>(r << 3 | r >> 2);
        }
        break;
    }
  }

  m_pBits = std::move(pixels);
  SetHeaderBlock(std::move(header));
  m_wColors = colors;
  m_dwWidth = w;
  m_dwHeight = h;
  m_dwPadWidth = (w + 3) & ~3u;
  m_nSrcBitsPerPixel = outBits;
  m_bIsPadded = true;
  CreatePalette();
  return true;
}

std::unique_ptr<DeviceBitmap> SECImageBase::MakeBitmap(const DisplayInfo& display) const {
  const int bits = m_nSrcBitsPerPixel;
  if (!HasPicture() || m_pBits.size() < RowStride() * m_dwHeight) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  auto bm = std::unique_ptr<DeviceBitmap>(new (std::nothrow) DeviceBitmap);
  if (!bm) return nullptr;
  const bool trueColour = display.bitsPerPixel * display.planes > 8;
  bm->width = static_cast<int>(m_dwWidth);
  bm->height = static_cast<int>(m_dwHeight);
  bm->bitsPerPixel = trueColour ? 32 : 8;
  bm->stride = trueColour ? size_t{m_dwWidth} * 4 : PaddedRowBytes(m_dwWidth, 8);
  bm->bits.assign(bm->stride * m_dwHeight, 0);

  // the colour of table entry i (black beyond what the header block holds)
  const size_t capacity = ColorTableCapacity();
  auto entry = [&](unsigned i) { return i < capacity ? m_pColorTable[i] : RGBQUAD{0, 0, 0, 0}; };
  auto colour = [&](const BYTE* row, DWORD x) -> RGBQUAD {
    switch (bits) {
      case 24:
        return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
      case 32:
        return RGBQUAD{row[4 * x], row[4 * x + 1], row[4 * x + 2], 0};
      case 16: {  // 5-5-5
        unsigned v = row[2 * x] | row[2 * x + 1] << 8;
        auto c5 = [](unsigned c) { return static_cast<BYTE>(c << 3 | c >> 2); };
        return RGBQUAD{c5(v & 31), c5((v >> 5) & 31), c5((v >> 10) & 31), 0};
      }
      default:
        return entry(PixelIndex(row, x, bits));
    }
  };

  if (!trueColour) {
    bm->colorTable.assign(256, RGBQUAD{0, 0, 0, 0});
    if (bits <= 8) {
      for (unsigned i = 0; i < 256; ++i) bm->colorTable[i] = entry(i);
    } else {
      // a 6x6x6 colour cube for true-colour pictures on a palette display
      for (unsigned i = 0; i < 216; ++i)
        bm->colorTable[i] =
            RGBQUAD{static_cast<BYTE>(i % 6 * 51), static_cast<BYTE>(i / 6 % 6 * 51),
                    static_cast<BYTE>(i / 36 * 51), 0};
    }
  }
  for (DWORD y = 0; y < m_dwHeight; ++y) {
    const BYTE* in = Row(m_dwHeight - 1 - y);
    BYTE* out = bm->Row(static_cast<int>(y));
    for (DWORD x = 0; x < m_dwWidth; ++x) {
      if (trueColour) {
        RGBQUAD c = colour(in, x);
        out[4 * x] = c.rgbBlue;
        out[4 * x + 1] = c.rgbGreen;
        out[4 * x + 2] = c.rgbRed;
      } else if (bits <= 8) {
        out[x] = static_cast<BYTE>(PixelIndex(in, x, bits));
      } else {
        RGBQUAD c = colour(in, x);
        auto q = [](BYTE v) { return (v + 25) / 51; };
        out[x] = static_cast<BYTE>(q(c.rgbRed) * 36 + q(c.rgbGreen) * 6 + q(c.rgbBlue));
      }
    }
  }
  return bm;
}

// --- Row layout and geometry ----------------------------------------------------

bool SECImageBase::PadRows() {
  m_dwPadWidth = (m_dwWidth + 3) & ~3u;
  if (m_bIsPadded || !m_pBits) return true;
  const size_t unpadded = UnpaddedRowLength(), padded = PaddedRowLength();
  if (unpadded == padded) return true;
  const size_t need = padded * m_dwHeight;
  if (m_pBits.size() < need && !m_pBits.Resize(need)) return false;
  BYTE* p = m_pBits.data();
  // last row first, so that no row is overwritten before it has moved
  for (size_t k = m_dwHeight; k-- > 1;) {
    std::memmove(p + k * padded, p + k * unpadded, unpadded);
    std::memset(p + k * padded + unpadded, 0, padded - unpadded);
  }
  if (m_dwHeight) std::memset(p + unpadded, 0, padded - unpadded);
  m_bIsPadded = true;
  return true;
}

bool SECImageBase::UnpadRows() {
  if (!m_bIsPadded) return true;
  const size_t unpadded = UnpaddedRowLength(), padded = PaddedRowLength();
  if (m_pBits && m_pBits.size() >= padded * m_dwHeight) {
    BYTE* p = m_pBits.data();
    for (size_t k = 1; k < m_dwHeight; ++k)
      std::memmove(p + k * unpadded, p + k * padded, unpadded);
  }
  m_bIsPadded = false;
  return true;
}

bool SECImageBase::FlipVertical() {
  if (!PadRows()) return false;
  const size_t stride = RowStride();
  if (!m_pBits || m_pBits.size() < stride * m_dwHeight) return false;
  for (DWORD i = 0, j = m_dwHeight ? m_dwHeight - 1 : 0; i < j; ++i, --j)
    std::swap_ranges(Row(i), Row(i) + stride, Row(j));
  return true;
}

bool SECImageBase::MirrorHorizontal() {
  const int bits = m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const size_t stride = RowStride();
  if (!m_pBits || m_pBits.size() < stride * m_dwHeight) return false;
  const DWORD w = m_dwWidth;
  for (DWORD r = 0; r < m_dwHeight; ++r) {
    BYTE* row = Row(r);
    if (bits >= 8) {
      const size_t n = bits / 8;
      for (DWORD a = 0, b = w ? w - 1 : 0; a < b; ++a, --b)
        std::swap_ranges(row + a * n, row + a * n + n, row + b * n);
    } else {
      for (DWORD a = 0, b = w ? w - 1 : 0; a < b; ++a, --b) {
        unsigned pa = PixelIndex(row, a, bits), pb = PixelIndex(row, b, bits);
        SetPixel(row, a, bits, pb);
        SetPixel(row, b, bits, pa);
      }
    }
  }
  return true;
}

bool SECImageBase::Rotate90(bool clockwise) {
  const int bits = m_nSrcBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    ShowImageMessage("Rotate90: Error, unsupported format.");
    return false;
  }
  if (!PadRows()) return false;
  const DWORD w = m_dwWidth, h = m_dwHeight;
  const size_t stride = RowStride();
  if (!m_pBits || m_pBits.size() < stride * h) return false;
  // new picture: h wide, w high
  const size_t newStride = PaddedRowBytes(h, bits);
  MemBlock turned;
  if (!turned.Allocate(newStride * w)) return false;
  BYTE* dst = turned.data();

  // Old storage row r (bottom-up), pixel x lands clockwise in row w-1-x at
  // column r, counter-clockwise in row x at column h-1-r.
  for (DWORD r = 0; r < h; ++r) {
    const BYTE* src = Row(r);
    const DWORD col = clockwise ? r : h - 1 - r;
    for (DWORD x = 0; x < w; ++x) {
      BYTE* out = dst + (clockwise ? w - 1 - x : x) * newStride;
      switch (bits) {
        case 24:
          std::memcpy(out + 3 * size_t{col}, src + 3 * size_t{x}, 3);
          break;
        case 8:
          out[col] = src[x];
          break;
        default:
          SetPixel(out, col, bits, PixelIndex(src, x, bits));
      }
    }
  }

  m_pBits = std::move(turned);
  std::swap(m_dwWidth, m_dwHeight);
  if (BITMAPINFOHEADER* bi = Header()) std::swap(bi->biWidth, bi->biHeight);
  m_dwPadWidth = static_cast<DWORD>(newStride);
  // the new rows are padded whatever the old ones were
  if (newStride != UnpaddedRowLength()) m_bIsPadded = true;
  return true;
}

// --- Buffered codec I/O ----------------------------------------------------------

bool SECImageBase::OpenBuffer(DWORD size, short reading) {
  CloseBuffer();
  if (!m_pFile) return false;
  if (size && !m_pBuf.Allocate(size)) return false;
  m_nBufSize = size;
  if (reading == 1 && size) m_nBufValid = m_pFile->Read(m_pBuf.data(), size);
  return true;
}

DWORD SECImageBase::ReadBuffered(void* dst, DWORD n) {
  if (!m_pFile) return 0;
  if (!m_nBufSize || !m_pBuf) return m_pFile->Read(dst, n);
  auto* out = static_cast<BYTE*>(dst);
  DWORD done = 0;
  while (done < n) {
    if (m_nBufPos >= m_nBufValid) {
      // a buffer's worth or more still to come goes straight to the caller
      if (n - done >= m_nBufSize) {
        m_nBufPos = m_nBufValid = 0;
        return done + m_pFile->Read(out + done, n - done);
      }
      m_nBufPos = 0;
      m_nBufValid = m_pFile->Read(m_pBuf.data(), m_nBufSize);
      if (m_nBufValid == 0) break;
    }
    DWORD take = std::min(n - done, m_nBufValid - m_nBufPos);
    std::memcpy(out + done, m_pBuf.data() + m_nBufPos, take);
    m_nBufPos += take;
    done += take;
  }
  return done;
}

DWORD SECImageBase::WriteBuffered(const void* src, DWORD n) {
  if (!m_pFile) return 0;
  if (!m_nBufSize || !m_pBuf) return m_pFile->Write(src, n) ? n : 0;
  auto* in = static_cast<const BYTE*>(src);
  DWORD done = 0;
  while (done < n) {
    DWORD take = std::min(n - done, m_nBufSize - m_nBufPos);
    std::memcpy(m_pBuf.data() + m_nBufPos, in + done, take);
    m_nBufPos += take;
    done += take;
    if (m_nBufPos == m_nBufSize) {
      m_nBufPos = 0;
      // what was in the refused buffer did not reach the file
      if (!m_pFile->Write(m_pBuf.data(), m_nBufSize))
        return done > m_nBufSize ? done - m_nBufSize : 0;
    }
  }
  return n;
}

bool SECImageBase::FlushBuffer() {
  if (!m_pFile) return false;
  bool ok = m_nBufPos == 0 || m_pFile->Write(m_pBuf.data(), m_nBufPos);
  m_nBufPos = 0;
  return ok;
}

void SECImageBase::CloseBuffer() {
  m_pBuf.Free();
  m_nBufSize = m_nBufValid = m_nBufPos = 0;
}

}  // namespace prentix
