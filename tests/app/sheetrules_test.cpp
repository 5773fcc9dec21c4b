#include <gtest/gtest.h>

#include "prentix/app/sheetrules.h"
#include "prentix/lang/sprache.h"

namespace {

using namespace prentix;

TEST(SheetRules, MarginTextIsReadAsTwoCharactersAndClamped) {
  struct Case {
    const char* text;
    Margin margin;
    int want;
  } cases[] = {
      {"5", Margin::kTop, 5},    {"45", Margin::kTop, 30},  {"123", Margin::kRight, 12},
      {"30", Margin::kLeft, 30}, {"31", Margin::kLeft, 30}, {"0", Margin::kLeft, 8},
      {"-1", Margin::kTop, 2},   {"", Margin::kRight, 2},   {"ab", Margin::kLeft, 8},
      {"1x", Margin::kTop, 1},   {" 7", Margin::kTop, 7},   {"9 9", Margin::kTop, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(MarginFromText(c.text, c.margin), c.want);
  }
}

TEST(SheetRules, PagePictureGeometry) {
  // defaults: three header lines, margins taken from their defaults
  Settings s;
  PagePreview g = PagePreviewGeometry(s, {0, 0, 300, 200});
  EXPECT_EQ(g.paper, (PreviewRect{200, 4, 296, 192}));
  EXPECT_EQ(g.header, (std::vector<PreviewLine>{{216, 264, 8}, {216, 240, 12}, {216, 248, 16}}));
  EXPECT_EQ(g.picture, (PreviewRect{216, 20, 292, 102}));
  EXPECT_FALSE(g.adjusted);
  EXPECT_EQ(s.TopMargin, 2);  // the working copy keeps the defaults
  EXPECT_EQ(s.LeftMargin, 8);
  EXPECT_EQ(s.RightMargin, 2);

  // landscape, 1:1, both centred, only the page counter, thresholds set
  Settings t;
  t.Landscape = t.eze = t.center = t.centerV = t.Page = 1;
  t.PrintDate = t.Hostname = t.Username = 0;
  t.TopMargin = t.LeftMargin = t.RightMargin = 5;
  t.MonoR = 1;
  g = PagePreviewGeometry(t, {0, 0, 300, 200});
  EXPECT_EQ(g.header, (std::vector<PreviewLine>{{276, 292, 14}}));
  EXPECT_EQ(g.picture, (PreviewRect{224, 56, 272, 140}));
  EXPECT_TRUE(g.adjusted);
}

TEST(SheetRules, MonochromeBarSteps) {
  struct Case {
    int value;
    BarAction action;
    int thumb;
    std::optional<int> want;
    bool tracking;
  } cases[] = {
      {0, BarAction::kLineLeft, 0, std::nullopt, false},
      {1, BarAction::kLineLeft, 0, 0, false},
      {254, BarAction::kLineRight, 0, 255, false},
      {255, BarAction::kLineRight, 0, std::nullopt, false},
      {9, BarAction::kPageLeft, 0, std::nullopt, false},
      {10, BarAction::kPageLeft, 0, 0, false},
      {244, BarAction::kPageRight, 0, 254, false},
      {245, BarAction::kPageRight, 0, std::nullopt, false},
      {3, BarAction::kThumbTrack, 77, 77, true},
      {3, BarAction::kThumbPosition, 78, 78, false},
      {42, BarAction::kEnd, 0, 42, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " " << static_cast<int>(c.action));
    std::optional<BarStep> step = MonoBarStep(c.value, c.action, c.thumb);
    ASSERT_EQ(step.has_value(), c.want.has_value());
    if (!step) continue;
    EXPECT_EQ(step->value, *c.want);
    EXPECT_EQ(step->tracking, c.tracking);
  }
  Settings live;
  EXPECT_TRUE(MonoPreviewAllowed(true, live));
  EXPECT_FALSE(MonoPreviewAllowed(false, live));
  live.MonoM = 1;
  EXPECT_FALSE(MonoPreviewAllowed(true, live));
}

TEST(SheetRules, RowsNeverNameTheSameKeyTwice) {
  // {clicked, other before, other after}
  const int modifiers[][3] = {{1, 1, 2}, {2, 2, 1}, {1, 2, 2}, {0, 0, 0}, {2, 0, 0}};
  for (const auto& c : modifiers) {
    int other = c[1];
    ExclusiveModifier(c[0], other);
    EXPECT_EQ(other, c[2]) << c[0] << " " << c[1];
  }
  const int keys[][3] = {{1, 1, 0}, {6, 6, 0}, {0, 0, 0}, {1, 4, 4}};
  for (const auto& c : keys) {
    int other = c[1];
    ExclusiveHotKey(c[0], other);
    EXPECT_EQ(other, c[2]) << c[0] << " " << c[1];
  }
  EXPECT_TRUE(NameFormatEnabled(false, 2));
  EXPECT_FALSE(NameFormatEnabled(false, 0));
}

TEST(SheetRules, LanguageButtonsAndStandardName) {
  const int pairs[][2] = {{0, 1177},  {7, 1178},  {999, 1179}, {12, 1180}, {19, 1181},
                          {21, 1182}, {29, 1183}, {16, 1178},  {9, 1179}};
  for (const auto& p : pairs) EXPECT_EQ(LanguageControl(p[0]), p[1]) << p[0];
  for (const LanguageButton& b : kLanguageButtons) EXPECT_EQ(LanguageNumber(b.control), b.number);

  const int saved = Sprache;
  Sprache = kGerman;
  EXPECT_EQ(StandardLanguageText(kFrench, 1179), "Standard  (Französisch)");
  EXPECT_EQ(StandardLanguageText(kEnglish, 1177), "Standard  (Englisch)");
  // Italian has no button: the checked one names it
  EXPECT_EQ(StandardLanguageText(kItalian, 1181), "Standard  (Holländisch)");
  Sprache = kEnglishChoice;
  EXPECT_EQ(StandardLanguageText(kGerman, 1177), "Standard  (German)");
  Sprache = saved;
}

TEST(SheetRules, FileFilterText) {
  EXPECT_EQ(ParseFilterText("Ausführbare Dateien (*.exe)|*.exe|Alle Dateien (*.*)|*.*||"),
            (std::vector<FilterEntry>{{"Ausführbare Dateien", "*", true},
                                      {"Alle Dateien (*)", "*", false}}));
  // a text without a pattern is dropped
  EXPECT_EQ(ParseFilterText("Bilder|*.png|unterminated"),
            (std::vector<FilterEntry>{{"Bilder", "*.png"}}));
  EXPECT_TRUE(ParseFilterText("||").empty());
  EXPECT_EQ(Cut259(std::string(258, 'a') + "ü").size(), 258u);
}

}  // namespace
