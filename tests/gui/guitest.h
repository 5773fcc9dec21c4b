#pragma once
// The capture program's window under test: one QApplication for the test
// program (offscreen, or the X server of the x11 tests), and a fresh start
// of the program for each test, with its settings written first.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/testutil.h"
#include "prentix/app/framerules.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/frame/mainframe.h"
#include "prentix/frame/prentixqtapp.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"

namespace guitest {

inline QApplication* Application() {
  static int argc = 1;
  static char name[] = "prentix";  // the window class a one-shot command looks for
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    // offscreen tests keep the hook and the screen copies off the shared X server
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") unsetenv("DISPLAY");
    auto* a = new QApplication(argc, argv);
    a->setQuitOnLastWindowClosed(false);
    return a;
  }();
  return app;
}

using Routed = std::tuple<int, prentix::CommandSource, prentix::RouteResult>;

class GuiTest : public testing::Test {
 protected:
  void SetUp() override {
    Application();
    setenv("LANG", "en_US.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    prentix::ResetTraceLog();
    prentix::Flags() = {};
    prentix::ClearCurrent();
  }
  void TearDown() override {
    if (app_) {
      app_->ExitInstance();
      app_.reset();
    }
    QApplication::processEvents();
    prentix::ClearCurrent();
  }

  static std::string WindowsDir() { return pxtest::TestRoot() + "/windows"; }
  static std::string LogPath() { return pxtest::TestRoot() + "/trace.log"; }

  // Starts the program with this prentix.ini (a trace log is added); null
  // ini: with the file as the last run left it.
  prentix::CPrentixApp& Start(const char* ini, std::vector<std::string> args = {}) {
    if (ini) {
      // prints go to PDF files in the test's home, never to a real printer,
      // unless the test names a queue itself (the first PRINTER line counts)
      EXPECT_TRUE(pxtest::WriteFile(
          WindowsDir() + "/prentix.ini",
          "[Verwendung]\nLogging=" + LogPath() + "\n" + ini + "PRINTER=PDF file\n"));
    }
    prentix::StartupSources sources;
    sources.windowsVersion = [] { return *prentix::ParseWindowsVersion("4.0-nt"); };
    sources.searchPath = "";
    sources.setRuntimeLocale = false;
    app_ = std::make_unique<prentix::CPrentixApp>(sources);
    EXPECT_TRUE(app_->InitInstance(args));
    app_->Router().observer = [this](int id, prentix::CommandSource s, prentix::RouteResult r) {
      routed_.emplace_back(id, s, r);
    };
    QApplication::processEvents();
    return *app_;
  }
  prentix::CMainFrame& Frame() { return *app_->MainFrame(); }

  // Runs the event loop until the condition holds or the time is up.
  template <typename F>
  static bool WaitFor(F condition, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
      if (t.elapsed() > ms) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      QTest::qWait(10);
    }
    return true;
  }

  bool WasRouted(int id, prentix::CommandSource s, prentix::RouteResult r) const {
    return std::find(routed_.begin(), routed_.end(), Routed{id, s, r}) != routed_.end();
  }

  std::unique_ptr<prentix::CPrentixApp> app_;
  std::vector<Routed> routed_;
};

}  // namespace guitest
