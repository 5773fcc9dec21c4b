// The selection dialog's paths and the background's bands, without a window.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "common/testutil.h"
#include "instari/ui/selection.h"

namespace {

using namespace instari;

TEST(Selection, DosPathsOfTheMappedDrives) {
  setenv("WINDIR", (pxtest::TestRoot() + "/windows").c_str(), 1);
  ASSERT_TRUE(pxtest::WriteFile(pxtest::TestRoot() + "/windows/win.ini",
                                "[Drives]\nD=/srv/data\nF=/srv/data/deep/\n"));
  EXPECT_EQ(MappedDrives(), (std::vector<std::string>{"C:\\", "D:\\", "F:\\"}));
  const char* hosts[][2] = {{"/", "C:\\"},
                            {"/usr/lib", "C:\\usr\\lib"},
                            {"/srv/data", "D:\\"},
                            {"/srv/database", "C:\\srv\\database"},
                            {"/srv/data/deep/x", "F:\\x"}};
  for (const auto& h : hosts) EXPECT_EQ(DosPathOf(h[0]), std::optional<std::string>(h[1])) << h[0];
  const char* moves[][3] = {{"C:\\", "..", "C:\\"},
                            {"C:\\dir", "..", "C:\\"},
                            {"C:\\a\\b", "..", "C:\\a"},
                            {"C:\\", "sub", "C:\\sub"},
                            {"C:\\dir", "sub", "C:\\dir\\sub"}};
  for (const auto& m : moves) EXPECT_EQ(EnterDirectory(m[0], m[1]), m[2]) << m[0] << " " << m[1];
  EXPECT_EQ(SplitGroupList("Tervola\r\nGames\nTools\r\n"),
            (std::vector<std::string>{"Tervola", "Games", "Tools"}));
  unsetenv("WINDIR");
}

TEST(Selection, BackgroundBandsDarkenToTwoAndCoverTheScreen) {
  std::vector<BackgroundBand> b = BackgroundBands(255);  // one row each
  ASSERT_EQ(b.size(), 255u);
  EXPECT_EQ(b[0].blue, 255);
  EXPECT_EQ(b[253].blue, 2);
  EXPECT_EQ(b[254].blue, 2);
  b = BackgroundBands(720);  // three rows each
  ASSERT_EQ(b.size(), 240u);
  EXPECT_EQ(b.back().top, 717);
  EXPECT_EQ(b.back().height, 3);
  EXPECT_EQ(b.back().blue, 16);
}

}  // namespace
