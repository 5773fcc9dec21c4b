// Volume labels through the mount table and the by-label links.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "common/testutil.h"
#include "platform/volume.h"

TEST(Volume, LabelOfTheMountedDevice) {
  std::string dir = pxtest::TestRoot();
  struct stat st;
  ASSERT_EQ(stat(dir.c_str(), &st), 0);
  std::string device = dir + "/sdz1", other = dir + "/sdz2";
  pxtest::WriteFile(device, "");
  pxtest::WriteFile(other, "");
  std::filesystem::create_directories(dir + "/by-label");
  ASSERT_EQ(symlink("../sdz2", (dir + "/by-label/OTHER").c_str()), 0);
  ASSERT_EQ(symlink("../sdz1", (dir + "/by-label/MY\\x20DISK").c_str()), 0);
  char devno[32];
  snprintf(devno, sizeof devno, "%u:%u", major(st.st_dev), minor(st.st_dev));
  pxtest::WriteFile(dir + "/mountinfo",
                    "21 1 0:99 / /proc rw - proc proc rw\n"
                    "22 1 " +
                        std::string(devno) + " / / rw,relatime - ext4 " + device + " rw\n");
  EXPECT_EQ(platform::VolumeLabelOf(dir, dir + "/mountinfo", dir + "/by-label"), "MY DISK");
  // a file system without a device, or a device without a label
  pxtest::WriteFile(dir + "/mountinfo2",
                    "22 1 " + std::string(devno) + " / / rw - tmpfs tmpfs rw\n");
  EXPECT_EQ(platform::VolumeLabelOf(dir, dir + "/mountinfo2", dir + "/by-label"), std::nullopt);
  std::filesystem::remove(dir + "/by-label/MY\\x20DISK");
  EXPECT_EQ(platform::VolumeLabelOf(dir, dir + "/mountinfo", dir + "/by-label"), std::nullopt);
  EXPECT_EQ(platform::VolumeLabelOf(dir + "/missing", dir + "/mountinfo", dir + "/by-label"),
            std::nullopt);
  EXPECT_EQ(platform::DiskSpaceOf(""), std::nullopt);
}
