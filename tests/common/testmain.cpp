// Shared main: every test runs in a fresh temporary directory that WINDIR,
// HOME, XDG_CONFIG_HOME and TMPDIR point to, so no test touches the real
// home, the real settings or another test's files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "common/testutil.h"

namespace {

std::string g_root;

class FreshDirectories : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    const char* base = getenv("PX_TEST_TMP");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/pxtest.XXXXXX";
    char* made = mkdtemp(tmpl.data());
    if (!made) abort();
    g_root = made;
    for (const char* sub : {"/windows", "/home", "/tmp"})
      std::filesystem::create_directories(g_root + sub);
    setenv("WINDIR", (g_root + "/windows").c_str(), 1);
    setenv("HOME", (g_root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_root + "/home/.config").c_str(), 1);
    setenv("TMPDIR", (g_root + "/tmp").c_str(), 1);
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
  }
};

}  // namespace

namespace pxtest {
const std::string& TestRoot() { return g_root; }
}  // namespace pxtest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new FreshDirectories);
  return RUN_ALL_TESTS();
}
