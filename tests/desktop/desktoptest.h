#pragma once
// Prentix on the headless Wayland sessions the test runners start (sway,
// GNOME, KDE): the desktop's own portal takes the shots.

#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMessageBox>
#include <QWidget>
#include <filesystem>

#include "gui/guitest.h"
#include "prentix/app/commands.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/image/secdib.h"

namespace desktoptest {

class DesktopTest : public guitest::GuiTest {
 protected:
  // The session's names (prefix PX_GNOME or PX_KDE), before the one
  // QApplication connects.
  static void Join(const std::string& prefix, const char* desktop) {
    const char* display = getenv((prefix + "_DISPLAY").c_str());
    ASSERT_TRUE(display) << "no " << desktop << " session: run through the test runner";
    setenv("WAYLAND_DISPLAY", display, 1);
    setenv("XDG_RUNTIME_DIR", getenv((prefix + "_RUNTIME").c_str()), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", getenv((prefix + "_BUS").c_str()), 1);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    setenv("XDG_CURRENT_DESKTOP", desktop, 1);
    unsetenv("DISPLAY");
  }
  void SetUp() override {
    GuiTest::SetUp();
    prentix::SetScreenSource(nullptr);  // chosen afresh: the portal
    chdir(pxtest::TestRoot().c_str());
  }
  void TearDown() override {
    backdrop_.reset();
    GuiTest::TearDown();
  }
  // Starts with this [Verwendung]; the key notice counts as given unless
  // asked for.
  void StartWith(const std::string& ini, bool noticeGiven = true) {
    ASSERT_TRUE(pxtest::WriteFile(WindowsDir() + "/prentix.ini",
                                  "[Verwendung]\nLogging=" + LogPath() + "\n" + ini +
                                      (noticeGiven ? "[Wayland]\nKeyNotice=1\n" : "")));
    Start(nullptr);
    app_->Doc()->message = [this](const QString& text) { saved_.push_back(text.toStdString()); };
    Frame().tellUser = [this](QWidget*, const QString& text) {
      told_.push_back(text.toStdString());
    };
    Frame().hide();  // the screen shows the background, not our window
    QTest::qWait(100);
  }
  // The known background: a window of this colour over the whole screen.
  void Background(const QColor& colour) {
    backdrop_ = std::make_unique<QWidget>();
    backdrop_->setStyleSheet("background: " + colour.name());
    backdrop_->showFullScreen();
    QTest::qWait(1000);  // mapped and drawn by the compositor
  }
  // The n-th automatic picture: the screen's size and the background.
  static void ExpectSavedShot(int n, const QColor& colour) {
    const std::string file = pxtest::TestRoot() + "/auto00" + std::to_string(n) + ".pxi";
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }, 10000))
        << pxtest::ReadFile(LogPath());
    QTest::qWait(200);  // written whole
    prentix::SECDib picture;
    ASSERT_TRUE(picture.LoadImage(file.c_str()));
    EXPECT_EQ(picture.m_dwWidth, 1280u);
    EXPECT_EQ(picture.m_dwHeight, 720u);
    for (auto [x, y] : {std::pair{5, 5}, {100, 600}, {1274, 714}}) {
      const prentix::BYTE* px = picture.Row(picture.m_dwHeight - 1 - y) + 3 * x;
      EXPECT_EQ(QColor(px[2], px[1], px[0]), colour) << x << "," << y;
    }
  }
  // The screen key on two known backgrounds: two pictures saved, nothing told.
  void ExpectScreenShotsSavedNumbered() {
    StartWith("UseSaveAsNameFormat=1\n");
    int n = 0;
    for (const QColor& colour : {QColor(0x33, 0x66, 0xcc), QColor(0xc0, 0x10, 0x20)}) {
      SCOPED_TRACE(colour.name().toStdString());
      Background(colour);
      app_->Router().Route(prentix::cmd::kPrintScreen, prentix::CommandSource::kHook);
      ExpectSavedShot(++n, colour);
    }
    EXPECT_EQ(saved_.size(), 2u);
    EXPECT_TRUE(told_.empty());
  }
  static QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
                           const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
  }

  std::unique_ptr<QWidget> backdrop_;
  std::vector<std::string> saved_, told_;
};

}  // namespace desktoptest
