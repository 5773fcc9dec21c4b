// Captures with the real X11 copy, on the test X server with its window
// manager: keys pressed with xdotool, a window the test painted.

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QClipboard>
#include <QMimeData>
#include <QPalette>
#include <QTabWidget>
#include <QWidget>
#include <filesystem>

#include "gui/guitest.h"
#include "prentix/app/commands.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/image/secdib.h"
#include "prentix/settings/psheet.h"

extern "C" char** environ;

namespace {

using namespace prentix;
using guitest::GuiTest;

class CaptureX11Test : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    chdir(pxtest::TestRoot().c_str());
  }
  void StartWithKeys(const std::string& ini, const std::string& keys) {
    Start(("Taskbar=no\n" + ini).c_str());
    app_->Doc()->message = [this](const QString& text) { messages_.push_back(text.toStdString()); };
    ASSERT_TRUE(
        pxtest::WriteFile(WindowsDir() + "/prentix.ini",
                          pxtest::ReadFile(WindowsDir() + "/prentix.ini") + "[Key]\n" + keys));
    QTest::qWait(300);  // the hook grabs what prentix.ini now says
  }
  std::vector<std::string> messages_;
};

TEST_F(CaptureX11Test, ThreeScreenKeysSaveThreeNumberedCaptures) {
  StartWithKeys("UseSaveAsNameFormat=1\n", "Screen=123\n");
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    std::string file = pxtest::TestRoot() + "/auto00" + std::to_string(n) + ".pxi";
    ASSERT_EQ(pxtest::Run({"xdotool", "key", "F12"}), 0);
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }));
    WaitFor([&] { return messages_.size() == static_cast<size_t>(n); });
    SECDib saved;
    ASSERT_TRUE(saved.LoadImage(file.c_str()));
    EXPECT_EQ(saved.m_dwWidth, 1280u);
    EXPECT_EQ(saved.m_dwHeight, 800u);
  }
  EXPECT_EQ(messages_.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(pxtest::TestRoot() + "/auto004.pxi"));
}

TEST_F(CaptureX11Test, PrintScreenPutsTheScreenOnTheClipboardAndInTheView) {
  StartWithKeys("NoPrinter=1\n", "Screen=\n");
  QGuiApplication::clipboard()->setText("old text");
  ASSERT_EQ(pxtest::Run({"xdotool", "key", "Print"}), 0);
  ASSERT_TRUE(WaitFor([&] { return CurrentImage() != nullptr; }));
  EXPECT_EQ(CurrentImage()->m_dwWidth, 1280u);
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(1280, 800));
}

TEST_F(CaptureX11Test, WindowCaptureTakesTheFrameAndStopsAtTheScreenEdge) {
  // Shift+F12: the window manager keeps Alt+F12 for itself
  StartWithKeys("NoPrinter=1\nGreyScale=yes\n", "Window=s123\n");
  QWidget painted;
  painted.setWindowTitle("painted");
  painted.setAutoFillBackground(true);
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(250, 10, 20));
  painted.setPalette(palette);
  painted.resize(300, 200);
  painted.move(-60, 120);
  painted.show();
  painted.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&painted));
  QTest::qWait(200);
  QRect frame = painted.frameGeometry();
  ASSERT_LT(frame.left(), 0) << "the window manager kept the window on the screen";

  // Shift held until the hook has seen the release of F12
  ASSERT_EQ(
      pxtest::Run({"xdotool", "keydown", "shift", "key", "F12", "sleep", "0.2", "keyup", "shift"}),
      0);
  ASSERT_TRUE(WaitFor([&] { return CurrentImage() != nullptr; })) << pxtest::ReadFile(LogPath());
  const SECDib* image = CurrentImage();
  EXPECT_EQ(static_cast<int>(image->m_dwWidth), frame.right() + 1);
  EXPECT_EQ(static_cast<int>(image->m_dwHeight), frame.height());
  // the client area keeps its red (no grey scale for a window), the title
  // bar above it is the window manager's
  auto pixel = [&](int x, int y) {
    const BYTE* p = image->Row(image->m_dwHeight - 1 - y) + 3 * x;
    return QColor(p[2], p[1], p[0]);
  };
  QPoint inside = painted.geometry().center() - QPoint(0, frame.top());
  EXPECT_EQ(pixel(inside.x(), inside.y()), QColor(250, 10, 20));
  EXPECT_NE(pixel(inside.x(), 1), QColor(250, 10, 20));
}

TEST_F(CaptureX11Test, AKeyChosenInTheSettingsActsAtOnce) {
  StartWithKeys("UseSaveAsNameFormat=1\n", "Screen=123\n");
  Frame().runSheet = [](CPSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(5);
    sheet.findChild<QAbstractButton*>("c1164")->click();  // F11 for the screen
    sheet.accept();
    return sheet.result();
  };
  app_->Router().Route(cmd::kSettings, CommandSource::kMenu);
  const std::string file = pxtest::TestRoot() + "/auto001.pxi";
  // no restart: the next key press is the new one
  ASSERT_TRUE(WaitFor([&] {
    pxtest::Run({"xdotool", "key", "F11"});
    return WaitFor([&] { return std::filesystem::exists(file); }, 500);
  }));
  ASSERT_EQ(pxtest::Run({"xdotool", "key", "F12"}), 0);
  QTest::qWait(500);
  EXPECT_FALSE(std::filesystem::exists(pxtest::TestRoot() + "/auto002.pxi"));
}

// Modifiers held only for the key's own event (macro keys, remote
// desktops): the decision follows the keys at the release, not later.
TEST_F(CaptureX11Test, ModifiersCountAsTheyWereAtTheRelease) {
  QWidget painted;
  painted.setWindowTitle("painted");
  painted.resize(300, 200);
  painted.move(200, 200);
  struct Case {
    const char* ini;
    const char* keys;
    const char* saved;  // the automatic name a save writes
  } cases[] = {
      {"NoPrinter=1\n", "alt+Print", nullptr},  // the active window, not the screen
      {"SaveAsKeySa=1\nNoPrinter=1\n", "shift+Print", "auto001.pxi"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    StartWithKeys(c.ini, "Screen=\nWindow=\n");
    painted.show();
    painted.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&painted));
    QTest::qWait(200);
    ASSERT_EQ(pxtest::Run({"xdotool", "key", c.keys}), 0);
    ASSERT_TRUE(WaitFor([&] { return CurrentImage() != nullptr; })) << pxtest::ReadFile(LogPath());
    if (c.saved) {
      EXPECT_TRUE(
          WaitFor([&] { return std::filesystem::exists(pxtest::TestRoot() + "/" + c.saved); }));
      EXPECT_EQ(CurrentImage()->m_dwWidth, 1280u);
    } else {
      EXPECT_EQ(static_cast<int>(CurrentImage()->m_dwWidth), painted.frameGeometry().width())
          << pxtest::ReadFile(LogPath());
      EXPECT_EQ(static_cast<int>(CurrentImage()->m_dwHeight), painted.frameGeometry().height());
    }
    TearDown();
    SetUp();
  }
}

// A key another program holds: the user hears it once, and the key is
// taken when that program lets it go.
TEST_F(CaptureX11Test, AKeyHeldElsewhereIsToldAndTakenWhenFree) {
  ASSERT_TRUE(pxtest::WriteFile(WindowsDir() + "/prentix.ini", "[Key]\nScreen=123\n"));
  const std::string watch = pxtest::BuiltProgram("pxhookwatch");
  pid_t other = 0;
  char* argv[] = {const_cast<char*>(watch.c_str()), nullptr};
  ASSERT_EQ(posix_spawn(&other, watch.c_str(), nullptr, nullptr, argv, environ), 0);
  QTest::qWait(500);  // it holds F12 and Print Screen now
  Start("Taskbar=no\nUseSaveAsNameFormat=1\nPRINTER=PDF file\n[Key]\nScreen=123\n");
  app_->Doc()->message = [this](const QString& text) { messages_.push_back(text.toStdString()); };
  QTest::qWait(300);
  const std::string log = pxtest::ReadFile(LogPath());
  const std::string notice = "Notify() Another program holds the key ";
  const size_t first = log.find(notice);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(notice, first + 1), std::string::npos);
  EXPECT_NE(log.find("F12", first), std::string::npos);
  // gone at once, without the goodbye that would name its window again
  kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
  const std::string file = pxtest::TestRoot() + "/auto001.pxi";
  EXPECT_TRUE(WaitFor(
      [&] {
        pxtest::Run({"xdotool", "key", "F12"});
        return WaitFor([&] { return std::filesystem::exists(file); }, 500);
      },
      12000))
      << pxtest::ReadFile(LogPath());
}

// A home that cannot be written (and no WINDIR): the user hears once that
// settings will not last, and the keys still reach the program.
TEST_F(CaptureX11Test, AReadOnlyHomeKeepsTheKeysWorkingAndSaysSoOnce) {
  const std::string root = pxtest::TestRoot(), home = root + "/rohome", run = root + "/run";
  const std::string settings = home + "/.config/tervola";
  std::filesystem::create_directories(settings);
  ASSERT_EQ(mkdir(run.c_str(), 0700), 0);
  ASSERT_TRUE(pxtest::WriteFile(
      settings + "/prentix.ini",
      "[Verwendung]\nLogging=" + LogPath() + "\nNoPrinter=1\n[Key]\nScreen=123\n"));
  // root writes anywhere, but not into immutable folders
  ASSERT_EQ(pxtest::Run({"chattr", "-R", "+i", home}), 0);
  struct Mend {
    std::string home;
    ~Mend() { pxtest::Run({"chattr", "-R", "-i", home}); }
  } mend{home};
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  unsetenv("WINDIR");
  unsetenv("XDG_CONFIG_HOME");
  Start(nullptr);
  QTest::qWait(300);
  ASSERT_EQ(pxtest::Run({"xdotool", "key", "F12"}), 0);
  ASSERT_TRUE(WaitFor([&] { return CurrentImage() != nullptr; })) << pxtest::ReadFile(LogPath());
  EXPECT_EQ(CurrentImage()->m_dwWidth, 1280u);
  // the window the keys go to, kept where it can be written
  EXPECT_EQ(pxtest::ReadFile(run + "/prentix.hwnd"), std::to_string(Frame().winId()));
  const std::string log = pxtest::ReadFile(LogPath());
  const std::string notice = "Notify() The settings cannot be stored in " + settings + ": ";
  const size_t first = log.find(notice);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(notice, first + 1), std::string::npos);
}

}  // namespace
