#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/testutil.h"
#include "platform/fileio.h"
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

namespace {

// Puts a directory's times in the past, as a folder not touched for a while
// has them: only then is its listing kept between lookups.
void AgeDirectory(const std::string& dir) {
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), old, 0), 0);
}

}  // namespace

TEST(Paths, LookupsFollowChangesMadeByAnyRoute) {
  const std::string dir = pxtest::TestRoot() + "/many";
  fs::create_directories(dir);
  for (int i = 0; i < 50; ++i) pxtest::WriteFile(dir + "/file" + std::to_string(i) + ".txt", "x");
  AgeDirectory(dir);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/FILE7.TXT"), dir + "/file7.txt");
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/README.TXT"), dir + "/README.TXT");

  // made behind the lookups' back: plain file creation, removal, rename
  pxtest::WriteFile(dir + "/ReadMe.txt", "new");
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/README.TXT"), dir + "/ReadMe.txt");
  AgeDirectory(dir);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/readme.TXT"), dir + "/ReadMe.txt");
  ASSERT_EQ(rename((dir + "/ReadMe.txt").c_str(), (dir + "/Other.txt").c_str()), 0);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/README.TXT"), dir + "/README.TXT");
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/OTHER.TXT"), dir + "/Other.txt");
  AgeDirectory(dir);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/OTHER.TXT"), dir + "/Other.txt");
  ASSERT_EQ(unlink((dir + "/Other.txt").c_str()), 0);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/OTHER.TXT"), dir + "/OTHER.TXT");

  // the same folder under another name after the kept one is replaced
  AgeDirectory(dir);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/File1.txt"), dir + "/file1.txt");
  fs::rename(dir, dir + "-old");
  fs::create_directories(dir);
  pxtest::WriteFile(dir + "/FILE1.TXT", "y");
  AgeDirectory(dir);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/file1.txt"), dir + "/FILE1.TXT");
}

TEST(Paths, FilesPutInPlaceByThisProcessAreFoundAtOnce) {
  const std::string dir = pxtest::TestRoot() + "/target";
  fs::create_directories(dir);
  AgeDirectory(dir);
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/A.TXT"), dir + "/A.TXT");  // listing kept
  for (const char* name : {"/Setup.EXE", "/a.txt"}) {
    PendingFile f;
    ASSERT_TRUE(f.Create(dir + name, 0644));
    ASSERT_TRUE(f.Commit());
  }
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/A.TXT"), dir + "/a.txt");
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/SETUP.exe"), dir + "/Setup.EXE");
  {
    PendingFile named;  // a named temporary file comes and goes
    ASSERT_TRUE(named.CreateNamed(dir + "/Setup.EXE", 0644));
    ASSERT_TRUE(named.Commit());
  }
  EXPECT_EQ(ResolveCaseInsensitive(dir + "/setup.exe"), dir + "/Setup.EXE");
  // and no temporary names are left behind
  size_t entries = 0;
  for (auto& e : fs::directory_iterator(dir)) entries += e.is_regular_file();
  EXPECT_EQ(entries, 2u);
}
