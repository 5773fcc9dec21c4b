#include "prentix/image/colorreduce.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "prentix/image/secdib.h"

namespace prentix {

// --- Packed DIBs ----------------------------------------------------------------

namespace {

constexpr DWORD kCoreHeaderSize = 12;

struct CoreHeader {  // BITMAPCOREHEADER
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};
static_assert(sizeof(CoreHeader) == 12);

}  // namespace

DWORD PackedDibColors(const BYTE* dib, size_t size) {
  if (!dib || size < 4) return 0;
  DWORD headerSize;
  std::memcpy(&headerSize, dib, 4);
  if (headerSize == kCoreHeaderSize && size >= sizeof(CoreHeader)) {
    CoreHeader core;
    std::memcpy(&core, dib, sizeof core);
    return TableEntriesForBits(core.bcBitCount);
  }
  if (headerSize < sizeof(BITMAPINFOHEADER) || size < sizeof(BITMAPINFOHEADER)) return 0;
  BITMAPINFOHEADER bi;
  std::memcpy(&bi, dib, sizeof bi);
  return bi.biClrUsed ? bi.biClrUsed : TableEntriesForBits(bi.biBitCount);
}

std::optional<PackedDibLayout> GetPackedDibLayout(const MemBlock& dib) {
  if (!dib || dib.size() < 4) return std::nullopt;
  PackedDibLayout l;
  std::memcpy(&l.headerSize, dib.data(), 4);
  int64_t width, height;
  if (l.headerSize == kCoreHeaderSize && dib.size() >= sizeof(CoreHeader)) {
    CoreHeader core;
    std::memcpy(&core, dib.data(), sizeof core);
    width = core.bcWidth;
    height = core.bcHeight;
    l.bitCount = core.bcBitCount;
    l.entrySize = 3;
  } else if (l.headerSize == sizeof(BITMAPINFOHEADER) && dib.size() >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER bi;
    std::memcpy(&bi, dib.data(), sizeof bi);
    if (bi.biCompression != kBiRgb) return std::nullopt;
    width = bi.biWidth;
    height = bi.biHeight;
    l.bitCount = bi.biBitCount;
    l.entrySize = 4;
  } else {
    return std::nullopt;
  }
  if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 24)
    return std::nullopt;
  if (width <= 0 || height <= 0 || width > (1 << 20) || height > (1 << 20)) return std::nullopt;
  l.colors = PackedDibColors(dib.data(), dib.size());
  if (l.colors > 256) return std::nullopt;
  l.width = static_cast<DWORD>(width);
  l.height = static_cast<DWORD>(height);
  l.bitsOffset = l.headerSize + l.colors * l.entrySize;
  l.rowBytes = PaddedRowBytes(l.width, l.bitCount);
  const uint64_t need = l.bitsOffset + uint64_t{l.rowBytes} * l.height;
  if (need > dib.size()) return std::nullopt;
  return l;
}

MemBlock BitmapToPackedDib(const DeviceBitmap& bitmap, const LogicalPalette* palette) {
  // The image's own conversion from a device bitmap does the pixel work.
  SECDib img;
  if (!img.CreateFromBitmap(bitmap)) return {};
  const size_t colors = img.m_wColors;
  const size_t headerBytes = 40 + 4 * colors;
  const size_t pixelBytes = img.PaddedRowLength() * img.m_dwHeight;
  MemBlock dib;
  if (img.m_pBitmapInfo.size() < headerBytes || img.m_pBits.size() < pixelBytes ||
      !dib.Allocate(headerBytes + pixelBytes))
    return {};
  std::memcpy(dib.data(), img.m_pBitmapInfo.data(), headerBytes);
  std::memcpy(dib.data() + headerBytes, img.m_pBits.data(), pixelBytes);
  auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
  bi->biPlanes = 1;
  if (palette) {
    auto* table = reinterpret_cast<RGBQUAD*>(dib.data() + 40);
    const size_t n = std::min(colors, palette->palPalEntry.size());
    for (size_t i = 0; i < n; ++i) {
      const PALETTEENTRY& p = palette->palPalEntry[i];
      table[i] = RGBQUAD{p.peBlue, p.peGreen, p.peRed, 0};
    }
  }
  return dib;
}

// --- Median cut -----------------------------------------------------------------

namespace {

constexpr int kCells = 32 * 32 * 32;
constexpr uint32_t kMaxCount = 65535;

inline int CellIndex(int r5, int g5, int b5) { return r5 * 1024 + g5 * 32 + b5; }

// One cell per 5-bit colour. A flat table costs no more than the table of
// pointers a sparse one would need, and saves the allocations.
struct Cell {
  int index = -1;  // palette entry chosen for this cell, -1 while none
  uint32_t count = 0;
};

struct Box {
  int min[3] = {31, 31, 31};  // red, green, blue in 5-bit units
  int max[3] = {0, 0, 0};
  int mean[3] = {0, 0, 0};
  uint32_t count = 0;
};

constexpr int kCorners[8][3] = {{0, 0, 0},   {31, 0, 0},  {0, 31, 0},  {0, 0, 31},
                                {31, 31, 0}, {0, 31, 31}, {31, 0, 31}, {31, 31, 31}};

class Quantizer {
 public:
  bool Init() {
    cells_.reset(new (std::nothrow) Cell[kCells]);
    for (int i = 0; i < 256; ++i) sq_[i] = i * i;
    return cells_ != nullptr;
  }

  // One row of blue-green-red pixels.
  void CountRow(const BYTE* p, DWORD width) {
    Cell* cells = cells_.get();
    for (DWORD x = 0; x < width; ++x, p += 3) {
      Cell& c = cells[CellIndex(p[2] >> 3, p[1] >> 3, p[0] >> 3)];
      if (c.count < kMaxCount) ++c.count;
    }
  }

  void MedianCut(const ReduceProgress& progress) {
    // the corners are in the palette anyway; they must not pull the boxes
    for (const auto& k : kCorners) cells_[CellIndex(k[0], k[1], k[2])].count = 0;
    for (int i = 0; i < 8; ++i) {
      for (int a = 0; a < 3; ++a)
        boxes_[i].min[a] = boxes_[i].max[a] = boxes_[i].mean[a] = kCorners[i][a];
      boxes_[i].count = 1;
    }
    for (int a = 0; a < 3; ++a) {
      boxes_[8].min[a] = 0;
      boxes_[8].max[a] = 31;
    }
    Shrink(boxes_[8]);

    char text[40];
    for (int n = 9; n < 256; ++n) {
      if (progress) {
        std::snprintf(text, sizeof text, "splitting box %d", n);
        progress(text);
      }
      int chosen = 8;
      for (int i = 9; i < n; ++i)
        if (boxes_[i].count > boxes_[chosen].count) chosen = i;
      Box& old = boxes_[chosen];
      Box& fresh = boxes_[n];
      fresh = old;

      const int len[3] = {old.max[0] - old.min[0], old.max[1] - old.min[1],
                          old.max[2] - old.min[2]};
      const int axis = len[0] >= len[1] && len[0] >= len[2] ? 0 : len[1] >= len[2] ? 1 : 2;
      const int lo = old.min[axis], hi = old.max[axis], m = old.mean[axis];
      if (hi - lo == 2) {
        // three layers: the outer two become boxes, the middle one is left
        // to the nearest-colour mapping
        old.min[axis] = hi;
        fresh.max[axis] = lo;
      } else {
        const int s = m == hi ? m - 1 : m;
        old.max[axis] = s;
        fresh.min[axis] = s + 1;
      }
      Shrink(fresh);
      Shrink(old);
    }

    for (int k = 0; k < 256; ++k) {
      const Box& b = boxes_[k];
      red_[k] = (b.min[0] + b.max[0]) / 2 * 255 / 31;
      green_[k] = (b.min[1] + b.max[1]) / 2 * 255 / 31;
      blue_[k] = (b.min[2] + b.max[2]) / 2 * 255 / 31;
    }
  }

  BYTE Map(int r, int g, int b) {
    // Exact black and white are palette entries 0 and 7 whatever pixel
    // first chose the index of their cell.
    if ((r | g | b) == 0) return 0;
    if ((r & g & b) == 255) return 7;
    Cell& c = cells_[CellIndex(r >> 3, g >> 3, b >> 3)];
    if (c.index >= 0) return static_cast<BYTE>(c.index);
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
      const int d =
          sq_[std::abs(r - red_[i])] + sq_[std::abs(g - green_[i])] + sq_[std::abs(b - blue_[i])];
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    c.index = best;
    return static_cast<BYTE>(best);
  }

  RGBQUAD Colour(int k) const {
    return RGBQUAD{static_cast<BYTE>(blue_[k]), static_cast<BYTE>(green_[k]),
                   static_cast<BYTE>(red_[k]), 0};
  }

 private:
  void Shrink(Box& box) const {
    int lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::max(box.min[a], 0);
      hi[a] = std::min(box.max[a], 31);
      box.min[a] = 31;
      box.max[a] = 0;
    }
    // 64-bit sums: 31 x a saturated count over many cells exceeds 32 bits
    uint64_t sum[3] = {0, 0, 0}, total = 0;
    for (int r = lo[0]; r <= hi[0]; ++r)
      for (int g = lo[1]; g <= hi[1]; ++g) {
        const Cell* row = &cells_[CellIndex(r, g, 0)];
        for (int b = lo[2]; b <= hi[2]; ++b) {
          const uint32_t n = row[b].count;
          if (!n) continue;
          const int at[3] = {r, g, b};
          for (int a = 0; a < 3; ++a) {
            box.min[a] = std::min(box.min[a], at[a]);
            box.max[a] = std::max(box.max[a], at[a]);
            sum[a] += static_cast<uint64_t>(at[a]) * n;
          }
          total += n;
        }
      }
    if (total > 0)
      for (int a = 0; a < 3; ++a) box.mean[a] = static_cast<int>(sum[a] / total);
    box.count = total > kMaxCount - 1 ? kMaxCount : static_cast<uint32_t>(total);
    if (total > 0 && box.min[0] == box.max[0] && box.min[1] == box.max[1] &&
        box.min[2] == box.max[2])
      box.count = 1;
  }

  std::unique_ptr<Cell[]> cells_;
  Box boxes_[256];
  int red_[256] = {}, green_[256] = {}, blue_[256] = {};
  int sq_[256] = {};
};

void Report(const ReduceProgress& progress, const char* format, DWORD row, DWORD rows) {
  if (!progress) return;
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<int>(double(row) / rows * 100.0));
  progress(text);
}

}  // namespace

MemBlock QuantizeTo256(const MemBlock& dib, const ReduceProgress& progress) {
  const auto in = GetPackedDibLayout(dib);
  if (!in || in->bitCount != 24) return {};
  auto q = std::unique_ptr<Quantizer>(new (std::nothrow) Quantizer);
  if (!q || !q->Init()) return {};

  const DWORD w = in->width, h = in->height;
  const BYTE* rows = dib.data() + in->bitsOffset;
  for (DWORD y = 0; y < h; ++y) {
    Report(progress, "Finding all colors, %d%%", y, h);
    q->CountRow(rows + y * in->rowBytes, w);
  }
  if (progress) progress("Building new palette...");
  q->MedianCut(progress);

  const size_t outRow = PaddedRowBytes(w, 8);
  constexpr size_t kHeaderBytes = 40 + 256 * 4;
  MemBlock out;
  if (!out.Allocate(kHeaderBytes + outRow * h)) return {};
  auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(out.data());
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(w);
  bi->biHeight = static_cast<LONG>(h);
  bi->biPlanes = 1;
  bi->biBitCount = 8;
  bi->biCompression = kBiRgb;
  bi->biSizeImage = static_cast<DWORD>(outRow * h);
  bi->biClrUsed = bi->biClrImportant = 256;
  auto* table = reinterpret_cast<RGBQUAD*>(out.data() + 40);
  for (int k = 0; k < 256; ++k) table[k] = q->Colour(k);

  BYTE* dst = out.data() + kHeaderBytes;
  for (DWORD y = 0; y < h; ++y) {
    Report(progress, "Building new Image, %d%%", y, h);
    const BYTE* p = rows + y * in->rowBytes;
    BYTE* o = dst + y * outRow;
    for (DWORD x = 0; x < w; ++x, p += 3) o[x] = q->Map(p[2], p[1], p[0]);
  }
  if (progress) progress("Building new Image, 100%");
  return out;
}

// --- Reducing an image ------------------------------------------------------------

namespace {

// A 24-bit image as a packed DIB, without the round trip through a device
// bitmap.
MemBlock PackImage24(const SECImageBase& image) {
  const DWORD w = image.m_dwWidth, h = image.m_dwHeight;
  const size_t padded = image.PaddedRowLength(), stride = image.RowStride();
  MemBlock dib;
  if (image.m_pBits.size() < stride * h || !dib.Allocate(40 + padded * h)) return {};
  auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(w);
  bi->biHeight = static_cast<LONG>(h);
  bi->biPlanes = 1;
  bi->biBitCount = 24;
  bi->biCompression = kBiRgb;
  bi->biSizeImage = static_cast<DWORD>(padded * h);
  if (stride == padded) {
    std::memcpy(dib.data() + 40, image.m_pBits.data(), padded * h);
  } else {
    for (DWORD y = 0; y < h; ++y)
      std::memcpy(dib.data() + 40 + y * padded, image.Row(y), image.UnpaddedRowLength());
  }
  return dib;
}

}  // namespace

bool ReduceTo256Colors(SECImageBase& image, const DisplayInfo& display) {
  if (!image.HasPicture() || image.m_dwWidth == 0 || image.m_dwHeight == 0) return false;
  const bool trueColour = display.bitsPerPixel * display.planes > 8;
  MemBlock dib;
  if (trueColour && image.m_nSrcBitsPerPixel == 24) {
    dib = PackImage24(image);
  } else {
    // As drawn on the display: true colour there gives 24 bits; a palette
    // display gives 8, which the quantizer refuses.
    auto bitmap = image.MakeBitmap(display);
    if (!bitmap) return false;
    dib = BitmapToPackedDib(*bitmap);
  }
  if (!dib) return false;
  MemBlock reduced = QuantizeTo256(dib);
  dib.Free();
  if (!reduced) return false;

  constexpr size_t kHeaderBytes = 40 + 256 * 4;
  const size_t pixelBytes = PaddedRowBytes(image.m_dwWidth, 8) * image.m_dwHeight;
  MemBlock header, pixels;
  if (!header.Allocate(kHeaderBytes) || !pixels.Allocate(pixelBytes)) return false;
  std::memcpy(header.data(), reduced.data(), kHeaderBytes);
  std::memcpy(pixels.data(), reduced.data() + kHeaderBytes, pixelBytes);

  image.SetHeaderBlock(std::move(header));
  image.m_pBits = std::move(pixels);
  image.m_wColors = 256;
  image.m_wSysColors = 256;
  image.m_nSrcBitsPerPixel = 8;
  image.m_nBitPlanes = 1;
  image.m_bIsPadded = true;
  image.m_dwPadWidth = (image.m_dwWidth + 3) & ~3u;
  // a palette of the old picture must not describe the new one
  image.CreatePalette();
  return true;
}

}  // namespace prentix
