#pragma once
// Pictures between the image classes and Qt: upright QImages of a picture,
// device bitmaps of QImages, and the wait cursor around long work.

#include <QImage>
#include <memory>

#include "prentix/image/secdib.h"

namespace prentix {

// The picture upright, top row first (its rows are stored bottom-up); a
// copy of its own. Null for a picture that cannot be shown.
QImage UprightImage(const SECDib& image);
// A 24-bit device bitmap of an image, rows top-down.
DeviceBitmap BitmapOf(const QImage& image);
// A 24-bit QImage of a device bitmap of 24 bits.
QImage ImageOf(const DeviceBitmap& bitmap);
// A new picture of an upright image; null when it cannot be made.
std::unique_ptr<SECDib> PictureOf(const QImage& upright);

struct WaitCursor {
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace prentix
