#include "prentix/image/autoname.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/testutil.h"
#include "prentix/lang/sprache.h"

using namespace prentix;

namespace {

// Runs the test body with the current directory in the test's own folder,
// as automatic names without a directory land there.
class AutoNameTest : public testing::Test {
 protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    dir_ = pxtest::TestRoot() + "/captures";
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override { std::filesystem::current_path(old_); }
  void Touch(const std::string& name) { pxtest::WriteFile(dir_ + "/" + name, "x"); }

  NameSources Fixed() {
    NameSources s;
    s.computerName = [] { return std::string("WS07"); };
    s.userName = [] { return std::string("anna"); };
    s.now = [] {
      std::tm t{};
      t.tm_year = 97;
      t.tm_mon = 9;
      t.tm_mday = 17;
      t.tm_hour = 9;
      t.tm_min = 5;
      t.tm_sec = 3;
      return t;
    };
    return s;
  }

  std::filesystem::path old_;
  std::string dir_;
};

}  // namespace

TEST_F(AutoNameTest, FirstNamesCountUpInTheCurrentDirectory) {
  EXPECT_EQ(BuildAutomaticName("", false, Fixed()), "auto001.pxi");
  Touch("auto001.pxi");
  EXPECT_EQ(BuildAutomaticName("", false, Fixed()), "auto002.pxi");
  EXPECT_EQ(BuildAutomaticName("auto", true, Fixed()), "auto002.gif");
}

TEST_F(AutoNameTest, PatternLettersExpandAndOthersStayAsTheyAre) {
  EXPECT_EQ(BuildAutomaticName("HD", false, Fixed()), "anna1997.10.17001.pxi");
  EXPECT_EQ(BuildAutomaticName("U_T-", false, Fixed()), "WS07_09_05_03-001.pxi");
  // lower-case letters are not pattern letters
  EXPECT_EQ(BuildAutomaticName("hdut", false, Fixed()), "hdut001.pxi");
  // a directory in the pattern, DOS style, is kept in the name and searched
  std::filesystem::create_directories(dir_ + "/Sub");
  Touch("Sub/shot041.gif");
  EXPECT_EQ(BuildAutomaticName("Sub\\shot", false, Fixed()), "Sub\\shot042.pxi");
  // letters in the folder are part of its name, in either style
  std::filesystem::create_directories(dir_ + "/Daten/HUT");
  EXPECT_EQ(BuildAutomaticName("Daten/HUT/H-", false, Fixed()), "Daten/HUT/anna-001.pxi");
  EXPECT_EQ(BuildAutomaticName("Daten\\HUT\\U", false, Fixed()), "Daten\\HUT\\WS07001.pxi");
}

TEST_F(AutoNameTest, AllExtensionsShareOneSequenceAndNumbersPast999AreSeen) {
  Touch("auto003.pxi");
  Touch("auto007.gif");
  Touch("auto005.png");
  Touch("autoXYZ.pxi");                                      // no digits: counts as 0
  Touch("automobile.txt");                                   // not one of ours
  std::filesystem::create_directories(dir_ + "/auto500.d");  // directories never count
  EXPECT_EQ(NextFileNumber("auto"), 8);

  Touch("auto999.pxi");
  EXPECT_EQ(BuildAutomaticName("auto", false, Fixed()), "auto1000.pxi");
  Touch("auto1000.pxi");
  EXPECT_EQ(BuildAutomaticName("auto", false, Fixed()), "auto1001.pxi");
  Touch("AUTO12345.GIF");  // names match without regard to case
  EXPECT_EQ(NextFileNumber("auto"), 12346);
  EXPECT_EQ(NextFileNumber("none"), 1);
}

TEST(FileDialogFilters, OrderLanguageAndGifFirst) {
  Sprache = 9;
  auto rows = FileDialogFilters(false);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"Prentix (*.pxi)", "*.pxi"}));
  EXPECT_EQ(rows[1], (std::pair<std::string, std::string>{"Gif (*.gif)", "*.gif"}));
  EXPECT_EQ(rows[7], (std::pair<std::string, std::string>{"Paintbrush (*.pcx)", "*.pcx"}));
  EXPECT_EQ(rows[8], (std::pair<std::string, std::string>{"Png (*.png)", "*.png"}));
  EXPECT_EQ(rows[9], (std::pair<std::string, std::string>{"All Files (*.*)", "*.*"}));
  auto gif = FileDialogFilters(true);
  EXPECT_EQ(gif[0].second, "*.gif");
  EXPECT_EQ(gif[1].second, "*.pxi");
  Sprache = 7;
  EXPECT_EQ(FileDialogFilters(false)[9].first, "Alle Dateien (*.*)");
  Sprache = 0;
}
