#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/testutil.h"

// A program that knows nothing but the names loads the library and calls it.
TEST(IxStdFByName, OperationsAreFoundAndCalledByName) {
  std::string lib = std::string(PX_BUILD_DIR) + "/instari/libixstdf32.so";
  void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  using Key = void*;
  auto setRegistry = reinterpret_cast<int (*)(Key, const char*, const char*, const char*)>(
      dlsym(handle, "SetRegistry"));
  auto getRegistry =
      reinterpret_cast<char* (*)(Key, const char*, const char*)>(dlsym(handle, "GetRegistry"));
  auto errorText = reinterpret_cast<char* (*)()>(dlsym(handle, "GibLetztenFehlerText"));
  auto makeLink =
      reinterpret_cast<int (*)(const char*, const char*, const char*, const char*, const char*, int,
                               const char*, int)>(dlsym(handle, "ErzeugeLinkDatei"));
  ASSERT_TRUE(setRegistry && getRegistry && errorText && makeLink);
  Key hkcu = reinterpret_cast<Key>(static_cast<intptr_t>(static_cast<int32_t>(0x80000001u)));

  EXPECT_EQ(setRegistry(hkcu, "Software\\Tervola", "Sprache", "7"), 0);
  EXPECT_STREQ(getRegistry(hkcu, "Software\\Tervola", "Sprache"), "7");
  EXPECT_EQ(getRegistry(hkcu, "Software\\Tervola", "sprache"), nullptr);
  EXPECT_STREQ(errorText(), "Fehler bei GetRegistry: Begriff nicht gefunden");

  std::string lnk = pxtest::TestRoot() + "/by-name.lnk";
  EXPECT_EQ(makeLink("/bin/true", lnk.c_str(), "d", "", "", 0, "", 0), 0);
  EXPECT_TRUE(std::filesystem::exists(lnk));
  dlclose(handle);
}
