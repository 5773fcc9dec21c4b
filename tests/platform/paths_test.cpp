#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/testutil.h"
#include "platform/profile.h"

using namespace platform;
namespace fs = std::filesystem;

TEST(Paths, WindowsDirectoryHonoursWindirElseTheConfigFolder) {
  std::string root = pxtest::TestRoot();
  EXPECT_EQ(WindowsDirectory(), root + "/windows");
  setenv("WINDIR", (root + "/win/nested/").c_str(), 1);
  EXPECT_EQ(WindowsDirectory(), root + "/win/nested");
  EXPECT_TRUE(fs::is_directory(root + "/win/nested"));  // created on first use
  EXPECT_EQ(SystemDirectory(), root + "/win/nested/system");
  EXPECT_TRUE(fs::is_directory(root + "/win/nested/system"));

  unsetenv("WINDIR");
  EXPECT_EQ(WindowsDirectory(), root + "/home/.config/tervola");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(WindowsDirectory(), root + "/home/.config/tervola");
  EXPECT_TRUE(fs::is_directory(root + "/home/.config/tervola"));
  EXPECT_EQ(TempDirectory(), root + "/tmp/");
}

TEST(Paths, DrivesMapThroughWinIniAndBothSeparatorsWork) {
  std::string root = pxtest::TestRoot();
  fs::create_directories(root + "/d/Programs/Sub");
  // default: C is the host root
  EXPECT_EQ(HostPath("C:\\usr\\bin"), "/usr/bin");
  EXPECT_EQ(HostPath("c:/usr\\bin/"), "/usr/bin/");
  EXPECT_EQ(HostPath("D:\\x"), "");  // no such drive
  ASSERT_TRUE(WritePrivateProfileString("Drives", "D", (root + "/d").c_str(), "win.ini"));
  ASSERT_TRUE(WritePrivateProfileString("Drives", "c", (root + "\\").c_str(), "win.ini"));
  EXPECT_EQ(HostPath("d:\\Programs\\Sub"), root + "/d/Programs/Sub");
  EXPECT_EQ(HostPath("D:Programs/Sub/file.txt"), root + "/d/Programs/Sub/file.txt");
  EXPECT_EQ(HostPath("C:\\d"), root + "/d");
  // host paths pass through
  EXPECT_EQ(HostPath(root + "/d/Programs"), root + "/d/Programs");
}

TEST(Paths, ComponentsThatDoNotExistAsWrittenAreFoundWithoutCase) {
  std::string root = pxtest::TestRoot();
  fs::create_directories(root + "/tmp/Mixed/inner");
  pxtest::WriteFile(root + "/tmp/a.txt", "x");
  ASSERT_TRUE(WritePrivateProfileString("Drives", "C", root.c_str(), "win.ini"));
  // the way a script writes it finds the lower-case file
  EXPECT_EQ(HostPath("C:\\TMP\\A.TXT"), root + "/tmp/a.txt");
  EXPECT_EQ(HostPath("c:\\tmp\\MIXED\\INNER"), root + "/tmp/Mixed/inner");
  // from the first missing component on, the rest is kept as written
  EXPECT_EQ(HostPath("C:\\TMP\\New\\Deeper.TXT"), root + "/tmp/New/Deeper.TXT");
  // an exact spelling wins over another one
  fs::create_directories(root + "/tmp/CASE");
  fs::create_directories(root + "/tmp/case");
  EXPECT_EQ(HostPath("C:\\tmp\\CASE"), root + "/tmp/CASE");
  EXPECT_EQ(HostPath("C:\\tmp\\Case"), root + "/tmp/CASE");
}
