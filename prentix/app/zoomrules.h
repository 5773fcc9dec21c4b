#pragma once
// The view tools' arithmetic: zoom steps and the zoom box, view points to
// picture pixels, the scroll that centres a zoomed-in pixel, the rectangle
// a cut takes, and the size shown while dragging it.
//
// Zoom n >= 2 draws a picture pixel as n x n, n <= -2 shrinks by -n; -1, 0
// and 1 draw 1:1.

#include <optional>
#include <string>

namespace prentix {

inline constexpr int kZoomBoxEntries = 31;  // "1:16" ... "1:1" ... "16:1"
inline constexpr int kZoomBoxOneToOne = 15;

std::string ZoomBoxText(int entry);
int ZoomForBoxEntry(int entry);
// -1 when the zoom has no entry (17 after zooming in from 16:1).
int BoxEntryForZoom(int zoom);

// Zoom In is armed only up to 16; the click then gives this zoom.
bool ZoomInAllowed(int zoom);
int ZoomInByClick(int zoom);
// Zoom Out: refused below -14 (nullopt); 1 counts as 0, 0 as -1.
std::optional<int> ZoomOut(int zoom);

// A view coordinate plus the scroll position, in picture pixels.
int ToPicture(int viewPlusScroll, int zoom);
// The scroll position that brings the clicked pixel to the middle after
// zooming in to `zoom` (>= 2), on whole picture pixels.
int CentredScroll(int click, int oldScroll, int clientExtent, int zoom);

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};
// The picture part a dragged rectangle (view coordinates, any direction)
// takes: normalized, negative edges raised to 0, scrolled, converted to
// picture pixels and clipped to the picture. Nothing when that is empty.
std::optional<PixelRect> CutRect(int x1, int y1, int x2, int y2, int scrollX, int scrollY, int zoom,
                                 int pictureWidth, int pictureHeight);
// "(w * h)" of a drag in picture pixels; 0 * 0 when either exceeds 65000.
std::string DragSizeText(int dx, int dy, int zoom);
// A click raised to the next multiple of the zoom (zoom >= 2).
int RaiseToZoom(int v, int zoom);

// The steps of a scroll bar over `total` view pixels: at zoom >= 1 a line
// is one picture pixel and a page ten; at zoom 0 a page is a tenth of the
// total and a line a tenth of a page; a shrunk view steps 1 and 10 pixels.
struct ScrollSteps {
  int line = 1, page = 10;
  bool operator==(const ScrollSteps&) const = default;
};
ScrollSteps ScrollStepsFor(int zoom, int total);

// While stamping a pointer, a mouse resting within 5 pixels of an edge
// scrolls the view that way, where there is more picture: -1, 0 or 1 in
// each direction.
struct ScrollDirection {
  int dx = 0, dy = 0;
  bool operator==(const ScrollDirection&) const = default;
};
ScrollDirection AutoScrollDirection(int x, int y, int clientWidth, int clientHeight, int scrollX,
                                    int scrollY, int maxScrollX, int maxScrollY);

}  // namespace prentix
