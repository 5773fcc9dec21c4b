#include "prentix/image/secgif.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "prentix/image/picturelimits.h"

namespace prentix {

namespace {

// --- LZW encoder ------------------------------------------------------------------

// Hashed LZW with 8-bit roots: codes packed least significant bit first into
// data sub-blocks of 254 bytes.
class LzwEncoder {
 public:
  explicit LzwEncoder(SECImageBase& img) : img_(img) { std::memset(code_, 0, sizeof code_); }

  void Start(int first) {
    Output(kClear);
    ent_ = first;
  }

  void Add(int c) {
    int h = (c << 4) + ent_;
    if (h >= kHashSize) h -= kHashSize;
    if (code_[h]) {
      if (prefix_[h] == ent_ && suffix_[h] == c) {
        ent_ = code_[h];
        return;
      }
      const int step = h == 0 ? 1 : kHashSize - h;
      for (;;) {
        h -= step;
        if (h < 0) h += kHashSize;
        if (!code_[h]) break;
        if (prefix_[h] == ent_ && suffix_[h] == c) {
          ent_ = code_[h];
          return;
        }
      }
    }
    Output(ent_);
    Widen();
    if (free_ > kMaxCode) {
      std::memset(code_, 0, sizeof code_);
      free_ = kFirstFree;
      Output(kClear);
      bits_ = 9;
      maxCode_ = 511;
    } else {
      code_[h] = static_cast<uint16_t>(free_++);
      prefix_[h] = static_cast<uint16_t>(ent_);
      suffix_[h] = static_cast<BYTE>(c);
    }
    ent_ = c;
  }

  // Last code, end code, the bits left over and the last short sub-block.
  bool Finish() {
    Output(ent_);
    Widen();
    Output(kEnd);
    if (accBits_ > 0) PutByte(static_cast<BYTE>(acc_));
    acc_ = 0;
    accBits_ = 0;
    FlushBlock();
    return ok_;
  }

 private:
  static constexpr int kClear = 256, kEnd = 257, kFirstFree = 258, kMaxCode = 4095;
  static constexpr int kHashSize = 5003;
  static constexpr int kBlockBytes = 254;

  void Widen() {
    if (free_ > maxCode_) {
      ++bits_;
      maxCode_ = bits_ == 12 ? 4096 : (1 << bits_) - 1;
    }
  }

  void Output(int code) {
    acc_ |= static_cast<uint32_t>(code) << accBits_;
    accBits_ += bits_;
    while (accBits_ >= 8) {
      PutByte(static_cast<BYTE>(acc_));
      acc_ >>= 8;
      accBits_ -= 8;
    }
  }

  void PutByte(BYTE b) {
    block_[1 + blockLen_++] = b;
    if (blockLen_ == kBlockBytes) FlushBlock();
  }

  void FlushBlock() {
    if (!blockLen_) return;
    block_[0] = static_cast<BYTE>(blockLen_);
    const DWORD n = static_cast<DWORD>(blockLen_ + 1);
    if (img_.WriteBuffered(block_, n) != n) ok_ = false;
    blockLen_ = 0;
  }

  SECImageBase& img_;
  uint16_t code_[kHashSize];  // 0: empty
  uint16_t prefix_[kHashSize] = {};
  BYTE suffix_[kHashSize] = {};
  int ent_ = 0;
  int free_ = kFirstFree;
  int bits_ = 9;
  int maxCode_ = 511;
  uint32_t acc_ = 0;
  int accBits_ = 0;
  BYTE block_[256] = {};
  int blockLen_ = 0;
  bool ok_ = true;
};

// --- LZW decoder ------------------------------------------------------------------

// Reads the data sub-blocks as one stream of codes, least significant bit
// first, and writes pixels row by row (in the four passes when interlaced).
class LzwDecoder {
 public:
  LzwDecoder(SECImageBase& img, BYTE* pixels, DWORD width, DWORD height, bool interlaced)
      : img_(img),
        pixels_(pixels),
        width_(width),
        height_(height),
        interlaced_(interlaced),
        total_(uint64_t{width} * height) {}

  bool Complete() const { return written_ == total_; }

  void Decode(int codeSize) {
    const int clear = 1 << codeSize, end = clear + 1;
    int bits = codeSize + 1, limit = 1 << bits, next = clear + 2;
    int prev = -1;  // none right after a clear
    std::memset(prefix_, 0, sizeof prefix_);
    std::memset(suffix_, 0, sizeof suffix_);

    while (written_ < total_) {
      const int code = ReadCode(bits);
      if (code < 0 || code == end) return;
      if (code == clear) {
        bits = codeSize + 1;
        limit = 1 << bits;
        next = clear + 2;
        prev = -1;
        continue;
      }
      if (prev < 0) {
        prev = code & (clear - 1);
        Put(static_cast<BYTE>(prev));
        continue;
      }

      // The string of the code, last pixel first. A code not yet in the
      // table stands for the previous string and its own first pixel.
      const bool unknown = code >= next;
      int len = unknown ? 1 : 0;
      int cur = unknown ? prev : code;
      while (cur >= clear) {
        if (len >= kMaxChain) return;
        stack_[len++] = suffix_[cur];
        cur = prefix_[cur];
      }
      const BYTE first = static_cast<BYTE>(cur);
      stack_[len++] = first;
      if (unknown) stack_[0] = first;
      const uint64_t take = std::min<uint64_t>(len, total_ - written_);
      for (uint64_t i = 0; i < take; ++i) Put(stack_[len - 1 - i]);

      // A full table stays as it is until the encoder sends a clear.
      if (next < kTableSize) {
        prefix_[next] = static_cast<uint16_t>(prev);
        suffix_[next] = first;
        ++next;
        if (next == limit && bits < 12) {
          limit <<= 1;
          ++bits;
        }
      }
      prev = code;
    }
  }

 private:
  static constexpr int kTableSize = 4096;
  static constexpr int kMaxChain = 4096;

  int NextByte() {
    if (pos_ == len_) {
      if (ended_) return -1;
      BYTE n = 0;
      if (img_.ReadBuffered(&n, 1) != 1 || n == 0) {
        ended_ = true;
        return -1;
      }
      len_ = img_.ReadBuffered(block_, n);
      pos_ = 0;
      if (len_ < n) ended_ = true;  // the file ends inside the block
      if (len_ == 0) return -1;
    }
    return block_[pos_++];
  }

  int ReadCode(int bits) {
    while (accBits_ < bits) {
      const int b = NextByte();
      if (b < 0) return -1;
      acc_ |= static_cast<uint32_t>(b) << accBits_;
      accBits_ += 8;
    }
    const int code = static_cast<int>(acc_ & ((1u << bits) - 1));
    acc_ >>= bits;
    accBits_ -= bits;
    return code;
  }

  void Put(BYTE p) {
    pixels_[uint64_t{row_} * width_ + x_] = p;
    ++written_;
    if (++x_ < width_) return;
    x_ = 0;
    if (!interlaced_) {
      ++row_;
      return;
    }
    static constexpr DWORD kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= height_ && pass_ < 3) row_ = kStart[++pass_];
    // past the last pass every pixel has been written and Put is not called
  }

  SECImageBase& img_;
  BYTE* pixels_;
  DWORD width_, height_;
  bool interlaced_;
  uint64_t total_;
  uint64_t written_ = 0;
  DWORD x_ = 0, row_ = 0;
  int pass_ = 0;

  BYTE block_[256] = {};
  DWORD len_ = 0, pos_ = 0;
  bool ended_ = false;
  uint32_t acc_ = 0;
  int accBits_ = 0;

  uint16_t prefix_[kTableSize];
  BYTE suffix_[kTableSize];
  BYTE stack_[kMaxChain + 2];
};

}  // namespace

// --- Writing ------------------------------------------------------------------------

bool SECGif::WriteFormat(CFile* file) {
  if (file) m_pFile = file;
  const int bits = m_nSrcBitsPerPixel;
  if (!m_pFile || !HasPicture() || (bits != 1 && bits != 4 && bits != 8)) return false;
  const DWORD w = m_dwWidth, h = m_dwHeight;
  // the file has 16-bit sizes; a cut size would give a different picture
  if (w == 0 || h == 0 || w > 0xFFFF || h > 0xFFFF) return false;
  const size_t stride = RowStride();
  if (m_pBits.size() < stride * h) return false;
  if (!OpenBuffer(kGifBufferSize, 0)) return false;

  BYTE head[13 + 768 + 10 + 1] = {};
  std::memcpy(head, "GIF89a", 6);
  Put16(head + 6, w);
  Put16(head + 8, h);
  head[10] = 0xF7;
  const size_t colors = std::min<size_t>({m_wColors, 256, ColorTableCapacity()});
  for (size_t i = 0; i < colors; ++i) {
    head[13 + 3 * i] = m_pColorTable[i].rgbRed;
    head[14 + 3 * i] = m_pColorTable[i].rgbGreen;
    head[15 + 3 * i] = m_pColorTable[i].rgbBlue;
  }
  BYTE* desc = head + 13 + 768;
  desc[0] = 0x2C;
  Put16(desc + 5, w);
  Put16(desc + 7, h);
  desc[10] = 8;  // LZW minimum code size
  bool ok = WriteBuffered(head, sizeof head) == sizeof head;

  // Rows top to bottom straight from the bottom-up block; the picture is
  // not touched.
  auto encoder = std::unique_ptr<LzwEncoder>(new (std::nothrow) LzwEncoder(*this));
  if (!encoder) {
    CloseBuffer();
    return false;
  }
  bool started = false;
  auto feed = [&](int c) {
    if (started) {
      encoder->Add(c);
    } else {
      encoder->Start(c);
      started = true;
    }
  };
  for (DWORD y = 0; y < h; ++y) {
    const BYTE* row = Row(h - 1 - y);
    switch (bits) {
      case 8:
        for (DWORD x = 0; x < w; ++x) feed(row[x]);
        break;
      case 4:
        for (DWORD x = 0; x < w; ++x) feed((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
        break;
      default:  // left-most pixel in the most significant bit
        for (DWORD x = 0; x < w; ++x) feed((row[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    }
  }
  ok = encoder->Finish() && ok;

  static const BYTE kTail[2] = {0x00, 0x3B};
  ok = WriteBuffered(kTail, 2) == 2 && ok;
  ok = FlushBuffer() && ok;
  CloseBuffer();
  return ok;
}

// --- Reading ------------------------------------------------------------------------

bool SECGif::ReadColorTable(DWORD entries) {
  BYTE rgb[3 * 256];
  if (entries > 256 || ReadBuffered(rgb, 3 * entries) != 3 * entries) return false;
  const size_t capacity = ColorTableCapacity();
  for (size_t i = 0; i < capacity; ++i)
    m_pColorTable[i] =
        i < entries ? RGBQUAD{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0} : RGBQUAD{0, 0, 0, 0};
  return true;
}

bool SECGif::SkipExtension() {
  // label, then data sub-blocks up to the zero-length terminator
  BYTE label = 0, n = 0;
  if (ReadBuffered(&label, 1) != 1) return false;
  BYTE skip[255];
  for (;;) {
    if (ReadBuffered(&n, 1) != 1) return false;
    if (n == 0) return true;
    if (ReadBuffered(skip, n) != n) return false;
  }
}

bool SECGif::ReadImage() {
  BYTE d[9];
  if (ReadBuffered(d, sizeof d) != sizeof d) return false;
  m_wImageLeft = Get16(d);
  m_wImageTop = Get16(d + 2);
  m_wImageWidth = Get16(d + 4);
  m_wImageHeight = Get16(d + 6);
  m_byImageFlags = d[8];
  m_bInterlaced = (m_byImageFlags & 0x40) != 0;
  const DWORD w = m_wImageWidth, h = m_wImageHeight;
  m_sLoadError = CheckPictureBudget(w, h);
  if (!m_sLoadError.empty() || w == 0 || h == 0 || uint64_t{w} * h > kMaxGifPixels) return false;
  m_dwWidth = w;
  m_dwHeight = h;
  // the header describes the picture held, not the logical screen
  Header()->biWidth = static_cast<LONG>(w);
  Header()->biHeight = static_cast<LONG>(h);
  if (m_byImageFlags & 0x80) {
    const DWORD entries = 2u << (m_byImageFlags & 7);
    if (!ReadColorTable(entries)) return false;
    m_wColors = static_cast<WORD>(entries);
  }

  if (ReadBuffered(&m_byCodeSize, 1) != 1) return false;
  if (m_byCodeSize < 2 || m_byCodeSize > 11) return false;

  const size_t rowBytes = (size_t{w} + 3) & ~size_t{3};
  // a code of at least codeSize + 1 bits stands for at most 4096 pixels
  const uint64_t at = m_pFile->GetPosition() - (m_nBufValid - m_nBufPos);
  const uint64_t length = m_pFile->GetLength();
  m_sLoadError =
      CheckPictureData(w, h, uint64_t{rowBytes} * h, uint64_t{w} * h * (m_byCodeSize + 1u),
                       4096 * 8, length > at ? length - at : 0);
  if (!m_sLoadError.empty()) return false;
  MemBlock pixels;
  if (!pixels.Allocate(rowBytes * h)) return false;
  auto decoder = std::unique_ptr<LzwDecoder>(
      new (std::nothrow) LzwDecoder(*this, pixels.data(), w, h, m_bInterlaced));
  if (!decoder) return false;
  decoder->Decode(m_byCodeSize);
  if (!decoder->Complete()) m_sLoadWarning = kTruncatedPictureText;

  m_pBits = std::move(pixels);
  m_dwPadWidth = static_cast<DWORD>(rowBytes);
  m_bIsPadded = false;
  return true;
}

bool SECGif::ReadFormat(CFile* file) {
  if (file) m_pFile = file;
  auto fail = [this] {
    CloseBuffer();
    FreeHeader();
    m_pBits.Free();
    return false;
  };
  m_bInterlaced = false;
  m_sLoadError.clear();
  if (!OpenBuffer(kGifBufferSize, 1)) return fail();

  BYTE s[13];
  if (ReadBuffered(s, sizeof s) != sizeof s) return fail();
  if (std::memcmp(s, "GIF8", 4) != 0 || (s[4] != '7' && s[4] != '9') ||
      (s[5] != 'a' && s[5] != 'A'))
    return fail();
  m_wScreenWidth = Get16(s + 6);
  m_wScreenHeight = Get16(s + 8);
  m_byScreenFlags = s[10];
  m_byBackground = s[11];
  m_byAspect = s[12];
  m_dwWidth = m_wScreenWidth;
  m_dwHeight = m_wScreenHeight;
  m_nSrcBitsPerPixel = 8;
  m_wColors = static_cast<WORD>(2u << (m_byScreenFlags & 7));

  const size_t entries = std::max<size_t>(m_wSysColors, 256);
  if (!AllocateHeader(40 + 4 * entries)) return fail();
  if ((m_byScreenFlags & 0x80) && !ReadColorTable(m_wColors)) return fail();
  BITMAPINFOHEADER* bi = Header();
  bi->biSize = 40;
  bi->biWidth = static_cast<LONG>(m_dwWidth);
  bi->biHeight = static_cast<LONG>(m_dwHeight);
  bi->biPlanes = 1;
  bi->biBitCount = 8;
  bi->biCompression = kBiRgb;
  bi->biSizeImage = 0;
  bi->biClrUsed = bi->biClrImportant = static_cast<DWORD>(entries);

  for (;;) {
    BYTE introducer = 0;
    if (ReadBuffered(&introducer, 1) != 1) return fail();
    if (introducer == 0) continue;
    if (introducer == 0x21) {
      if (!SkipExtension()) return fail();
      continue;
    }
    if (introducer != 0x2C || !ReadImage()) return fail();
    break;
  }

  CloseBuffer();
  if (!FlipVertical() || !PadRows()) return fail();
  return true;
}

}  // namespace prentix
