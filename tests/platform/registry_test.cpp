#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/testutil.h"

using namespace platform;
using pxtest::ReadFile;
using pxtest::WriteFile;

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint32_t Size(const std::string& s) { return static_cast<uint32_t>(s.size()); }

// A string value as Win32 callers store it: with its terminating zero.
int32_t SetSz(HKEY key, const char* name, const std::string& text, uint32_t type = REG_SZ) {
  std::string data = text + '\0';
  return RegSetValueEx(key, name, 0, type, Bytes(data), Size(data));
}

// The value's type and bytes, or the error.
struct Got {
  int32_t rc = -1;
  uint32_t type = 0xdead;
  std::string data;
};
Got Query(HKEY key, const char* name) {
  Got g;
  uint32_t size = 0;
  g.rc = RegQueryValueEx(key, name, nullptr, &g.type, nullptr, &size);
  if (g.rc != ERROR_SUCCESS) return g;
  g.data.resize(size);
  g.rc = RegQueryValueEx(key, name, nullptr, &g.type, reinterpret_cast<uint8_t*>(g.data.data()),
                         &size);
  g.data.resize(size);
  return g;
}

HKEY Create(HKEY root, const char* path, uint32_t* disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           &key, disposition),
            ERROR_SUCCESS)
      << path;
  return key;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t n = sizeof name;
    if (RegEnumValue(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.emplace_back(name, n);
  }
  return out;
}

std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t n = sizeof name;
    if (RegEnumKeyEx(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.emplace_back(name, n);
  }
  return out;
}

}  // namespace

TEST(Registry, WritesThisExactHiveFile) {
  uint32_t disposition = 0;
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Tervola\\Prentix", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(SetSz(key, "hwnd", "-12345"), ERROR_SUCCESS);
  ASSERT_EQ(SetSz(key, nullptr, "default \"quoted\" C:\\Temp"), ERROR_SUCCESS);
  uint32_t answer = 42;
  ASSERT_EQ(RegSetValueEx(key, "Answer", 0, REG_DWORD, reinterpret_cast<uint8_t*>(&answer), 4),
            ERROR_SUCCESS);
  const std::string blob("\x01\xff\x00", 3);
  ASSERT_EQ(RegSetValueEx(key, "Blob", 0, REG_BINARY, Bytes(blob), Size(blob)), ERROR_SUCCESS);
  ASSERT_EQ(SetSz(key, "Path", "%WINDIR%", REG_EXPAND_SZ), ERROR_SUCCESS);
  const std::string multi("a\0bc\0\0", 6);
  ASSERT_EQ(RegSetValueEx(key, "List", 0, REG_MULTI_SZ, Bytes(multi), Size(multi)), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  HKEY user = Create(HKEY_CURRENT_USER, "Network\\G");
  ASSERT_EQ(SetSz(user, "RemotePath", "/srv/share"), ERROR_SUCCESS);
  RegCloseKey(user);

  EXPECT_EQ(ReadFile(RegistryFilePath()),
            "REGEDIT4\n"
            "\n"
            "[HKEY_CURRENT_USER\\Network]\n"
            "\n"
            "[HKEY_CURRENT_USER\\Network\\G]\n"
            "\"RemotePath\"=\"/srv/share\"\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Tervola]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Tervola\\Prentix]\n"
            "\"hwnd\"=\"-12345\"\n"
            "@=\"default \\\"quoted\\\" C:\\\\Temp\"\n"
            "\"Answer\"=dword:0000002a\n"
            "\"Blob\"=hex:01,ff,00\n"
            "\"Path\"=hex(2):25,57,49,4e,44,49,52,25,00\n"
            "\"List\"=hex(7):61,00,62,63,00,00\n"
            "\n");
}

TEST(Registry, EveryValueTypeRoundTripsThroughTheFile) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Round \"Trip\"\\a=b");
  struct Case {
    std::string name;
    uint32_t type;
    std::string data;
  };
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
  const std::vector<Case> cases = {
      {"plain", REG_SZ, std::string("Größe \"in\" C:\\Temp\\ = 1; [x]\0", 31)},
      {"na\"me\\with=equals ü", REG_SZ, std::string("\0", 1)},
      {"", REG_SZ, std::string("default\0", 8)},
      {"@", REG_SZ, std::string("not the default\0", 16)},
      {"expand", REG_EXPAND_SZ, std::string("%PATH%;ö\0", 10)},
      {"multi", REG_MULTI_SZ, std::string("one\0zwei\0drei ü\0\0", 18)},
      {"dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
      {"binary", REG_BINARY, allBytes},
      {"empty binary", REG_BINARY, ""},
      // data the string form cannot carry go as byte lists, unchanged
      {"no zero", REG_SZ, "abc"},
      {"line break", REG_SZ, std::string("a\r\nb\0", 5)},
      {"inner zero", REG_SZ, std::string("a\0b\0", 4)},
      {"empty sz", REG_SZ, ""},
      {"short dword", REG_DWORD, "\x01\x02"},
      {"none", REG_NONE, "\x05"},
      {"qword", 11, std::string("\x01\0\0\0\0\0\0\x80", 8)},
      {"big type", 0xfedcba98u, "z"},
  };
  for (const auto& c : cases)
    ASSERT_EQ(RegSetValueEx(key, c.name.c_str(), 0, c.type, Bytes(c.data), Size(c.data)),
              ERROR_SUCCESS)
        << c.name;
  RegCloseKey(key);

  const std::string text = ReadFile(RegistryFilePath());
  EXPECT_NE(text.find("\"plain\"=\"Größe \\\"in\\\" C:\\\\Temp\\\\ = 1; [x]\"\n"),
            std::string::npos);
  EXPECT_NE(text.find("\"na\\\"me\\\\with=equals ü\"=\"\"\n"), std::string::npos);
  EXPECT_NE(text.find("\n@=\"default\"\n\"@\"=\"not the default\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"dword\"=dword:12345678\n"), std::string::npos);
  EXPECT_NE(text.find("\"no zero\"=hex(1):61,62,63\n"), std::string::npos);
  EXPECT_NE(text.find("\"empty sz\"=hex(1):\n"), std::string::npos);
  EXPECT_NE(text.find("\"short dword\"=hex(4):01,02\n"), std::string::npos);
  EXPECT_NE(text.find("\"big type\"=hex(fedcba98):7a\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Round \"Trip\"\\a=b]\n"), std::string::npos);
  // the 256-byte list is wrapped: no line longer than 80 columns, breaks after
  // a comma and a backslash, continuation lines indented by two blanks
  size_t start = text.find("\"binary\"=hex:00,01,");
  ASSERT_NE(start, std::string::npos);
  size_t lines = 0;
  for (size_t pos = start;;) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl - pos);
    EXPECT_LE(line.size(), 80u) << line;
    ++lines;
    if (line.back() != '\\') {
      EXPECT_EQ(line.substr(line.size() - 5), "fe,ff");
      break;
    }
    EXPECT_EQ(line.substr(line.size() - 2), ",\\");
    EXPECT_EQ(text.substr(nl + 1, 2), "  ");
    pos = nl + 1;
  }
  EXPECT_EQ(lines, 11u);  // 25 bytes to a continuation line

  // parsed back, the file gives the same hive, and writing it again the same text
  auto hive = RegHive::Parse(text);
  ASSERT_TRUE(hive);
  EXPECT_EQ(hive->Serialize(), text);

  // and every value reads back byte for byte, in the order written
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\ROUND \"TRIP\"\\A=B", 0, KEY_READ, &again),
            ERROR_SUCCESS);
  std::vector<std::string> names;
  for (const auto& c : cases) {
    Got g = Query(again, c.name.c_str());
    EXPECT_EQ(g.rc, ERROR_SUCCESS) << c.name;
    EXPECT_EQ(g.type, c.type) << c.name;
    EXPECT_EQ(g.data, c.data) << c.name;
    names.push_back(c.name);
  }
  EXPECT_EQ(ValueNames(again), names);
  RegCloseKey(again);
}

TEST(Registry, QueryReportsSizesAndMoreDataLikeWin32) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Tervola\\Prentix");
  ASSERT_EQ(SetSz(key, "hwnd", "123456"), ERROR_SUCCESS);  // 7 bytes with its zero
  uint32_t type = 0, size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "hwnd", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 7u);
  uint8_t buf[16];
  memset(buf, 'x', sizeof buf);
  size = 6;
  type = 0;
  EXPECT_EQ(RegQueryValueEx(key, "hwnd", nullptr, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(buf[0], 'x');  // nothing copied
  size = 7;
  EXPECT_EQ(RegQueryValueEx(key, "hwnd", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), std::string("123456\0", 7));
  EXPECT_EQ(buf[7], 'x');
  EXPECT_EQ(RegQueryValueEx(key, "hwnd", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueEx(key, "hwnd", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueEx(key, "missing", nullptr, &type, buf, &size), ERROR_FILE_NOT_FOUND);
  // an empty value: size 0, nothing copied
  ASSERT_EQ(RegSetValueEx(key, "empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueEx(key, "empty", nullptr, &type, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(RegSetValueEx(key, "bad", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetSz(key, "two\nlines", "x"), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST(Registry, ValuesEnumerateInInsertionOrderWithWin32BufferRules) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Order");
  for (const char* n : {"zeta", "Alpha", "mid", "hwnd"}) ASSERT_EQ(SetSz(key, n, n), ERROR_SUCCESS);
  // a rewrite keeps the place and the first spelling of the name
  ASSERT_EQ(SetSz(key, "ALPHA", "second"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"zeta", "Alpha", "mid", "hwnd"}));
  EXPECT_EQ(Query(key, "alpha").data, std::string("second\0", 7));

  char name[8];
  uint8_t data[8];
  uint32_t nameSize = 6, size = sizeof data, type = 0;
  // "Alpha" and its zero fit a buffer of 6 exactly
  EXPECT_EQ(RegEnumValue(key, 1, name, &nameSize, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 5u);
  EXPECT_STREQ(name, "Alpha");
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(type, REG_SZ);
  // one byte less: more data, and the size is left as it was
  nameSize = 5;
  EXPECT_EQ(RegEnumValue(key, 1, name, &nameSize, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(nameSize, 5u);
  // data too large: more data with the size needed, the name is there
  nameSize = sizeof name;
  size = 6;
  memset(name, 0, sizeof name);
  EXPECT_EQ(RegEnumValue(key, 1, name, &nameSize, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  EXPECT_STREQ(name, "Alpha");
  // null data buffer: the size only
  nameSize = sizeof name;
  size = 0;
  EXPECT_EQ(RegEnumValue(key, 0, name, &nameSize, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValue(key, 4, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumValue(key, 0, nullptr, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);

  // deleting moves the later values up; a new value goes to the end
  EXPECT_EQ(RegDeleteValue(key, "MID"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "mid"), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(SetSz(key, "new", "n"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"zeta", "Alpha", "hwnd", "new"}));
  RegCloseKey(key);

  // the hook's reading: KEY_READ, enumerate with 256/256 until "hwnd"
  HKEY read = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Order", 0, KEY_READ, &read), ERROR_SUCCESS);
  std::string found;
  for (uint32_t i = 0;; ++i) {
    char n[256];
    uint8_t d[256];
    uint32_t ns = sizeof n, ds = sizeof d;
    if (RegEnumValue(read, i, n, &ns, nullptr, nullptr, d, &ds) != ERROR_SUCCESS) break;
    if (strcmp(n, "hwnd") == 0) found.assign(reinterpret_cast<char*>(d), ds);
  }
  EXPECT_EQ(found, std::string("hwnd\0", 5));
  // a read handle does not write
  EXPECT_EQ(SetSz(read, "hwnd", "1"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValue(read, "hwnd"), ERROR_ACCESS_DENIED);
  RegCloseKey(read);
}

TEST(Registry, SubkeysEnumerateInNameOrderAndKeyNamesIgnoreCase) {
  HKEY root = Create(HKEY_CURRENT_USER, "Software\\Keys");
  for (const char* n : {"beta", "Alpha", "GAMMA", "_under", "alpha2"}) {
    HKEY k = Create(root, n);
    RegCloseKey(k);
  }
  EXPECT_EQ(SubkeyNames(root),
            (std::vector<std::string>{"Alpha", "alpha2", "beta", "GAMMA", "_under"}));
  uint32_t disposition = 0;
  HKEY again = Create(HKEY_CURRENT_USER, "SOFTWARE\\keys\\ALPHA", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(again);
  EXPECT_EQ(SubkeyNames(root).size(), 5u);  // no twin
  EXPECT_EQ(ReadFile(RegistryFilePath()).find("ALPHA"), std::string::npos);

  char name[6];
  uint32_t size = 6;
  EXPECT_EQ(RegEnumKeyEx(root, 1, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);  // "alpha2" needs 7
  size = 7;
  char big[7];
  char cls[4] = "xyz";
  uint32_t clsSize = sizeof cls;
  uint64_t time = ~0ull;
  EXPECT_EQ(RegEnumKeyEx(root, 1, big, &size, nullptr, cls, &clsSize, &time), ERROR_SUCCESS);
  EXPECT_STREQ(big, "alpha2");
  EXPECT_EQ(size, 6u);
  EXPECT_STREQ(cls, "");
  EXPECT_EQ(time, 0u);
  size = sizeof big;
  EXPECT_EQ(RegEnumKeyEx(root, 5, big, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  // open with another spelling; paths with a stray backslash
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\KEYS\\gamma\\", 0, KEY_READ, &k),
            ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &k), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\\\Keys", 0, KEY_READ, &k),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nope", 0, KEY_READ, &k),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(k, nullptr);
  RegCloseKey(root);
}

TEST(Registry, DeleteKeyRefusesKeysWithSubkeysAsOnNT) {
  HKEY leaf = Create(HKEY_LOCAL_MACHINE, "Software\\Del\\Parent\\Child");
  ASSERT_EQ(SetSz(leaf, "v", "1"), ERROR_SUCCESS);
  HKEY del = Create(HKEY_LOCAL_MACHINE, "Software\\Del");
  const std::string before = ReadFile(RegistryFilePath());
  EXPECT_EQ(RegDeleteKey(del, "Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadFile(RegistryFilePath()), before);
  EXPECT_EQ(RegDeleteKey(del, "parent\\CHILD"), ERROR_SUCCESS);  // values go with it
  EXPECT_EQ(RegDeleteKey(del, "Parent\\Child"), ERROR_FILE_NOT_FOUND);
  // the open handle now names a deleted key
  EXPECT_EQ(Query(leaf, "v").rc, ERROR_KEY_DELETED);
  EXPECT_EQ(SetSz(leaf, "v", "2"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(leaf), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(del, "Parent"), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(del), std::vector<std::string>{});
  // "" deletes the handle's own key; roots cannot go
  EXPECT_EQ(RegDeleteKey(del, ""), ERROR_SUCCESS);
  RegCloseKey(del);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadFile(RegistryFilePath()), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n");
}

TEST(Registry, DefaultValueIsTheEmptyName) {
  HKEY key = Create(HKEY_CLASSES_ROOT, ".pxi");
  EXPECT_EQ(Query(key, nullptr).rc, ERROR_FILE_NOT_FOUND);  // NT: no default until set
  ASSERT_EQ(SetSz(key, "", "Prentix.Image"), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, nullptr).data, std::string("Prentix.Image\0", 14));
  ASSERT_EQ(SetSz(key, nullptr, "Prentix.Picture"), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, "").data, std::string("Prentix.Picture\0", 16));
  ASSERT_EQ(SetSz(key, "@", "at"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"", "@"}));
  EXPECT_EQ(RegDeleteValue(key, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, "").rc, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Query(key, "@").data, std::string("at\0", 3));
  RegCloseKey(key);
}

TEST(Registry, ClassesRootIsAViewOfLocalMachineSoftwareClasses) {
  // nothing there yet: the view is empty, not missing
  char name[64];
  uint32_t size = sizeof name;
  EXPECT_EQ(RegEnumKeyEx(HKEY_CLASSES_ROOT, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(Query(HKEY_CLASSES_ROOT, "x").rc, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValue(HKEY_CLASSES_ROOT, "x"), ERROR_FILE_NOT_FOUND);

  HKEY viaClasses = Create(HKEY_CLASSES_ROOT, "Prentix.Image\\shell\\open\\command");
  ASSERT_EQ(SetSz(viaClasses, nullptr, "prentix \"%1\""), ERROR_SUCCESS);
  ASSERT_EQ(SetSz(HKEY_CLASSES_ROOT, "RootValue", "r"), ERROR_SUCCESS);
  HKEY viaMachine = nullptr;
  ASSERT_EQ(
      RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\prentix.image\\Shell\\Open\\Command", 0,
                   KEY_READ, &viaMachine),
      ERROR_SUCCESS);
  EXPECT_EQ(Query(viaMachine, "").data, std::string("prentix \"%1\"\0", 13));
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "RootValue").rc, ERROR_FILE_NOT_FOUND);
  HKEY classes = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes", 0, KEY_READ, &classes),
            ERROR_SUCCESS);
  EXPECT_EQ(Query(classes, "RootValue").data, std::string("r\0", 2));
  RegCloseKey(classes);
  RegCloseKey(viaMachine);
  RegCloseKey(viaClasses);
  const std::string text = ReadFile(RegistryFilePath());
  EXPECT_EQ(text.find("HKEY_CLASSES_ROOT"), std::string::npos);  // stored once, under HKLM
  EXPECT_NE(
      text.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\Prentix.Image\\shell\\open\\command]\n"
                "@=\"prentix \\\"%1\\\"\"\n"),
      std::string::npos);

  // a hand-written HKEY_CLASSES_ROOT line lands there, too
  WriteFile(RegistryFilePath(), "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\.pxi]\n@=\"Prentix.Image\"\n");
  HKEY ext = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\.PXI", 0, KEY_READ, &ext),
            ERROR_SUCCESS);
  EXPECT_EQ(Query(ext, nullptr).data, std::string("Prentix.Image\0", 14));
  RegCloseKey(ext);
  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, ".pxi"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, ".pxi", 0, KEY_READ, &ext), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, BadHandlesFailWithoutCrashing) {
  HKEY key = Create(HKEY_USERS, "S-1\\Software");
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  const HKEY perfData = reinterpret_cast<HKEY>(static_cast<intptr_t>(int32_t(0x80000004u)));
  for (HKEY bad : {HKEY(nullptr), key, reinterpret_cast<HKEY>(uintptr_t(0x12345)), perfData}) {
    char name[16];
    uint8_t data[16];
    uint32_t ns = sizeof name, ds = sizeof data;
    HKEY out = reinterpret_cast<HKEY>(uintptr_t(1));
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyEx(bad, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(RegCreateKeyEx(bad, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetSz(bad, "v", "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(bad, "v", nullptr, nullptr, data, &ds), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValue(bad, 0, name, &ns, nullptr, nullptr, data, &ds), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyEx(bad, 0, name, &ns, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKey(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValue(bad, "v"), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(RegOpenKeyEx(HKEY_USERS, "S-1", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  // predefined handles need no opening, close harmlessly, and the value cut
  // to 32 bits names the same root
  EXPECT_EQ(RegCloseKey(HKEY_USERS), ERROR_SUCCESS);
  const HKEY users32 = reinterpret_cast<HKEY>(uintptr_t(0x80000003u));
  EXPECT_EQ(SubkeyNames(users32), std::vector<std::string>{"S-1"});
  EXPECT_EQ(SubkeyNames(HKEY_USERS), std::vector<std::string>{"S-1"});
  HKEY same = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_USERS, nullptr, 0, KEY_READ, &same), ERROR_SUCCESS);
  EXPECT_EQ(same, HKEY_USERS);
}

TEST(Registry, ASecondProcessSeesEveryValueAtOnce) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Tervola\\Prentix");
  ASSERT_EQ(SetSz(key, "hwnd", "1000"), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, "hwnd").data, std::string("1000\0", 5));  // cached by this process now
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t kid = fork();
  ASSERT_GE(kid, 0);
  if (kid == 0) {
    // rewrites of the same size in quick succession: each must be seen
    bool ok = true;
    for (int i = 1001; i < 1100 && ok; ++i) {
      ok = SetSz(HKEY_LOCAL_MACHINE, "x", "y") == ERROR_SUCCESS;  // root values work too
      HKEY k = nullptr;
      ok = ok && RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Tervola\\Prentix", 0, KEY_WRITE, &k) ==
                     ERROR_SUCCESS;
      ok = ok && SetSz(k, "hwnd", std::to_string(i)) == ERROR_SUCCESS;
      RegCloseKey(k);
      char c = 'w';
      ok = ok && write(toParent[1], &c, 1) == 1 && read(toChild[0], &c, 1) == 1;
    }
    _exit(ok ? 0 : 1);
  }
  int seen = 0;
  for (int i = 1001; i < 1100; ++i) {
    char c;
    if (read(toParent[0], &c, 1) != 1) break;
    Got g = Query(key, "hwnd");
    if (g.data == std::to_string(i) + '\0') ++seen;
    ASSERT_EQ(write(toChild[1], &c, 1), 1);
  }
  int status = 0;
  waitpid(kid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(seen, 99);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
  RegCloseKey(key);
}

TEST(Registry, ConcurrentWritersInTwoProcessesLoseNothing) {
  const int kValues = 60;
  pid_t kids[2];
  for (int w = 0; w < 2; ++w) {
    kids[w] = fork();
    ASSERT_GE(kids[w], 0);
    if (kids[w] == 0) {
      bool ok = true;
      for (int i = 0; i < kValues && ok; ++i) {
        std::string path = "Software\\Writer" + std::to_string(w) + "\\K" + std::to_string(i % 7);
        HKEY k = nullptr;
        ok = RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &k, nullptr) == ERROR_SUCCESS;
        ok = ok && SetSz(k, ("v" + std::to_string(i)).c_str(), std::to_string(i)) == ERROR_SUCCESS;
        RegCloseKey(k);
      }
      _exit(ok ? 0 : 1);
    }
  }
  std::atomic<bool> done{false};
  int reads = 0, bad = 0;
  std::thread reader([&] {
    while (!done) {
      char name[64];
      uint32_t size = sizeof name;
      int32_t rc =
          RegEnumKeyEx(HKEY_CURRENT_USER, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS && rc != ERROR_NO_MORE_ITEMS) ++bad;
      ++reads;
    }
  });
  for (pid_t k : kids) {
    int status = 0;
    waitpid(k, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  done = true;
  reader.join();
  EXPECT_EQ(bad, 0) << "of " << reads << " reads";
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < kValues; ++i) {
      std::string path = "Software\\Writer" + std::to_string(w) + "\\K" + std::to_string(i % 7);
      HKEY k = nullptr;
      ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
      EXPECT_EQ(Query(k, ("v" + std::to_string(i)).c_str()).data, std::to_string(i) + '\0');
      RegCloseKey(k);
    }
}

TEST(Registry, HandEditedHiveFilesLoad) {
  WriteFile(RegistryFilePath(),
            "\xEF\xBB\xBF"
            "; settings for the test machine\r\n"
            "\r\n"
            "REGEDIT4\r\n"
            "\r\n"
            "\r\n"
            "[hkey_local_machine\\Software\\Tervola\\Prentix]\r\n"
            "  \"hwnd\" = \"4711\"  \r\n"
            "; the window above\r\n"
            "\"Dir\"=\"C:\\Temp\\new\"\r\n"
            "\"Bytes\"=hex:01, 02,\\\r\n"
            "     0A,ff\r\n"
            "\"Gone\"=\"soon\"\r\n"
            "\"Gone\"=-\r\n"
            "\"Count\"=DWORD:FF\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
            "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tervola\\Prentix]\r\n"
            "@=\"merged\"\r\n");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Tervola\\Prentix", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(Query(key, "hwnd").data, std::string("4711\0", 5));
  EXPECT_EQ(Query(key, "Dir").data, std::string("C:\\Temp\\new\0", 12));
  Got bytes = Query(key, "Bytes");
  EXPECT_EQ(bytes.type, REG_BINARY);
  EXPECT_EQ(bytes.data, "\x01\x02\x0a\xff");
  EXPECT_EQ(Query(key, "Gone").rc, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Query(key, "Count").data, std::string("\xff\0\0\0", 4));
  EXPECT_EQ(Query(key, "").data, std::string("merged\0", 7));
  EXPECT_EQ(SubkeyNames(HKEY_LOCAL_MACHINE), std::vector<std::string>{"Software"});
  // a write keeps every value and puts the file into the written form
  ASSERT_EQ(SetSz(key, "hwnd", "4712"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadFile(RegistryFilePath()),
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Software]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Tervola]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Tervola\\Prentix]\n"
            "\"hwnd\"=\"4712\"\n"
            "\"Dir\"=\"C:\\\\Temp\\\\new\"\n"
            "\"Bytes\"=hex:01,02,0a,ff\n"
            "\"Count\"=dword:000000ff\n"
            "@=\"merged\"\n\n");
}

TEST(Registry, ACorruptHiveIsRefusedAndNeverOverwritten) {
  const std::vector<std::string> corrupt = {
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=\"unterminated\n",
      "REGEDIT4\n\"value\"=\"before any key\"\n",
      "REGEDIT4\n[HKEY_NOWHERE\\x]\n",
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"d\"=dword:123456789\n",
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"b\"=hex:1,2,xyz\n",
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\\\\b]\n",
      "REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n",
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n",
      std::string("\x7f"
                  "ELF\0\0\0\x01\x02",
                  9),
  };
  for (const auto& bytes : corrupt) {
    ASSERT_TRUE(WriteFile(RegistryFilePath(), bytes));
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB)
        << bytes;
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "v").rc, ERROR_BADDB);
    char name[16];
    uint32_t size = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(SetSz(HKEY_LOCAL_MACHINE, "v", "x"), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
              ERROR_BADDB);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software"), ERROR_BADDB);
    EXPECT_EQ(ReadFile(RegistryFilePath()), bytes);  // nothing lost
  }
  std::string why;
  EXPECT_FALSE(RegHive::Parse(corrupt[0], &why));
  EXPECT_EQ(why.substr(0, 7), "line 4:");
  // once mended by hand, the same process reads it again
  WriteFile(RegistryFilePath(), "REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"v\"=\"ok\"\n");
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "v").data, std::string("ok\0", 3));
}

TEST(Registry, AReadOnlyHiveRefusesWritesAndStillReads) {
  ASSERT_EQ(SetSz(HKEY_CURRENT_USER, "v", "1"), ERROR_SUCCESS);
  const std::string before = ReadFile(RegistryFilePath());
  ASSERT_EQ(chmod(RegistryFilePath().c_str(), 0444), 0);
  EXPECT_EQ(SetSz(HKEY_CURRENT_USER, "v", "2"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetSz(HKEY_CURRENT_USER, "v", "1"), ERROR_ACCESS_DENIED);  // even when no change
  EXPECT_EQ(RegDeleteValue(HKEY_CURRENT_USER, "v"), ERROR_ACCESS_DENIED);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                           nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "v").data, std::string("1\0", 2));
  EXPECT_EQ(ReadFile(RegistryFilePath()), before);
  struct stat st;
  ASSERT_EQ(stat(RegistryFilePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(Registry, KeyNamesAndDepthHaveWindowsLimits) {
  std::string longest(255, 'n'), umlauts;
  for (int i = 0; i < 255; ++i) umlauts += "ü";  // 255 characters, 510 bytes
  HKEY key = nullptr;
  for (const std::string& ok : {longest, umlauts}) {
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, ok.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  for (const std::string& bad : {longest + "n", umlauts + "u", std::string("a\nb")})
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, bad.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_INVALID_PARAMETER);

  // 512 levels below the root, one call; a 513th is refused, through the
  // calls and in the file
  std::string path = "k";
  for (int i = 1; i < 512; ++i) path += "\\k";
  HKEY deep = Create(HKEY_USERS, path.c_str());
  EXPECT_EQ(RegCreateKeyEx(deep, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(deep);
  auto hive = RegHive::Parse(ReadFile(RegistryFilePath()));
  ASSERT_TRUE(hive);
  EXPECT_TRUE(RegHive::Parse("REGEDIT4\n[HKEY_USERS\\" + path + "]\n"));
  std::string why;
  EXPECT_FALSE(RegHive::Parse("REGEDIT4\n[HKEY_USERS\\" + path + "\\k]\n", &why));
  EXPECT_EQ(why, "line 2: bad key line");
  EXPECT_FALSE(RegHive::Parse("REGEDIT4\n[HKEY_USERS\\" + longest + "n]\n"));
  // HKEY_CLASSES_ROOT lies two levels down already
  EXPECT_FALSE(RegHive::Parse("REGEDIT4\n[HKEY_CLASSES_ROOT\\" + path.substr(2) + "]\n"));
  EXPECT_TRUE(RegHive::Parse("REGEDIT4\n[HKEY_CLASSES_ROOT\\" + path.substr(4) + "]\n"));
}
