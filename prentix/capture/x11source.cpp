#include "platform/x11/x11.h"
#include "prentix/capture/screensource.h"

namespace prentix {

namespace {

using platform::x11::Connection;

class X11Source : public ScreenSource {
 public:
  explicit X11Source(std::unique_ptr<Connection> c) : c_(std::move(c)) {}

  int Width() override { return c_->ScreenWidth(); }
  int Height() override { return c_->ScreenHeight(); }

  std::optional<DeviceBitmap> Copy(const ScreenRect& r) override {
    auto pixels = c_->CopyScreenRect({r.left, r.top, r.right, r.bottom});
    if (!pixels) return std::nullopt;
    DeviceBitmap bitmap;
    bitmap.width = pixels->width;
    bitmap.height = pixels->height;
    bitmap.bitsPerPixel = 24;
    bitmap.stride = static_cast<size_t>(pixels->width) * 3;
    bitmap.bits = std::move(pixels->bgr);
    return bitmap;
  }

  ScreenWindow Foreground() override { return c_->ActiveWindow(); }
  // the root window is the desktop; a desktop program's window counts too
  // when the window manager reports it as active
  bool IsDesktop(ScreenWindow w) override { return w == c_->Root(); }
  bool IsVisible(ScreenWindow w) override { return c_->IsVisible(w); }
  std::optional<ScreenRect> WindowRect(ScreenWindow w) override {
    auto r = c_->WindowRect(w);
    if (!r) return std::nullopt;
    return ScreenRect{r->left, r->top, r->right, r->bottom};
  }
  void Raise(ScreenWindow w) override {
    c_->Raise(w);
    c_->Synced();
  }
  void Activate(ScreenWindow w) override {
    if (w) c_->Activate(w);
  }
  ModifierKeys Keys() override {
    platform::x11::KeyState k = c_->QueryKeyState();
    return {k.shift, k.ctrl, k.alt};
  }

 private:
  std::unique_ptr<Connection> c_;
};

}  // namespace

std::unique_ptr<ScreenSource> OpenX11Source() {
  auto c = Connection::Open();
  if (!c) return nullptr;
  return std::make_unique<X11Source>(std::move(c));
}

}  // namespace prentix
