#include <sys/stat.h>

#include "common/testutil.h"
#include "ixtest.h"
#include "platform/registry.h"

using ixtest::IxStdF;

namespace {

std::string Hive() { return pxtest::ReadFile(pxtest::TestRoot() + "/windows/registry.reg"); }

}  // namespace

TEST_F(IxStdF, SetAndGetRegistryValues) {
  ASSERT_EQ(SetRegistry(HKEY_LOCAL_MACHINE, "Software\\Tervola\\App", "Path", "c:\\app"), 0);
  ASSERT_EQ(SetRegistry(HKEY_LOCAL_MACHINE, "Software\\Tervola\\App", "", "standard"), 0);
  EXPECT_NE(Hive().find("[HKEY_LOCAL_MACHINE\\Software\\Tervola\\App]\n\"Path\"=\"c:\\\\app\"\n"
                        "@=\"standard\"\n"),
            std::string::npos)
      << Hive();
  EXPECT_STREQ(GetRegistry(HKEY_LOCAL_MACHINE, "Software\\Tervola\\App", "Path"), "c:\\app");
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  EXPECT_EQ(Text(), "");
  // empty name: the default value
  EXPECT_STREQ(GetRegistry(HKEY_LOCAL_MACHINE, "software\\tervola\\app", ""), "standard");

  // a name that differs only in case is not found
  EXPECT_EQ(GetRegistry(HKEY_LOCAL_MACHINE, "Software\\Tervola\\App", "PATH"), nullptr);
  EXPECT_EQ(GibLetzteFehlerNr(), IXSTDF_FAILURE);
  EXPECT_EQ(Text(), "Fehler bei GetRegistry: Begriff nicht gefunden");

  // a missing key: the open fails, with the stand-in's code appended
  EXPECT_EQ(GetRegistry(HKEY_LOCAL_MACHINE, "Software\\Nowhere", "x"), nullptr);
  EXPECT_EQ(Text(),
            "Fehler bei GetRegistry: RegOpenKeyEx / LastError: 0x2=2=The system cannot find the "
            "file specified.");
  ixstdf::SetSystemError(0);

  // 256 bytes of data are read whole, 257 are reported as not found
  std::string v255(255, 'x'), v256(256, 'y');
  SetRegistry(HKEY_CURRENT_USER, "K", "a", v255.c_str());  // 256 bytes with its zero
  SetRegistry(HKEY_CURRENT_USER, "K", "b", v256.c_str());  // 257 bytes
  SetRegistry(HKEY_CURRENT_USER, "K", "c", "after");
  EXPECT_EQ(std::string(GetRegistry(HKEY_CURRENT_USER, "K", "a")), v255);
  EXPECT_EQ(GetRegistry(HKEY_CURRENT_USER, "K", "b"), nullptr);
  EXPECT_EQ(Text(), "Fehler bei GetRegistry: Begriff nicht gefunden");
  // a long value before it does not hide a later one
  EXPECT_STREQ(GetRegistry(HKEY_CURRENT_USER, "K", "c"), "after");

  // other types come back as raw bytes with a zero behind them
  {
    platform::HKEY k;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_CURRENT_USER, "K", 0, nullptr, 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &k, nullptr),
              0);
    const uint8_t dw[4] = {0x41, 0x42, 0x00, 0x43};
    platform::RegSetValueEx(k, "d", 0, platform::REG_DWORD, dw, 4);
    platform::RegCloseKey(k);
  }
  char* d = GetRegistry(HKEY_CURRENT_USER, "K", "d");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(std::string(d, 5), std::string("AB\0C\0", 5));

  // the result buffer is the operation's own and is overwritten by its next call
  char* first = GetRegistry(HKEY_CURRENT_USER, "K", "c");
  char* second = GetRegistry(HKEY_LOCAL_MACHINE, "Software\\Tervola\\App", "Path");
  EXPECT_EQ(first, second);

  // roots that are no predefined handle fail, never crash
  HKEY bogus = reinterpret_cast<HKEY>(static_cast<intptr_t>(0x1234));
  EXPECT_EQ(SetRegistry(bogus, "K", "a", "b"), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "Fehler bei SetRegistry: some other problem... / LastError: 0x6=6=The handle is "
            "invalid.");
  EXPECT_EQ(GetRegistry(bogus, "K", "a"), nullptr);
  EXPECT_EQ(DeleteRegistryKey(bogus, "K", "x"), IXSTDF_FAILURE);
  // the same handles passed as 32-bit numbers work
  HKEY narrow = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
  EXPECT_STREQ(GetRegistry(narrow, "K", "c"), "after");
  // a null text is refused, not read
  EXPECT_EQ(SetRegistry(HKEY_CURRENT_USER, "K", "n", nullptr), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "Fehler bei SetRegistry: RegSetValueEx / LastError: 0x57=87=The parameter is "
            "incorrect.");
}

TEST_F(IxStdF, SetRegistryFailuresByCause) {
  // a read-only hive: access denied
  ASSERT_EQ(SetRegistry(HKEY_CURRENT_USER, "A", "v", "1"), 0);
  std::string hive = pxtest::TestRoot() + "/windows/registry.reg";
  chmod(hive.c_str(), 0444);
  // an existing key opens, the write fails; a new key cannot be created
  EXPECT_EQ(SetRegistry(HKEY_CURRENT_USER, "A", "v", "2"), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 37), "Fehler bei SetRegistry: RegSetValueEx");
  EXPECT_EQ(SetRegistry(HKEY_CURRENT_USER, "New", "v", "2"), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 43), "Fehler bei SetRegistry: ERROR_ACCESS_DENIED");
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "New", "B"), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "Fehler bei DeleteRegistryKey/RegCreateKey: ERROR_ACCESS_DENIED / LastError: "
            "0x5=5=Access is denied.");
  chmod(hive.c_str(), 0644);
  // a hive that does not parse: "some other problem", and which line is wrong
  pxtest::WriteFile(hive, "garbage\n");
  EXPECT_EQ(SetRegistry(HKEY_CURRENT_USER, "A", "v", "2"), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "Fehler bei SetRegistry: some other problem... (registry.reg line 1: the file does "
            "not start with REGEDIT4) / LastError: 0x3f1=1009=The configuration registry "
            "database is corrupt.");
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "A", "B"), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 65),
            "Fehler bei DeleteRegistryKey/RegCreateKey: some other problem... ");
  EXPECT_EQ(pxtest::ReadFile(hive), "garbage\n");  // never overwritten
}

TEST_F(IxStdF, DeleteRegistryKey) {
  // a missing key path is created, then the delete of the sub-key fails
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Neu", "Kind"), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "Fehler bei DeleteRegistryKey: RegDeleteKey / LastError: 0x2=2=The system cannot "
            "find the file specified.");
  EXPECT_NE(Hive().find("[HKEY_CURRENT_USER\\Software\\Neu]"), std::string::npos);

  SetRegistry(HKEY_CURRENT_USER, "Software\\Neu\\Kind", "v", "1");
  SetRegistry(HKEY_CURRENT_USER, "Software\\Neu\\Kind\\Enkel", "v", "1");
  // a key with sub-keys stays, as on NT
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Neu", "Kind"), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 42), "Fehler bei DeleteRegistryKey: RegDeleteKey");
  ixstdf::SetSystemError(0);
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Neu\\Kind", "enkel"), 0);
  EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Neu", "Kind"), 0);
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(Hive().find("Kind"), std::string::npos) << Hive();
}

TEST_F(IxStdF, QueryRegistryReplacesTheFirstMatchInStringValues) {
  SetRegistry(HKEY_CURRENT_USER, "Software\\A", "p", "c:\\old\\x;c:\\old\\y");
  SetRegistry(HKEY_CURRENT_USER, "Software\\A\\B\\C", "deep", "C:\\OLD");
  SetRegistry(HKEY_CURRENT_USER, "Software\\A", "other", "nothing here");
  SetRegistry(HKEY_CURRENT_USER, "Environment", "q", "pre c:\\Old post");
  SetRegistry(HKEY_CURRENT_USER, "Software\\A", "long",
              (std::string(250, 'z') + "c:\\old").c_str());
  {
    platform::HKEY k;
    platform::RegCreateKeyEx(platform::HKEY_CURRENT_USER, "Software\\A", 0, nullptr, 0,
                             platform::KEY_ALL_ACCESS, nullptr, &k, nullptr);
    platform::RegSetValueEx(k, "bin", 0, platform::REG_BINARY,
                            reinterpret_cast<const uint8_t*>("c:\\old"), 6);
    platform::RegCloseKey(k);
  }
  std::string before = Hive();

  // lower-case search text and empty replacement or search change nothing
  EXPECT_EQ(QueryRegistry(HKEY_CURRENT_USER, "c:\\old", "d:\\new"), 0);
  EXPECT_EQ(QueryRegistry(HKEY_CURRENT_USER, "C:\\OLD", ""), 0);
  EXPECT_EQ(QueryRegistry(HKEY_CURRENT_USER, "", "d:\\new"), 0);
  EXPECT_EQ(Hive(), before);

  EXPECT_EQ(QueryRegistry(HKEY_CURRENT_USER, "C:\\OLD", "d:\\new"), 0);
  EXPECT_STREQ(GetRegistry(HKEY_CURRENT_USER, "Software\\A", "p"), "d:\\new\\x;c:\\old\\y");
  EXPECT_STREQ(GetRegistry(HKEY_CURRENT_USER, "Software\\A\\B\\C", "deep"), "d:\\new");
  EXPECT_STREQ(GetRegistry(HKEY_CURRENT_USER, "Environment", "q"), "pre d:\\new post");
  EXPECT_STREQ(GetRegistry(HKEY_CURRENT_USER, "Software\\A", "other"), "nothing here");
  // a value longer than 256 bytes and a binary value are left alone
  EXPECT_EQ(GetRegistry(HKEY_CURRENT_USER, "Software\\A", "long"), nullptr);
  EXPECT_NE(Hive().find(std::string(250, 'z') + "c:\\\\old"), std::string::npos);
  EXPECT_NE(Hive().find("\"bin\"=hex:63,3a,5c,6f,6c,64"), std::string::npos) << Hive();

  // another root: only the sub-trees whose top-level names HKCU also has
  SetRegistry(HKEY_LOCAL_MACHINE, "Software\\X", "v", "C:\\OLD\\bin");
  SetRegistry(HKEY_LOCAL_MACHINE, "System\\X", "v", "C:\\OLD\\bin");
  EXPECT_EQ(QueryRegistry(HKEY_LOCAL_MACHINE, "C:\\OLD", "e:"), 0);
  EXPECT_STREQ(GetRegistry(HKEY_LOCAL_MACHINE, "Software\\X", "v"), "e:\\bin");
  EXPECT_STREQ(GetRegistry(HKEY_LOCAL_MACHINE, "System\\X", "v"), "C:\\OLD\\bin");
}
