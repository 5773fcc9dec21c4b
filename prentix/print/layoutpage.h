#pragma once
// Where a printed page puts the picture (or the text) and its header lines:
// margins in character cells, the header taking lines from the top and the
// bottom, the content fitted keeping its proportions on the printer's grid,
// 1:1 when it fits, centred on the whole sheet when asked.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "prentix/app/settings.h"

namespace prentix {

struct PageRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const PageRect&) const = default;
};

// What the layout asks of the printer: its page in device pixels, its
// resolution, the extent of "A" and of texts in its default font, and the
// screen's resolution for 1:1.
struct PageMetrics {
  int horzRes = 0, vertRes = 0;
  int logPixelsX = 0, logPixelsY = 0;
  int cellWidth = 0, cellHeight = 0;  // "A"
  int lineHeight = 0;                 // height of the host label
  int screenLogPixelsX = 96, screenLogPixelsY = 96;
  std::function<int(const std::string&)> textWidth;
};

// One header line: a text right-aligned at x (the page counter), or a label
// right-aligned at x followed by its value left-aligned there.
struct HeaderLine {
  int x = 0, y = 0;
  std::string label;  // empty for the page counter
  std::string value;
  bool operator==(const HeaderLine&) const = default;
};

struct PageContent {
  int width = 0, height = 0;  // the picture's (already turned); ignored for text
  bool text = false;
  int textLineFeeds = 0;  // of the text
  std::string filePath;   // the document's, "" for none
  int printCounter = 0;
  std::string date, host, user;  // as they are printed
  bool header = true;            // false on the screen
};

struct PageLayout {
  PageRect target;
  std::vector<HeaderLine> header;
  bool separator = false;  // text only: a line across at separatorY
  int separatorY = 0, separatorLeft = 0, separatorRight = 0;
  int textFontHeight = 0;  // text only: the cell height
};

// MulDiv: a * b / c rounded to the nearest, -1 when c is 0.
int MulDiv(int a, int b, int c);

PageLayout LayoutPage(const PageMetrics& m, const PageContent& content, const Settings& s);

// The local date and time in the locale's long form, as the header prints it:
// the locale's date-and-time format with the day and month written out.
std::string HeaderDate();
std::string LongDateTime(const std::tm& when);
std::string LongDateTimeFormat(std::string_view format);

// Printed and shown text content is laid out in columns of one cell each:
// tabs become blanks up to the next stop.
inline constexpr int kTextColumns = 100;
std::string ExpandTabs(std::string_view text, int stop = 8);

}  // namespace prentix
