#pragma once
// Where captures get the screen, the windows on it and the modifier keys:
// the X server here, the desktop portal on Wayland, a painted picture in
// tests. Pixels come as device bitmaps of 24 bits, rows top-down.

#include <memory>
#include <optional>
#include <string>

#include "prentix/image/dibtypes.h"

namespace prentix {

using ScreenWindow = unsigned long;  // 0: no window

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
};

struct ModifierKeys {
  bool shift = false, ctrl = false, alt = false;
};

class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // HORZRES x VERTRES: the whole desktop across all monitors, its top-left
  // corner at 0,0; 0 x 0 without one. The screen key takes all of it.
  virtual int Width() = 0;
  virtual int Height() = 0;
  ScreenRect Whole() { return {0, 0, Width(), Height()}; }
  // The rectangle, clipped to the screen as a display context clips it:
  // a negative left or top counts from 0, right and bottom stop at the
  // screen's edge. Nothing for an empty or wholly off-screen rectangle.
  virtual std::optional<DeviceBitmap> Copy(const ScreenRect& r) = 0;

  virtual ScreenWindow Foreground() = 0;
  virtual bool IsDesktop(ScreenWindow w) = 0;
  virtual bool IsVisible(ScreenWindow w) = 0;
  // With the window manager's frame.
  virtual std::optional<ScreenRect> WindowRect(ScreenWindow w) = 0;
  // Top of the stacking order, frame redrawn; then back to its program.
  virtual void Raise(ScreenWindow w) = 0;
  virtual void Activate(ScreenWindow w) = 0;
  virtual ModifierKeys Keys() = 0;

  // Where no program may read another's window, the desktop lets the user
  // pick the window (or an area) instead; nothing when none was picked.
  virtual bool UserPicksWindow() { return false; }
  virtual std::optional<DeviceBitmap> CopyPicked() { return std::nullopt; }
  // The language key telling why the last copy gave no picture; 0 when
  // there is nothing to tell (a window off the screen is no news).
  virtual int FailureKey() { return 0; }
};

// The X server of $DISPLAY; null when there is none.
std::unique_ptr<ScreenSource> OpenX11Source();
// The desktop portal's Screenshot on the session bus, under this service
// name; made even when the portal is missing, which a copy then tells.
std::unique_ptr<ScreenSource> OpenPortalSource(
    const std::string& service = "org.freedesktop.portal.Desktop");

// The source the captures use unless one was set: the portal on a Wayland
// session, the X server otherwise.
ScreenSource* CurrentScreenSource();
// WAYLAND_DISPLAY or XDG_SESSION_TYPE say so.
bool WaylandSession();
void SetScreenSource(std::unique_ptr<ScreenSource> source);

}  // namespace prentix
