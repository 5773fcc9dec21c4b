// The installer program on the test X server: the window comes and goes by
// itself, and Cancel stops a long copy at once without a half-written file.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/testutil.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  return pid;
}

// The exit status, or -1 when the program still runs after ms.
int WaitExit(pid_t pid, int ms) {
  for (auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return -1;
}

size_t CountFiles(const std::string& dir) {
  size_t n = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec))
    n += it->is_regular_file(ec) ? 1 : 0;
  return n;
}

class InstallerX11 : public testing::Test {
 protected:
  void SetUp() override {
    root_ = pxtest::TestRoot();
    setenv("WINDIR", (root_ + "/windows").c_str(), 1);
    setenv("HOME", (root_ + "/home").c_str(), 1);
    setenv("LANG", "en_US.UTF-8", 1);
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  std::string root_;
};

TEST_F(InstallerX11, DemoRunsInTheWindowAndEndsByItself) {
  setenv("DEMO_PREFIX", (root_ + "/prefix").c_str(), 1);
  const std::string examples = std::string(PX_SOURCE_DIR) + "/examples";
  pid_t pid = Spawn({pxtest::BuiltProgram("instari"), examples + "/demo.inf", examples + "/demo"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(WaitExit(pid, 20000), 0);
  EXPECT_TRUE(fs::exists(root_ + "/prefix/bin/hello.sh"));
  EXPECT_NE(pxtest::ReadFile(root_ + "/prefix/install.log").find("Installed on"),
            std::string::npos);
  unsetenv("DEMO_PREFIX");
}

TEST_F(InstallerX11, CancelStopsALongCopyAtOnce) {
  // 10,000 small files and a few large ones among them
  const std::string src = root_ + "/src", dst = root_ + "/dst";
  const std::string small(2048, 's'), large(24 << 20, 'L');
  for (int d = 0; d < 100; ++d) {
    const std::string dir = src + "/d" + std::to_string(d);
    fs::create_directories(dir);
    for (int i = 0; i < 100; ++i)
      ASSERT_TRUE(pxtest::WriteFile(dir + "/f" + std::to_string(i), small + std::to_string(i)));
    if (d % 10 == 5) {
      ASSERT_TRUE(pxtest::WriteFile(dir + "/big", large));
    }
  }
  ASSERT_TRUE(
      pxtest::WriteFile(root_ + "/copy.inf", "copydirrecursive '" + src + "' '" + dst + "'\n"));
  // The sanitized build's leak check at exit symbolizes each stack it finds,
  // the suppressed system-library ones too: some hundred milliseconds that are
  // not the program's. A leak still shows in the exit code, only unnamed.
  const char* asan = getenv("ASAN_OPTIONS");
  const std::string asan_options = asan ? asan : "";
  if (asan) setenv("ASAN_OPTIONS", (asan_options + ":symbolize=0").c_str(), 1);
  pid_t pid = Spawn({pxtest::BuiltProgram("instari"), root_ + "/copy.inf"});
  if (asan) setenv("ASAN_OPTIONS", asan_options.c_str(), 1);
  ASSERT_GT(pid, 0);
  for (auto end = Clock::now() + std::chrono::seconds(20);
       CountFiles(dst) < 1500 && Clock::now() < end;)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(CountFiles(dst), 1500u) << "the copy did not get going";
  ASSERT_EQ(pxtest::Run({"sh", "-c",
                         "w=$(xdotool search --onlyvisible --name '^Instari$' | head -1) && "
                         "xdotool windowactivate --sync \"$w\" key Escape"}),
            0);
  const auto pressed = Clock::now();
  const int code = WaitExit(pid, 5000);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pressed);
  if (code < 0) kill(pid, SIGKILL);
  EXPECT_EQ(code, 1);  // cancelled
  EXPECT_LE(took.count(), 500);
  const size_t copied = CountFiles(dst);
  EXPECT_LT(copied, 10010u);
  // every file there is whole; nothing else is there
  size_t checked = 0;
  for (const auto& e : fs::recursive_directory_iterator(dst)) {
    if (!e.is_regular_file()) continue;
    const std::string rel = fs::relative(e.path(), dst).string();
    ASSERT_TRUE(fs::exists(src + "/" + rel)) << rel;
    ASSERT_EQ(fs::file_size(e.path()), fs::file_size(src + "/" + rel)) << rel;
    ++checked;
  }
  EXPECT_EQ(checked, copied);
}

}  // namespace
