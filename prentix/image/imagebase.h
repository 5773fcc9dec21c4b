#pragma once
// SECImageBase: one device-independent bitmap (a header block holding the
// 40-byte BITMAPINFOHEADER and the colour table, and a pixel block of rows
// stored bottom row first), the display facts, a logical palette, and a small
// read/write buffer for the format codecs. Format classes (SECDib and the
// other codecs) derive from it and implement ReadFormat and WriteFormat.
//
// Writing a codec on this base:
//  - ReadFormat(file) reads the file layout. Either build the header block
//    yourself (SetHeaderBlock / AllocateHeader, then fill the header and
//    m_pColorTable) or leave it empty and set m_dwWidth, m_dwHeight,
//    m_nSrcBitsPerPixel, m_wColors and m_nBitPlanes; AfterLoad then builds
//    a header from those fields (the colour table zero). Allocate the pixel
//    block with room for padded rows (PaddedRowBytes x height); it may hold
//    unpadded rows, AfterLoad pads them in place.
//  - WriteFormat(file) writes the layout; call PadRows first so that every
//    row starts at a multiple of RowStride().
//  - Rows are bottom-up outside a codec. A codec that works top-down flips
//    with FlipVertical and flips back before it returns.
//  - For byte I/O use the buffered codec I/O: OpenBuffer(size, reading),
//    ReadBuffered / WriteBuffered, FlushBuffer after the last write, and
//    CloseBuffer before returning on every path. They work on m_pFile, which
//    LoadImage / SaveImage set to the file of the running operation. With no
//    buffer (size 0, the default) each call goes straight to the file.
//  - m_nBitHolder, m_dwBitCount and m_bSwapOnWrite are free for the codec's
//    own pixel cursor (position inside the current source byte, pixels taken
//    from the current row, most significant bit first or not at 1 bit).
//  - Return false on any malformed input; never read past what the file
//    delivered or what a block holds. Nothing here throws.

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "prentix/image/cfile.h"
#include "prentix/image/dibtypes.h"

namespace prentix {

// Messages an image operation shows itself (only Rotate90 does). The GUI sets
// a hook that shows a message box; the default writes the line to stderr.
using ImageMessageHook = std::function<void(const std::string& text)>;
void SetImageMessageHook(ImageMessageHook hook);  // empty: back to stderr
void ShowImageMessage(const std::string& text);

class SECImageBase {
 public:
  explicit SECImageBase(const DisplayInfo& display = DisplayInfo());
  virtual ~SECImageBase();
  SECImageBase(const SECImageBase&) = delete;
  SECImageBase& operator=(const SECImageBase&) = delete;

  // --- Loading and saving (the virtual slots in order) ---------------------

  // Opens `path` for reading (false when it cannot be opened), loads through
  // LoadImage(CFile*), closes the file.
  virtual bool LoadImage(const char* path);
  // BeforeLoad, ReadFormat, AfterLoad, stopping at the first false. The file
  // stays the caller's; it is used only during the call.
  virtual bool LoadImage(CFile* file);
  // Creates or replaces `path`, saves through SaveImage(CFile*), closes it.
  virtual bool SaveImage(const char* path);
  // BeforeSave, WriteFormat, AfterSave, stopping at the first false.
  virtual bool SaveImage(CFile* file);
  // Frees the header block.
  virtual bool BeforeLoad();
  // Finishes a load: header block if the codec built none, palette, padded
  // rows, halftone flag. False only when the header cannot be allocated.
  virtual bool AfterLoad();
  virtual bool BeforeSave();
  virtual bool AfterSave();
  virtual bool WriteFormat(CFile* file) = 0;
  virtual bool ReadFormat(CFile* file) = 0;

  // Stores the picture into `file` as a BMP file, or loads one from it.
  virtual bool Serialize(CFile* file, bool storing);

  // Why the last load failed, when the reader knows; empty otherwise.
  virtual std::string LoadError() const { return m_sLoadError; }
  // Set when the last load gave a picture although its data ended early
  // (the rest left empty); empty otherwise.
  const std::string& LoadWarning() const { return m_sLoadWarning; }
  void SetLoadWarning(std::string text) { m_sLoadWarning = std::move(text); }

  // --- Picture transfer -----------------------------------------------------

  // Deep copy of src's picture; false (and no picture) when out of memory.
  bool CopyImage(const SECImageBase& src);
  // Moves src's blocks and palette here; src is left without a picture.
  bool TakeOver(SECImageBase& src);
  // The picture of a device bitmap: above 8 bits per pixel a 24-bit image,
  // else an image of bitsPerPixel x planes bits with the bitmap's colour
  // table (missing entries black). False for a layout it cannot take.
  bool CreateFromBitmap(const DeviceBitmap& bitmap);
  // A new device bitmap for `display` holding the picture: 32-bit
  // blue-green-red-unused rows on a true-colour display, 8-bit rows with a
  // colour table on a palette display. Null when there is no picture.
  std::unique_ptr<DeviceBitmap> MakeBitmap(const DisplayInfo& display) const;
  // Builds m_pPalette from the colour table; images without a table
  // (more than 8 bits) have none.
  bool CreatePalette();

  // --- Row layout and geometry ----------------------------------------------

  bool PadRows();
  bool UnpadRows();
  bool FlipVertical();
  // 1, 4, 8, 16, 24 and 32 bits.
  bool MirrorHorizontal();
  // A quarter turn, clockwise (top-left pixel to the top-right corner) or
  // not (to the bottom-left). 1, 4, 8 and 24 bits; any other depth shows
  // "Rotate90: Error, unsupported format." and fails.
  bool Rotate90(bool clockwise);

  // --- Buffered codec I/O over m_pFile ---------------------------------------

  // Replaces the buffer by one of `size` bytes (0: unbuffered) and, when
  // reading is 1, fills it. False without m_pFile or memory.
  bool OpenBuffer(DWORD size, short reading);
  // The next n bytes; fewer only at the end of the file.
  DWORD ReadBuffered(void* dst, DWORD n);
  // Appends n bytes, writing the buffer out whenever it fills. Returns n, or
  // fewer when the file refused a write.
  DWORD WriteBuffered(const void* src, DWORD n);
  // Writes out the bytes held; false when the file refused them.
  bool FlushBuffer();
  void CloseBuffer();

  // --- Access ---------------------------------------------------------------

  bool HasPicture() const { return m_pBits && m_pBitmapInfo; }
  BITMAPINFOHEADER* Header() {
    return m_pBitmapInfo ? reinterpret_cast<BITMAPINFOHEADER*>(m_pBitmapInfo.data()) : nullptr;
  }
  const BITMAPINFOHEADER* Header() const {
    return m_pBitmapInfo ? reinterpret_cast<const BITMAPINFOHEADER*>(m_pBitmapInfo.data())
                         : nullptr;
  }
  // Colour-table entries the header block has room for.
  size_t ColorTableCapacity() const {
    return m_pBitmapInfo.size() > 40 ? (m_pBitmapInfo.size() - 40) / 4 : 0;
  }
  // Byte distance of rows in the pixel block as it is now.
  size_t RowStride() const;
  size_t PaddedRowLength() const { return PaddedRowBytes(m_dwWidth, m_nSrcBitsPerPixel); }
  size_t UnpaddedRowLength() const { return UnpaddedRowBytes(m_dwWidth, m_nSrcBitsPerPixel); }
  BYTE* Row(DWORD row) { return m_pBits.data() + row * RowStride(); }
  const BYTE* Row(DWORD row) const { return m_pBits.data() + row * RowStride(); }
  // Installs a zero-filled header block of `size` bytes (at least 40) and
  // points m_pColorTable into it.
  bool AllocateHeader(size_t size);
  void SetHeaderBlock(MemBlock block);
  void FreeHeader();

  // Fields in their order of declaration. The pixel, header and buffer blocks
  // are owned; m_pColorTable points 40 bytes into the header block.
  int m_nSrcBitsPerPixel = 0;  // 1, 4, 8 or 24
  int m_nSysBitsPerPixel = 0;  // display depth when 1, 2, 4 or 8, else 0
  int m_nBitPlanes = 0;        // display planes; biPlanes of a built header
  bool m_bIsPadded = false;    // rows in m_pBits padded to 4 bytes
  DWORD m_dwPadWidth = 0;      // (width + 3) & ~3; after Rotate90 the padded row length
  DWORD m_dwWidth = 0;
  DWORD m_dwHeight = 0;
  WORD m_wColors = 0;     // meaningful colour-table entries (0 at 24 bits)
  WORD m_wSysColors = 0;  // colours of the display, 0 for true colour
  std::unique_ptr<LogicalPalette> m_pPalette;
  // The file of the running load or save: m_ownFile for the path operations,
  // the caller's file for the CFile* ones. Null between operations.
  CFile* m_pFile = nullptr;
  MemBlock m_pBits;
  MemBlock m_pBitmapInfo;
  RGBQUAD* m_pColorTable = nullptr;
  bool m_bUseHalftone = false;  // display depth known and different from the image's
  int m_nBitHolder = 0;         // codec cursor inside the current source byte
  DWORD m_dwBitCount = 0;       // codec cursor: pixels taken from the current row
  DWORD m_dwError = 0;
  bool m_bSwapOnWrite = false;  // 1-bit codec order: true = most significant bit first
  DWORD m_nBufSize = 0;         // 0: unbuffered
  DWORD m_nBufValid = 0;        // bytes held (reading)
  DWORD m_nBufPos = 0;          // next byte in the buffer
  MemBlock m_pBuf;

 protected:
  // The BMP file form, shared by SECDib and Serialize; work on m_pFile.
  bool WriteBmp();
  bool ReadBmp();

  std::string m_sLoadError;  // set by readers that can say why they refused
  std::string m_sLoadWarning;

 private:
  void CopyFields(const SECImageBase& src);

  std::unique_ptr<CFile> m_ownFile;  // created by the first load or save by path
};

}  // namespace prentix
