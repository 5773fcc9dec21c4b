#pragma once
// ImageMagick as the independent decoder and encoder for the codec tests,
// and small byte builders for hand-made files.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "image/testimages.h"

namespace imgtest {

inline const char* kConvert = "/usr/bin/convert";

// ImageMagick's decoding of a file as 8-bit red, green, blue triples, top
// row first (it keeps a bottom-up Targa in file order unless told to turn
// it upright); empty when it refuses the file.
inline std::string DecodeWithConvert(const std::string& path) {
  const std::string out = path + ".rgb";
  if (pxtest::Run({kConvert, path, "-auto-orient", "-depth", "8", "rgb:" + out}) != 0) return {};
  return pxtest::ReadFile(out);
}

// ImageMagick reads the file without any warning.
inline bool IdentifyClean(const std::string& path) {
  return pxtest::Run({"/usr/bin/identify", "-regard-warnings", path}) == 0;
}

// `convert src options... out`; true when it succeeded.
inline bool ConvertWith(const std::string& src, const std::vector<std::string>& options,
                        const std::string& out) {
  std::vector<std::string> argv = {kConvert, src};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(out);
  return pxtest::Run(argv) == 0;
}

// Every pixel of img (through its colour table below 16 bits) against rgb
// triples, top row first, each channel within `tolerance`; `invert` compares
// with the negative.
inline ::testing::AssertionResult SameAsRgb(const SECImageBase& img, const std::string& rgb,
                                            int tolerance = 0, bool invert = false) {
  if (rgb.size() != size_t{img.m_dwWidth} * img.m_dwHeight * 3)
    return ::testing::AssertionFailure()
           << "rgb size " << rgb.size() << " for " << img.m_dwWidth << "x" << img.m_dwHeight;
  for (DWORD y = 0; y < img.m_dwHeight; ++y)
    for (DWORD x = 0; x < img.m_dwWidth; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (y * img.m_dwWidth + x) * 3;
      uint32_t want = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
      if (invert) want ^= 0xFFFFFF;
      const uint32_t have = ColourAt(img, x, y);
      bool same = true;
      for (int shift : {0, 8, 16})
        same = same && std::abs(int(have >> shift & 0xFF) - int(want >> shift & 0xFF)) <= tolerance;
      if (!same)
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << std::hex << ": "
                                             << ColourAt(img, x, y) << " vs " << want;
    }
  return ::testing::AssertionSuccess();
}

// A PPM of random colours, w x h, written to `path`; returns its rgb bytes.
inline std::string WriteRandomPpm(const std::string& path, DWORD w, DWORD h, uint32_t seed) {
  std::string rgb;
  uint32_t state = seed;
  for (DWORD i = 0; i < w * h * 3; ++i) {
    state = state * 1103515245u + 12345u;
    rgb += static_cast<char>(state >> 16);
  }
  pxtest::WriteFile(path, "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" + rgb);
  return rgb;
}

// Little-endian byte builder.
struct Bytes {
  std::string s;
  Bytes& u8(unsigned v) {
    s += static_cast<char>(v);
    return *this;
  }
  Bytes& u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& raw(const std::string& t) {
    s += t;
    return *this;
  }
  Bytes& zeros(size_t n) {
    s.append(n, '\0');
    return *this;
  }
};

inline uint8_t ByteAt(const std::string& s, size_t i) { return static_cast<uint8_t>(s.at(i)); }

}  // namespace imgtest
