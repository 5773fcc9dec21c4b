#pragma once
// SECJpeg: JPEG files through libjpeg (version-6 interface). Files are
// written at quality 75 from 24-bit pixels; reading gives a 24-bit image on
// a true-colour display and an image quantized by the library to 256 colours
// on a palette display. The library works on the image's file through a
// source and a destination with 4096-byte blocks; its fatal errors end the
// operation with false, its warnings are dropped.

#include "prentix/image/imagebase.h"

namespace prentix {

constexpr DWORD kJpegBufferSize = 4096;
// Larger pictures are refused rather than allocated.
constexpr uint64_t kMaxJpegPixelBytes = uint64_t{1} << 30;

class SECJpeg : public SECImageBase {
 public:
  explicit SECJpeg(const DisplayInfo& display = DisplayInfo());

  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;

  // The library's text for the fatal error that ended the last operation,
  // empty after a success. For diagnostics only; nothing shows it.
  const char* LastLibraryError() const { return m_szLastError; }
  // Why the picture was refused before decoding (its size, too little data).
  void SetRefusal(std::string why) { m_sLoadError = std::move(why); }
  const std::string& Refusal() const { return m_sLoadError; }

  // Settings fixed at construction.
  bool m_bQuantize;  // palette display: decode to 256 colours
  int m_nQuality = 75;
  int m_nSmoothing = 0;
  bool m_bOptimize = false;
  bool m_bArithmetic = false;

 private:
  char m_szLastError[200] = {};
};

}  // namespace prentix
