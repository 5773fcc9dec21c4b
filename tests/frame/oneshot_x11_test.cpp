// The one-shot commands a desktop's own key bindings can run.

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <thread>

#include "gui/guitest.h"
#include "prentix/app/commands.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

const std::string kPrentix = std::string(PX_BUILD_DIR) + "/prentix/prentix";

extern "C" char** environ;

// A resident program of the test: started in the background, ended with it.
struct Started {
  pid_t pid = 0;
  explicit Started(std::vector<std::string> args) {
    args.insert(args.begin(), kPrentix);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn(&pid, kPrentix.c_str(), nullptr, nullptr, argv.data(), environ);
  }
  ~Started() { End(); }
  // Still running after ms; an ended one is reaped.
  bool Alive(int ms = 0) {
    for (int waited = 0;; waited += 50) {
      if (pid <= 0 || waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = 0;
        return false;
      }
      if (waited >= ms) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  void End() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
  }
};

TEST_F(GuiTest, OneShotPrintScreenPrintsAndEndsOrHandsOverToTheRunningProgram) {
  // nothing running: it captures, prints (to the PDF-file printer here) and ends
  // (told before where the PDF files go: no box for nobody to close)
  ASSERT_TRUE(pxtest::WriteFile(
      WindowsDir() + "/prentix.ini",
      "[Verwendung]\nTaskbar=no\nPRINTER=PDF file\n[Notices]\nPdfFolder=" + pxtest::TestRoot() +
          "/home/Prentix\n"));
  EXPECT_EQ(pxtest::Run({kPrentix, "--print-screen"}), 0);
  // no documents folder: it goes to ~/Prentix, and none is made
  const std::string pdf = pxtest::TestRoot() + "/home/Prentix/prentix001.pdf";
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_FALSE(std::filesystem::exists(pxtest::TestRoot() + "/home/Documents"));
  EXPECT_EQ(pxtest::ReadFile(pdf).substr(0, 5), "%PDF-");
  EXPECT_EQ(pxtest::Run({kPrentix, "--print-screen", "extra"}), 2);

  // a running program takes the command over; the one-shot prints nothing itself
  Start("Taskbar=no\nNoPrinter=1\n");
  EXPECT_EQ(pxtest::Run({kPrentix, "--print-window"}), 0);
  EXPECT_TRUE(WaitFor(
      [&] { return WasRouted(cmd::kPrintWindow, CommandSource::kHook, RouteResult::kHandled); }));
  EXPECT_FALSE(std::filesystem::exists(pxtest::TestRoot() + "/home/Prentix/prentix002.pdf"));
}

// One Prentix per session: a later start hands over and ends, two at once
// end as one, and whoever runs has the keys.
TEST_F(GuiTest, ALaterStartHandsOverAndOnlyOnePrentixRuns) {
  const std::string root = pxtest::TestRoot(), run = root + "/run";
  ASSERT_EQ(mkdir(run.c_str(), 0700), 0);
  setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  ASSERT_EQ(chdir(root.c_str()), 0);
  ASSERT_TRUE(pxtest::WriteFile(WindowsDir() + "/prentix.ini",
                                "[Verwendung]\nUseSaveAsNameFormat=1\n[Key]\nScreen=123\n"));
  QImage red(40, 30, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(QString::fromStdString(root + "/red.bmp")));
  const std::string socket = run + "/prentix-" + getenv("DISPLAY") + ".socket";
  auto socketUp = [&] { return std::filesystem::exists(socket); };

  {
    Started first({});
    ASSERT_TRUE(WaitFor(socketUp, 5000));
    Started second({root + "/red.bmp"});
    EXPECT_FALSE(second.Alive(5000));  // handed over and ended
    EXPECT_TRUE(first.Alive());
    // the running one shows the file in its window
    EXPECT_TRUE(WaitFor([] {
      return pxtest::Run({"xdotool", "search", "--name", "^red\\.bmp - Prentix$"}) == 0;
    }));
  }  // ended without cleaning up: its socket stays behind

  {
    Started one({}), other({});
    QTest::qWait(3000);
    EXPECT_EQ(one.Alive() + other.Alive(), 1);
  }

  // a start after the resident one has gone has the keys
  Started last({});
  ASSERT_TRUE(WaitFor(socketUp, 5000));
  QTest::qWait(500);
  EXPECT_TRUE(WaitFor(
      [&] {
        pxtest::Run({"xdotool", "key", "F12"});
        return WaitFor([&] { return std::filesystem::exists(root + "/auto001.pxi"); }, 1000);
      },
      6000));
}

TEST_F(GuiTest, AnUnknownOptionEndsAtOnceWithTheUsage) {
  const std::string err = pxtest::TestRoot() + "/err.txt";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pxtest::Run({"sh", "-c", kPrentix + " --bogus 2>" + err}), 2);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(pxtest::ReadFile(err).rfind("prentix: unknown option --bogus\nusage: prentix", 0), 0u);
  // nor does it need a display to say so; a real start without one says why
  EXPECT_EQ(pxtest::Run({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", kPrentix, "--bogus"}), 2);
  EXPECT_EQ(
      pxtest::Run({"sh", "-c", "env -u DISPLAY -u WAYLAND_DISPLAY " + kPrentix + " 2>" + err}), 1);
  EXPECT_EQ(pxtest::ReadFile(err),
            "prentix: no desktop session: Prentix needs an X11 or Wayland display\n");
}

// Two monitors side by side on an X server of its own: a window on the
// second is captured whole, and the screen key takes the whole desktop.
TEST_F(GuiTest, OnTwoMonitorsAWindowOnTheSecondIsWholeAndTheScreenKeyTakesBoth) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(pxtest::WriteFile(
      WindowsDir() + "/prentix.ini",
      "[Verwendung]\nUseSaveAsNameFormat=1\nSaveAsNameFormat=" + root + "/shot\n"));
  const std::string script =
      "xrandr --setmonitor left 640/169x800/127+0+0 screen >/dev/null &&"
      " xrandr --setmonitor right 640/169x800/127+640+0 none >/dev/null &&"
      " xrandr --listmonitors | grep -q '^Monitors: 2' &&"
      " xsetroot -solid '#3366cc' &&"
      " { xlogo -bg '#c01020' -fg '#c01020' -geometry 300x200+820+300 & } &&"
      " w=$(xdotool search --sync --onlyvisible --class xlogo | head -1) &&"
      " xdotool windowactivate --sync $w && sleep 0.3 &&"
      // each says where it saved, in a box that is answered here
      " for c in window screen; do " +
      kPrentix +
      " --print-$c & p=$!;"
      " b=$(xdotool search --sync --onlyvisible --name '^Prentix$' | head -1);"
      " xdotool windowactivate --sync $b key Return; wait $p || exit 1; done";
  ASSERT_EQ(pxtest::Run({"xvfb-run", "-a", "-s", "-screen 0 1280x800x24 -noreset",
                         PX_SOURCE_DIR "/tools/x11-session.sh", "sh", "-c", script}),
            0);
  auto red = [](QRgb c) { return qRed(c) == 0xc0 && qGreen(c) == 0x10 && qBlue(c) == 0x20; };
  QImage window(QString::fromStdString(root + "/shot001.pxi"), "BMP");
  ASSERT_FALSE(window.isNull());
  // the window with its frame, every pixel of its inside red
  EXPECT_GE(window.width(), 300);
  EXPECT_LT(window.width(), 340);
  EXPECT_GE(window.height(), 200);
  int reds = 0;
  for (int y = 0; y < window.height(); ++y)
    for (int x = 0; x < window.width(); ++x) reds += red(window.pixel(x, y));
  EXPECT_GE(reds, 300 * 200);
  QImage screen(QString::fromStdString(root + "/shot002.pxi"), "BMP");
  ASSERT_FALSE(screen.isNull());
  EXPECT_EQ(screen.size(), QSize(1280, 800));
  EXPECT_EQ(screen.pixel(100, 100), qRgb(0x33, 0x66, 0xcc));
  EXPECT_TRUE(red(screen.pixel(820 + 150, 300 + 150)));
}

}  // namespace
