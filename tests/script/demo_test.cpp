// The sample installation that `make run` shows, through the real program.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/testutil.h"
#include "platform/profile.h"
#include "platform/registry.h"

TEST(DemoInstallation, InstallsFilesIniRegistryItemAndLog) {
  const std::string prefix = pxtest::TestRoot() + "/prefix";
  setenv("DEMO_PREFIX", prefix.c_str(), 1);
  const std::string src = std::string(PX_SOURCE_DIR) + "/examples";
  ASSERT_EQ(pxtest::Run({pxtest::BuiltProgram("instari"), src + "/demo.inf", src + "/demo"}), 0);
  unsetenv("DEMO_PREFIX");

  EXPECT_EQ(pxtest::ReadFile(prefix + "/readme.txt"), pxtest::ReadFile(src + "/demo/readme.txt"));
  struct stat st;
  ASSERT_EQ(stat((prefix + "/bin/hello.sh").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);  // still a program after the copy
  EXPECT_EQ(platform::GetPrivateProfileString("Install", "Prefix", "", "demo.ini"), prefix);

  platform::HKEY key;
  ASSERT_EQ(platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, "Software\\Tervola\\Demo", 0,
                                   platform::KEY_READ, &key),
            0);
  char value[512];
  uint32_t size = sizeof value, type = 0;
  ASSERT_EQ(platform::RegQueryValueEx(key, "Path", nullptr, &type,
                                      reinterpret_cast<uint8_t*>(value), &size),
            0);
  EXPECT_EQ(std::string(value), prefix);
  platform::RegCloseKey(key);

  const std::string windir = pxtest::TestRoot() + "/windows";
  EXPECT_TRUE(std::filesystem::exists(windir + "/Start Menu/Programs/Tervola Demo/Hello.LNK"));
  const std::string log = pxtest::ReadFile(prefix + "/install.log");
  EXPECT_NE(log.find("Ok      CopyFile hello.sh \t" + prefix + "/bin/hello.sh\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("start-menu item result 1\n"), std::string::npos) << log;
  // no error report was needed
  EXPECT_FALSE(std::filesystem::exists(windir + "/instari.err"));
}
