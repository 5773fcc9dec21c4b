#include "prentix/app/zoomrules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace prentix {

std::string ZoomBoxText(int entry) {
  char text[16];
  if (entry < kZoomBoxOneToOne) {
    snprintf(text, sizeof text, "1:%d", 16 - entry);
  } else {
    snprintf(text, sizeof text, "%d:1", entry - 14);
  }
  return text;
}

int ZoomForBoxEntry(int entry) {
  int zoom = entry < 16 ? entry - 16 : entry - 14;
  return zoom == -1 ? 0 : zoom;
}

int BoxEntryForZoom(int zoom) {
  int entry = zoom < 0 ? zoom + 16 : zoom == 0 ? kZoomBoxOneToOne : zoom + 14;
  return entry >= 0 && entry < kZoomBoxEntries ? entry : -1;
}

bool ZoomInAllowed(int zoom) { return zoom <= 16; }

int ZoomInByClick(int zoom) {
  if (zoom == -1) zoom = 0;
  if (zoom == 0) zoom = 1;
  return zoom + 1;
}

std::optional<int> ZoomOut(int zoom) {
  if (zoom < -14) return std::nullopt;
  if (zoom == 1) zoom = 0;
  if (zoom == 0) zoom = -1;
  return zoom - 1;
}

int ToPicture(int v, int zoom) {
  if (zoom >= 2) return v / zoom;
  if (zoom <= -2) return v * -zoom;
  return v;
}

int RaiseToZoom(int v, int zoom) {
  if (zoom < 2 || v % zoom == 0) return v;
  return (v / zoom + 1) * zoom;
}

int CentredScroll(int click, int oldScroll, int clientExtent, int zoom) {
  const int g = zoom - 1;
  int scroll = zoom * (click / g + oldScroll / g - (clientExtent / 2) / zoom);
  return RaiseToZoom(std::max(0, scroll), zoom);
}

std::optional<PixelRect> CutRect(int x1, int y1, int x2, int y2, int scrollX, int scrollY, int zoom,
                                 int pictureWidth, int pictureHeight) {
  PixelRect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  r.left = std::max(0, r.left) + std::max(0, scrollX);
  r.top = std::max(0, r.top) + std::max(0, scrollY);
  r.right += std::max(0, scrollX);
  r.bottom += std::max(0, scrollY);
  r = {ToPicture(r.left, zoom), ToPicture(r.top, zoom), ToPicture(r.right, zoom),
       ToPicture(r.bottom, zoom)};
  // an edge beyond the picture comes back onto it
  r.left = std::min(r.left, pictureWidth - 1);
  r.top = std::min(r.top, pictureHeight - 1);
  r.right = std::min(r.right, pictureWidth);
  r.bottom = std::min(r.bottom, pictureHeight);
  if (r.Width() <= 0 || r.Height() <= 0) return std::nullopt;
  return r;
}

std::string DragSizeText(int dx, int dy, int zoom) {
  int w = ToPicture(std::abs(dx), zoom), h = ToPicture(std::abs(dy), zoom);
  if (w > 65000 || h > 65000) w = h = 0;
  char text[40];
  snprintf(text, sizeof text, "(%d * %d)", w, h);
  return text;
}

ScrollDirection AutoScrollDirection(int x, int y, int clientWidth, int clientHeight, int scrollX,
                                    int scrollY, int maxScrollX, int maxScrollY) {
  constexpr int kEdge = 5;
  ScrollDirection d;
  if (x >= clientWidth - kEdge && scrollX < maxScrollX) d.dx = 1;
  if (x < kEdge && scrollX > 0) d.dx = -1;
  if (y >= clientHeight - kEdge && scrollY < maxScrollY) d.dy = 1;
  if (y < kEdge && scrollY > 0) d.dy = -1;
  return d;
}

ScrollSteps ScrollStepsFor(int zoom, int total) {
  if (zoom >= 1) return {zoom, 10 * zoom};
  if (zoom <= -1) return {1, 10};
  const int page = std::max(1, total / 10);
  return {std::max(1, page / 10), page};
}

}  // namespace prentix
