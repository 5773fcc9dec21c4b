#include <gtest/gtest.h>

#include "prentix/app/zoomrules.h"

namespace {

using namespace prentix;

TEST(ZoomRules, BoxEntriesAndZoomSteps) {
  // entry, its text, its zoom
  struct Entry {
    int entry;
    const char* text;
    int zoom;
  } entries[] = {
      {0, "1:16", -16}, {14, "1:2", -2}, {15, "1:1", 0}, {16, "2:1", 2}, {30, "16:1", 16}};
  for (const Entry& e : entries) {
    EXPECT_EQ(ZoomBoxText(e.entry), e.text);
    EXPECT_EQ(ZoomForBoxEntry(e.entry), e.zoom);
    EXPECT_EQ(BoxEntryForZoom(e.zoom), e.entry);
  }
  // 1 and -1 draw 1:1 and show as such; 17 has no entry
  EXPECT_EQ(BoxEntryForZoom(1), 15);
  EXPECT_EQ(BoxEntryForZoom(-1), 15);
  EXPECT_EQ(BoxEntryForZoom(17), -1);
  for (int e = 0; e < kZoomBoxEntries; ++e) EXPECT_EQ(BoxEntryForZoom(ZoomForBoxEntry(e)), e);

  // zoom in by click: up to 16 armed, -1 and 0 count as 1
  EXPECT_TRUE(ZoomInAllowed(16));
  EXPECT_FALSE(ZoomInAllowed(17));
  EXPECT_EQ(ZoomInByClick(16), 17);
  EXPECT_EQ(ZoomInByClick(0), 2);
  EXPECT_EQ(ZoomInByClick(-1), 2);
  EXPECT_EQ(ZoomInByClick(-3), -2);
  // zoom out: 2 -> 1 -> -2 -> -3 ..., refused below -14
  EXPECT_EQ(ZoomOut(2), 1);
  EXPECT_EQ(ZoomOut(1), -2);
  EXPECT_EQ(ZoomOut(0), -2);
  EXPECT_EQ(ZoomOut(-2), -3);
  EXPECT_EQ(ZoomOut(-14), -15);
  EXPECT_EQ(ZoomOut(-15), std::nullopt);

  // scroll steps (line, page) over a total of view pixels: a page is ten
  // picture pixels when zoomed, a tenth of the total at 1:1, never 0
  struct Steps {
    int zoom, total;
    ScrollSteps steps;
  } steps[] = {{1, 1920, {1, 10}}, {2, 3840, {2, 20}}, {16, 1000, {16, 160}}, {0, 1920, {19, 192}},
               {0, 50, {1, 5}},    {0, 0, {1, 1}},     {-1, 1920, {1, 10}},   {-4, 480, {1, 10}}};
  for (const Steps& s : steps) EXPECT_EQ(ScrollStepsFor(s.zoom, s.total), s.steps) << s.zoom;
}

TEST(ZoomRules, PicturePixelsCentringAndCuts) {
  EXPECT_EQ(ToPicture(37, 4), 9);
  EXPECT_EQ(ToPicture(37, -2), 74);
  EXPECT_EQ(ToPicture(37, 1), 37);
  EXPECT_EQ(RaiseToZoom(37, 4), 40);
  EXPECT_EQ(RaiseToZoom(36, 4), 36);
  // zoomed in to 4 from 1:1 at a click on x 100 of a 400 wide view: the
  // clicked pixel (100) lands in the middle, 4 * 100 - 200
  EXPECT_EQ(CentredScroll(100, 0, 400, 4 - 2), 0);  // clamped at the start
  EXPECT_EQ(CentredScroll(300, 0, 400, 2), 400);
  EXPECT_EQ(CentredScroll(100, 0, 400, 4) % 4, 0);

  // a drag of 80 x 40 view pixels at zoom 4 takes 20 x 10 picture pixels
  auto r = CutRect(8, 12, 88, 52, 0, 0, 4, 100, 100);
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, (PixelRect{2, 3, 22, 13}));
  // dragged up and left, scrolled, and beyond the picture: clipped to it
  r = CutRect(90, 90, -5, 10, 20, 0, 1, 50, 60);
  EXPECT_EQ(*r, (PixelRect{20, 10, 50, 60}));
  // an edge beyond the picture comes onto its last pixel
  r = CutRect(200, 200, 300, 300, 0, 0, 1, 50, 60);
  EXPECT_EQ(*r, (PixelRect{49, 59, 50, 60}));
  EXPECT_FALSE(CutRect(10, 10, 10, 30, 0, 0, 1, 50, 60));
  EXPECT_EQ(DragSizeText(-80, 40, 4), "(20 * 10)");
  EXPECT_EQ(DragSizeText(30, 70000, 1), "(0 * 0)");

  // auto-scroll at the edges, only where there is more picture
  using D = ScrollDirection;
  EXPECT_EQ(AutoScrollDirection(397, 100, 400, 300, 0, 0, 500, 500), (D{1, 0}));
  EXPECT_EQ(AutoScrollDirection(397, 297, 400, 300, 500, 0, 500, 500), (D{0, 1}));
  EXPECT_EQ(AutoScrollDirection(2, 2, 400, 300, 0, 40, 500, 500), (D{0, -1}));
  EXPECT_EQ(AutoScrollDirection(200, 150, 400, 300, 10, 10, 500, 500), (D{0, 0}));
}

}  // namespace
