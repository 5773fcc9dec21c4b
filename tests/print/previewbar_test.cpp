#include <gtest/gtest.h>

#include "prentix/lang/sprache.h"
#include "prentix/print/previewbar.h"

namespace {

using namespace prentix;

// Every button of the preview bar has a caption in every language, and the
// page switch's two texts are the language's own: only German reads German.
TEST(PreviewBar, EveryButtonCaptionedInEveryLanguage) {
  const int languages[] = {kGerman,  kEnglish, kItalian, kFrench,       kSpanish,
                           kSwedish, kDutch,   kPolish,  kEnglishChoice};
  const int saved = Sprache;
  for (int language : languages) {
    SCOPED_TRACE(language);
    Sprache = language;
    PreviewCaptions captions = PreviewBarCaptions(language);
    for (int i : {0, 1, 2, 4, 5, 6}) EXPECT_FALSE(captions[i].empty()) << i;
    for (int key : {61505, 61506}) {
      const std::string text = LoadSprachString(key);
      EXPECT_FALSE(text.empty()) << key;
      if (language != kGerman) EXPECT_NE(text, GetSprachText(key, kGerman)) << key;
    }
  }
  Sprache = saved;
}

}  // namespace
