// Registry and INI commands.

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/profile.h"
#include "platform/registry.h"

using scripttest::Harness;

namespace {

std::string Reg(HKEY root, const char* key, const char* name) {
  const char* v = GetRegistry(root, key, name);
  return v ? v : "<none>";
}

void SetTyped(platform::HKEY root, const char* key, const char* name, uint32_t type,
              const std::string& data) {
  platform::HKEY k = nullptr;
  ASSERT_EQ(platform::RegCreateKeyEx(root, key, 0, nullptr, 0, platform::KEY_ALL_ACCESS, nullptr,
                                     &k, nullptr),
            0);
  ASSERT_EQ(platform::RegSetValueEx(k, name, 0, type, reinterpret_cast<const uint8_t*>(data.data()),
                                    static_cast<uint32_t>(data.size())),
            0);
  platform::RegCloseKey(k);
}

}  // namespace

TEST(RegistryCommands, GetSetDeleteAndRoots) {
  Harness h;
  h.Run(
      "setregistry HKEY_LOCAL_MACHINE 'Software\\Example' 'Path' 'c:\\prog'\n"
      "e1 = __error__\n"
      "p = getregistry HKEY_LOCAL_MACHINE 'Software\\Example' 'Path'\n"
      "e2 = __Error__\n"
      "x = 'before'\n"
      "x = getregistry HKEY_LOCAL_MACHINE 'Software\\Example' 'Unknown'\n"
      "e3 = __error__\n"
      "E3 = __Error__\n"
      // a root is taken exactly as written; anything else fails without a message
      "setregistry hkey_local_machine 'Software\\Example' 'Lower' '1'\n"
      "e4 = __error__\n"
      "y = getregistry 'HKEY_LOCAL_MACHINE' 'Software\\Example' 'Path'\n"
      "root = 'HKEY_CURRENT_USER'\n"
      "setregistry root 'Software\\Example' 'ViaField' 'f'\n"
      "vf = getregistry HKEY_CURRENT_USER 'Software\\Example' 'ViaField'\n"
      "setregistry HKEY_CURRENT_CONFIG 'Software\\Example' 'Config' 'c'\n"
      "e5 = __error__\n"
      "setregistry HKEY_USERS '.DEFAULT\\Software' 'U' 'u'\n"
      "setregistry HKEY_CLASSES_ROOT '.pxi' '' 'Prentix.Image'\n"
      "deleteregistry HKEY_CURRENT_USER 'Software' 'Gone'\n"
      "e6 = __error__\n"
      "deleteregistry HKEY_CURRENT_USER 'Software' 'Example'\n"
      "e7 = __error__\n");
  EXPECT_TRUE(h.Reports().empty());
  EXPECT_EQ(h.F("e1"), "1");
  EXPECT_EQ(h.F("p"), "c:\\prog");
  EXPECT_EQ(h.F("e2"), "0");
  EXPECT_EQ(h.F("x"), "before");  // unknown value: target unchanged
  EXPECT_EQ(h.F("e3"), "0");
  EXPECT_EQ(h.F("E3"), "1");
  EXPECT_EQ(h.F("e4"), "0");
  EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, "Software\\Example", "Lower"), "<none>");
  EXPECT_EQ(h.F("y"), "c:\\prog");
  EXPECT_EQ(h.F("vf"), "f");
  EXPECT_EQ(h.F("e5"), "0");  // HKEY_CURRENT_CONFIG is not a script root
  EXPECT_EQ(Reg(HKEY_CURRENT_CONFIG, "Software\\Example", "Config"), "<none>");
  EXPECT_EQ(Reg(HKEY_USERS, ".DEFAULT\\Software", "U"), "u");
  EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, "Software\\Classes\\.pxi", ""), "Prentix.Image");
  // deleting a key that is not there fails; one with no sub-keys goes
  EXPECT_EQ(h.F("e6"), "0");
  EXPECT_EQ(h.F("e7"), "1");
  EXPECT_EQ(Reg(HKEY_CURRENT_USER, "Software\\Example", "ViaField"), "<none>");
}

TEST(RegistryCommands, WholeRegistrySearchAndReplace) {
  ASSERT_EQ(SetRegistry(HKEY_CURRENT_USER, "Software\\Example", "Path", "c:\\old\\x;c:\\old\\y"),
            0);
  ASSERT_EQ(SetRegistry(HKEY_CURRENT_USER, "Software\\Example", "Other", "nothing here"), 0);
  ASSERT_EQ(SetRegistry(HKEY_CURRENT_USER, "Software\\Example\\Sub", "P2", "C:\\OLD\\z"), 0);
  ASSERT_EQ(SetRegistry(HKEY_LOCAL_MACHINE, "Software\\Example", "Path", "c:\\Old\\lm"), 0);
  // not below a top-level name of HKEY_CURRENT_USER: never visited
  ASSERT_EQ(SetRegistry(HKEY_LOCAL_MACHINE, "System\\X", "Path", "c:\\old\\sys"), 0);
  SetTyped(platform::HKEY_CURRENT_USER, "Software\\Example", "Expand", platform::REG_EXPAND_SZ,
           std::string("c:\\old\\e\0", 9));

  std::string logPath = pxtest::TestRoot() + "/get.log";
  Harness g;
  g.Run("log = fopen '" + logPath +
        "' 'w'\n"
        "__error__ = 'x'\n"
        "getregistryall 'c:\\old' log\n"
        "e = __error__\n"
        "fclose log\n");
  EXPECT_TRUE(g.Reports().empty());
  EXPECT_EQ(g.F("e"), "1");
  EXPECT_EQ(pxtest::ReadFile(logPath),
            "GetRegistryAll: HKEY_CURRENT_USER\n"
            "\tSoftware\\Example\n\t\tPath = c:\\old\\x;c:\\old\\y\n"
            "\tSoftware\\Example\\Sub\n\t\tP2 = C:\\OLD\\z\n"
            "GetRegistryAll: HKEY_LOCAL_MACHINE\n"
            "\tSoftware\\Example\n\t\tPath = c:\\Old\\lm\n"
            "GetRegistryAll: HKEY_CLASSES_ROOT\n"
            "GetRegistryAll: HKEY_CURRENT_CONFIG\n");
  EXPECT_EQ(Reg(HKEY_CURRENT_USER, "Software\\Example", "Path"), "c:\\old\\x;c:\\old\\y");

  std::string setLog = pxtest::TestRoot() + "/set.log";
  Harness s;
  s.Run("log = fopen '" + setLog +
        "' 'w'\nsetregistryall 'C:\\OLD' 'd:\\dst' log\ne = __error__\n"
        "fclose log\n"
        // handle 0 logs nothing, and an empty search text changes nothing
        "none = '0'\nsetregistryall 'd:\\dst' 'e:\\' none\nsetregistryall '' 'X' none\n");
  EXPECT_TRUE(s.Reports().empty());
  EXPECT_EQ(s.F("e"), "1");
  EXPECT_EQ(
      pxtest::ReadFile(setLog),
      "SetRegistryAll: HKEY_CURRENT_USER\n"
      "\tSoftware\\Example\n\t\tPath = c:\\old\\x;c:\\old\\y\n\t\tPath = d:\\dst\\x;c:\\old\\y\n"
      "\tSoftware\\Example\\Sub\n\t\tP2 = C:\\OLD\\z\n\t\tP2 = d:\\dst\\z\n"
      "SetRegistryAll: HKEY_LOCAL_MACHINE\n"
      "\tSoftware\\Example\n\t\tPath = c:\\Old\\lm\n\t\tPath = d:\\dst\\lm\n"
      "SetRegistryAll: HKEY_CLASSES_ROOT\n"
      "SetRegistryAll: HKEY_CURRENT_CONFIG\n");
  // the second run replaced d:\new by e:\ once more in each value
  EXPECT_EQ(Reg(HKEY_CURRENT_USER, "Software\\Example", "Path"), "e:\\\\x;c:\\old\\y");
  EXPECT_EQ(Reg(HKEY_CURRENT_USER, "Software\\Example\\Sub", "P2"), "e:\\\\z");
  EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, "Software\\Example", "Path"), "e:\\\\lm");
  EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, "System\\X", "Path"), "c:\\old\\sys");
  EXPECT_EQ(Reg(HKEY_CURRENT_USER, "Software\\Example", "Other"), "nothing here");
  EXPECT_EQ(std::string(GetRegistry(HKEY_CURRENT_USER, "Software\\Example", "Expand"), 8),
            "c:\\old\\e");
}

TEST(IniCommands, WriteReadAndLimits) {
  Harness h;
  std::string longValue(300, 'v');
  h.Run(
      "setinifile 'app.ini' 'Setup' 'Dir' 'c:\\prog'\n"
      "e1 = __error__\n"
      "d = getinifile 'app.ini' 'SETUP' 'dir'\n"
      "e2 = __error__\n"
      "m = 'old'\n"
      "m = getinifile 'app.ini' 'Setup' 'Missing'\n"
      "e3 = __error__\n"
      "setinifile 'app.ini' 'Setup' 'Long' '" +
      longValue +
      "'\n"
      "l = getinifile 'app.ini' 'Setup' 'Long'\n"
      "n = getinifile 'nofile.ini' 'Setup' 'Dir'\n"
      "e4 = __Error__\n"
      "setinifile 'app.ini' 'Bad]Name' 'k' 'v'\n"
      "e5 = __error__\n");
  EXPECT_TRUE(h.Reports().empty());
  EXPECT_EQ(h.F("e1"), "1");
  EXPECT_EQ(h.F("d"), "c:\\prog");
  EXPECT_EQ(h.F("e2"), "1");
  EXPECT_EQ(h.F("m"), "");
  EXPECT_EQ(h.F("e3"), "0");
  EXPECT_EQ(h.F("l"), std::string(255, 'v'));
  EXPECT_EQ(h.F("n"), "");
  EXPECT_EQ(h.F("e4"), "1");
  EXPECT_EQ(h.F("e5"), "0");
  EXPECT_EQ(pxtest::ReadFile(pxtest::TestRoot() + "/windows/app.ini"),
            "[Setup]\nDir=c:\\prog\nLong=" + longValue + "\n");
}
