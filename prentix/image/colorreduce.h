#pragma once
// Reduction of a picture to 8 bits and 256 colours before it is written as
// GIF or PCX: median cut over a 5-bit-per-channel histogram, the eight
// corners of the colour cube always in the palette, then nearest-colour
// mapping without dithering.
//
// The reduction works on packed DIBs: one block holding the 40-byte
// BITMAPINFOHEADER (or a 12-byte core header), the colour table and the
// padded pixel rows, bottom row first.

#include <cstddef>
#include <functional>
#include <optional>

#include "prentix/image/imagebase.h"

namespace prentix {

// The layout of a packed DIB, worked out from its header and checked against
// the size of the block.
struct PackedDibLayout {
  DWORD headerSize = 0;  // 40, or 12 for a core header
  DWORD width = 0;
  DWORD height = 0;
  int bitCount = 0;
  DWORD colors = 0;       // entries in the colour table
  size_t entrySize = 0;   // 4 (RGBQUAD), 3 after a core header
  size_t bitsOffset = 0;  // where the rows start
  size_t rowBytes = 0;    // padded row length
};

// Entries of the colour table: biClrUsed when set, else 2, 16 or 256 at 1, 4
// or 8 bits and none above.
DWORD PackedDibColors(const BYTE* dib, size_t size);
// The layout, or nothing when the header is not one of the two kinds, the
// size is not positive, the depth is not 1, 4, 8 or 24, or the block is too
// short for the table and rows it announces.
std::optional<PackedDibLayout> GetPackedDibLayout(const MemBlock& dib);

// Progress texts of a reduction ("Finding all colors, 12%", ...).
using ReduceProgress = std::function<void(const char* text)>;

// A new packed 8-bit DIB with 256 colours from a packed 24-bit one; an empty
// block when `dib` is not a valid 24-bit DIB or memory runs out.
MemBlock QuantizeTo256(const MemBlock& dib, const ReduceProgress& progress = {});

// A device bitmap as a packed DIB: 1, 4 or 8 bits with its colour table
// (taken from `palette` when one is given), 24 bits above. Empty on a layout
// it cannot take.
MemBlock BitmapToPackedDib(const DeviceBitmap& bitmap, const LogicalPalette* palette = nullptr);

// Reduces the image in place to 8 bits and 256 colours, as drawn on
// `display`. On a palette display (8 bits or fewer) the picture cannot be
// brought to true colour there: false, and the image is unchanged. False too
// without a picture or memory.
bool ReduceTo256Colors(SECImageBase& image, const DisplayInfo& display = DisplayInfo());

}  // namespace prentix
