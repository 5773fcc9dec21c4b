#include "prentix/image/picturelimits.h"

#include <cstdio>

namespace prentix {

namespace {

PictureLimits g_limits;
std::string g_megapixelAdvice = "MaxMegapixels in prentix.ini";
std::string g_sideAdvice = "MaxPictureSide in prentix.ini";

std::string Format(const char* pattern, auto... args) {
  char text[400];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}

}  // namespace

const PictureLimits& CurrentPictureLimits() { return g_limits; }

void SetPictureLimits(const PictureLimits& limits) { g_limits = limits; }

void SetPictureLimitAdvice(std::string megapixels, std::string side) {
  g_megapixelAdvice = std::move(megapixels);
  g_sideAdvice = std::move(side);
}

std::string CheckPictureBudget(uint64_t width, uint64_t height) {
  const auto w = static_cast<unsigned long long>(width);
  const auto h = static_cast<unsigned long long>(height);
  if (width > g_limits.maxSide || height > g_limits.maxSide)
    return Format(
        "the picture is %llu x %llu pixels, more than the limit of %u pixels a side "
        "(raise it with %s)",
        w, h, g_limits.maxSide, g_sideAdvice.c_str());
  // both sides are below 2^32 here: the product does not overflow
  if (width * height > g_limits.maxPixels) {
    const double mp = static_cast<double>(width * height) / 1e6;
    const double limit = static_cast<double>(g_limits.maxPixels) / 1e6;
    return Format(
        "the picture is %llu x %llu pixels (%.1f megapixels), more than the limit of "
        "%g megapixels (raise it with %s)",
        w, h, mp, limit, g_megapixelAdvice.c_str());
  }
  return {};
}

std::string CheckPictureData(uint64_t width, uint64_t height, uint64_t pixelBytes, uint64_t need,
                             uint64_t perByte, uint64_t dataBytes) {
  if (pixelBytes <= kSmallPictureBytes || perByte == 0) return {};
  // rounded up: the bytes the best compression needs for the picture
  const uint64_t least = need / perByte + (need % perByte != 0);
  if (dataBytes >= least) return {};
  return Format(
      "the file holds %llu bytes of picture data, too few for the %llu x %llu pixels "
      "its header announces (at least %llu needed)",
      static_cast<unsigned long long>(dataBytes), static_cast<unsigned long long>(width),
      static_cast<unsigned long long>(height), static_cast<unsigned long long>(least));
}

}  // namespace prentix
