#include "prentix/capture/screencapture.h"

#include "platform/x11/x11.h"

namespace prentix {

namespace {

// One connection for the run: opening one costs more than the copy of a
// small screen.
platform::x11::Connection* Display() {
  static std::unique_ptr<platform::x11::Connection> connection;
  static bool tried = false;
  if (!tried) {
    tried = true;
    connection = platform::x11::Connection::Open();
  }
  return connection.get();
}

}  // namespace

std::unique_ptr<SECDib> CaptureScreen() {
  platform::x11::Connection* c = Display();
  if (!c) return nullptr;
  auto pixels = c->CopyScreenRect({0, 0, c->ScreenWidth(), c->ScreenHeight()});
  if (!pixels) return nullptr;
  DeviceBitmap bitmap;
  bitmap.width = pixels->width;
  bitmap.height = pixels->height;
  bitmap.bitsPerPixel = 24;
  bitmap.stride = static_cast<size_t>(pixels->width) * 3;
  bitmap.bits = std::move(pixels->bgr);
  auto image = std::make_unique<SECDib>();
  if (!image->CreateFromBitmap(bitmap)) return nullptr;
  return image;
}

unsigned long ForegroundWindow() {
  platform::x11::Connection* c = Display();
  return c ? c->ActiveWindow() : 0;
}

void RestoreForeground(unsigned long window) {
  platform::x11::Connection* c = Display();
  if (c && window) c->Activate(window);
}

}  // namespace prentix
