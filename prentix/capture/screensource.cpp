#include "prentix/capture/screensource.h"

#include <cstdlib>

#include "prentix/app/waylandrules.h"

namespace prentix {

namespace {

std::unique_ptr<ScreenSource> g_source;
bool g_opened = false;  // asked once; no display stays no display

}  // namespace

bool WaylandSession() {
  return IsWaylandSession(getenv("WAYLAND_DISPLAY"), getenv("XDG_SESSION_TYPE"));
}

ScreenSource* CurrentScreenSource() {
  if (!g_source && !g_opened) {
    g_opened = true;
    // an X server on a Wayland desktop shows none of its windows
    g_source = WaylandSession() ? OpenPortalSource() : OpenX11Source();
  }
  return g_source.get();
}

void SetScreenSource(std::unique_ptr<ScreenSource> source) {
  g_source = std::move(source);
  g_opened = g_source != nullptr;  // null: chosen again, when next asked
}

}  // namespace prentix
