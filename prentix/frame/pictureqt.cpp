#include "prentix/frame/pictureqt.h"

#include <QApplication>

namespace prentix {

QImage UprightImage(const SECDib& image) {
  auto bitmap = image.MakeBitmap(DisplayInfo{32, 1});
  if (!bitmap) return {};
  QImage upright = QImage(bitmap->bits.data(), bitmap->width, bitmap->height,
                          static_cast<qsizetype>(bitmap->stride), QImage::Format_RGB32)
                       .copy();
  // the bitmap leaves the fourth byte 0, which Qt reads as transparent
  // wherever the picture is blended (the print preview, other programs'
  // pastes): opaque, as the picture is
  for (int y = 0; y < upright.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(upright.scanLine(y));
    for (int x = 0; x < upright.width(); ++x) row[x] |= 0xFF000000u;
  }
  return upright;
}

DeviceBitmap BitmapOf(const QImage& image) {
  QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  DeviceBitmap bitmap;
  bitmap.width = bgr.width();
  bitmap.height = bgr.height();
  bitmap.bitsPerPixel = 24;
  bitmap.stride = static_cast<size_t>(bgr.bytesPerLine());
  bitmap.bits.assign(bgr.constBits(), bgr.constBits() + bgr.sizeInBytes());
  return bitmap;
}

QImage ImageOf(const DeviceBitmap& bitmap) {
  return QImage(bitmap.bits.data(), bitmap.width, bitmap.height,
                static_cast<qsizetype>(bitmap.stride), QImage::Format_BGR888)
      .copy();
}

std::unique_ptr<SECDib> PictureOf(const QImage& upright) {
  auto image = std::make_unique<SECDib>();
  if (!image->CreateFromBitmap(BitmapOf(upright))) return nullptr;
  return image;
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace prentix
