#pragma once
// The picture budget every reader checks from the header, before it takes
// any memory for pixels, on top of its format's own bounds; and the check
// that a file holds enough data for the picture its header announces.
//
// The defaults take the widest desktops in use (three 8K screens side by
// side, 23040 x 4320, 99.5 megapixels) and not much more: a tiny file
// whose header promises a huge picture must not cost gigabytes. A program
// raises them from its settings or command line and says how in
// SetPictureLimitAdvice; a refusal names the limit and that advice.

#include <cstdint>
#include <string>

namespace prentix {

inline constexpr uint64_t kDefaultMaxMegapixels = 100;
// wide enough for those desktops stacked upright too; a side only costs
// per-row bookkeeping, the pixel count is what costs memory
inline constexpr uint32_t kDefaultMaxPictureSide = 32768;

struct PictureLimits {
  uint64_t maxPixels = kDefaultMaxMegapixels * 1000000;
  uint32_t maxSide = kDefaultMaxPictureSide;
};

const PictureLimits& CurrentPictureLimits();
void SetPictureLimits(const PictureLimits& limits);
// How the user raises each limit, e.g. "MaxMegapixels in prentix.ini".
void SetPictureLimitAdvice(std::string megapixels, std::string side);

// Empty when a width x height picture is within the budget, else why not.
std::string CheckPictureBudget(uint64_t width, uint64_t height);

// Pictures of up to this many bytes of pixels are read whatever the file
// holds: truncated small files load as before, and cost little.
inline constexpr uint64_t kSmallPictureBytes = uint64_t{16} << 20;

// Data before memory. `need` is what the decoder must produce for the
// whole picture, in a unit of the format's choosing; `perByte` the most of
// that one byte of coded data can give at the format's best compression;
// `dataBytes` what the file has left. Empty when the file may hold the
// picture (or it is small, `pixelBytes` up to kSmallPictureBytes), else why
// the picture cannot come from it.
std::string CheckPictureData(uint64_t width, uint64_t height, uint64_t pixelBytes, uint64_t need,
                             uint64_t perByte, uint64_t dataBytes);

// The warning of a picture read although its data ended early.
inline constexpr const char kTruncatedPictureText[] =
    "the picture data ends early; the rest of the picture is left empty";

}  // namespace prentix
