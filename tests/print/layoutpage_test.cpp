#include <gtest/gtest.h>

#include "prentix/lang/sprache.h"
#include "prentix/print/layoutpage.h"

namespace {

using namespace prentix;

// A4 at 300 dpi with an "A" of 25 x 50 and 20 device pixels a character.
PageMetrics A4() {
  PageMetrics m;
  m.horzRes = 2400, m.vertRes = 3300, m.logPixelsX = m.logPixelsY = 300;
  m.cellWidth = 25, m.cellHeight = 50, m.lineHeight = 50;
  m.screenLogPixelsX = m.screenLogPixelsY = 96;
  m.textWidth = [](const std::string& t) { return static_cast<int>(t.size()) * 20; };
  return m;
}

Settings With(const char* what) {
  Settings s;  // a missing settings file: date, host, user on
  std::string w = what;
  if (w.find("centre") != std::string::npos) s.center = s.centerV = 1;
  if (w.find("1:1") != std::string::npos) s.eze = 1;
  if (w.find("page") != std::string::npos) s.Page = 1;
  if (w.find("file") != std::string::npos) s.Filename = 1;
  if (w.find("bare") != std::string::npos) s.PrintDate = s.Hostname = s.Username = 0;
  if (w.find("margins") != std::string::npos)
    s.TopMargin = 4, s.LeftMargin = 1, s.RightMargin = 3, s.BottomMargin = 5;
  if (w.find("huge") != std::string::npos) s.TopMargin = s.BottomMargin = 30;
  return s;
}

TEST(LayoutPage, MarginsHeaderFitOneToOneAndCentring) {
  Sprache = kEnglish;
  struct Case {
    const char* settings;
    int w, h;
    PageRect target;
    int headerLines;
  } cases[] = {
      // defaults: top 2 lines, left 8 and right 2 cells, no bottom margin;
      // three header lines from the top and the bottom, half a line more
      {"", 1920, 1080, {200, 275, 2350, 1484}, 3},
      {"", 1080, 1920, {200, 275, 1803, 3125}, 3},  // tall: the full height
      {"centre", 1920, 1080, {200, 1087, 2200, 2212}, 3},
      {"centre", 100, 3000, {1154, 275, 1245, 3025}, 3},  // tall: centred across
      {"1:1", 300, 200, {200, 275, 1138, 900}, 3},        // 300 px at 96 dpi on 300 dpi
      {"1:1", 1920, 1080, {200, 275, 2350, 1484}, 3},     // too large: fitted
      {"bare", 1920, 1080, {200, 125, 2350, 1334}, 0},
      {"margins page", 1920, 1080, {25, 425, 2325, 1718}, 4},
      {"file", 640, 480, {200, 325, 2350, 1937}, 4},
      // margins that leave no room: the defaults rather than a blank sheet
      {"huge", 1920, 1080, {200, 275, 2350, 1484}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.settings) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
    PageContent content{c.w, c.h, false, 0, "/home/anna/shot.pxi", 1, "Tue 08 Dec", "pc7", "anna"};
    PageLayout l = LayoutPage(A4(), content, With(c.settings));
    EXPECT_EQ(l.target, c.target);
    EXPECT_EQ(static_cast<int>(l.header.size()), c.headerLines);
  }
}

TEST(LayoutPage, HeaderLinesInTheirOrderAndThePageCounter) {
  Sprache = kEnglish;
  Settings s = With("page file");
  PageContent content{1920, 1080, false, 0, "/home/anna/shot.pxi", 2, "Tue 08 Dec", "pc7", ""};
  PageLayout l = LayoutPage(A4(), content, s);
  // labels right-aligned at the widest label ("Filename: ", 10 characters)
  std::vector<HeaderLine> want = {
      {2350, 100, "", "Page: 2"},
      {400, 150, "Print at: ", "Tue 08 Dec"},
      {400, 200, "Host: ", "pc7"},  // no user name: no user line
      {400, 250, "Filename: ", "/home/anna/shot.pxi"},
  };
  EXPECT_EQ(l.header, want);
  EXPECT_EQ(l.target.top, 325);

  // text: the width between the margins, a separator half a cell above,
  // one cell a line, down to the page's end
  PageContent text{0, 0, true, 2, "", 1, "d", "h", "u"};
  PageLayout t = LayoutPage(A4(), text, Settings());
  EXPECT_TRUE(t.separator);
  EXPECT_EQ(t.separatorY, 275 - 25);
  EXPECT_EQ(t.target.left, 200);
  EXPECT_EQ(t.target.top, 275);
  EXPECT_EQ(t.target.bottom, 3300);
  EXPECT_EQ(t.textFontHeight, 50);
  // on the screen there is no header
  content.header = false;
  EXPECT_TRUE(LayoutPage(A4(), content, s).header.empty());
}

TEST(LayoutPage, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(300, 300, 96), 938);
  EXPECT_EQ(MulDiv(-300, 300, 96), -938);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2, 4), 1000000000);  // no overflow in between
}

// The header's long date: the locale's own date-and-time format with the
// day and month written out; tabs of printed text to blanks at every eighth
// column, UTF-8 characters counting once.
TEST(LayoutPage, LongDateAndTabStops) {
  const char* formats[][2] = {
      {"%a %b %e %H:%M:%S %Y", "%A %B %e %H:%M:%S %Y"},  // C
      {"%a %d %b %Y %r %Z", "%A %d %B %Y %r %Z"},        // en_US
      {"%a %d %b %Y %T %Z", "%A %d %B %Y %T %Z"},        // de_DE
      {"%A, %d. %h %Y", "%A, %d. %B %Y"},
      {"%Y年%m月%d日 %H時%M分%S秒", "%Y年%m月%d日 %H時%M分%S秒"},
      {"100%% %a%", "100%% %A%"},
  };
  for (auto& [in, out] : formats) EXPECT_EQ(LongDateTimeFormat(in), out) << in;
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 8, t.tm_wday = 2;
  t.tm_hour = 15, t.tm_min = 4, t.tm_sec = 5;
  EXPECT_EQ(LongDateTime(t), "Tuesday December  8 15:04:05 2026");  // the tests' C locale

  const char* tabs[][2] = {
      {"a\tb", "a       b"},
      {"\tx", "        x"},
      {"12345678\tx", "12345678        x"},
      {"ab\ncd\tx", "ab\ncd      x"},
      {"\xc3\xa4\tx", "\xc3\xa4       x"},
      {"no tabs", "no tabs"},
  };
  for (auto& [in, out] : tabs) EXPECT_EQ(ExpandTabs(in), out) << in;
}

}  // namespace
