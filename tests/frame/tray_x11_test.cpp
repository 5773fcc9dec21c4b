// The program on a real X server with a window manager that has a system
// tray: the icon docks, a click on it captures, the hook's keys arrive,
// and after the window is gone the keys are the desktop's again.

#include <QSystemTrayIcon>

#include "gui/guitest.h"
#include "prentix/app/commands.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

int Xdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  return pxtest::Run(args);
}

TEST_F(GuiTest, TrayIconDocksAndALeftClickCapturesTheScreen) {
  ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable()) << "the test X server has no tray";
  Start("");
  QSystemTrayIcon* tray = app_->Tray();
  ASSERT_NE(tray, nullptr);
  EXPECT_FALSE(Frame().isVisible());  // it lives in the tray
  EXPECT_EQ(tray->toolTip().toStdString(), "The left mouse button prints out current screen.");
  // docked: the tray gave the icon a place on the screen
  ASSERT_TRUE(WaitFor([&] { return !tray->geometry().isEmpty(); }, 5000));
  QPoint c = tray->geometry().center();
  ASSERT_EQ(Xdotool({"mousemove", std::to_string(c.x()), std::to_string(c.y()), "click", "1"}), 0);
  ASSERT_TRUE(WaitFor(
      [&] { return WasRouted(cmd::kTrayCapture, CommandSource::kTray, RouteResult::kHandled); }));
  // the capture took the screen and the program is still there
  ASSERT_NE(CurrentImage(), nullptr);
  EXPECT_EQ(CurrentImage()->m_dwWidth, 1280u);
  QTest::qWait(200);
  EXPECT_FALSE(WasRouted(cmd::kAppExit, CommandSource::kProgram, RouteResult::kHandled));
}

TEST_F(GuiTest, HotKeyReachesTheViewUntilTheWindowCloses) {
  Start("Taskbar=no\n");
  ASSERT_TRUE(
      pxtest::WriteFile(WindowsDir() + "/prentix.ini",
                        pxtest::ReadFile(WindowsDir() + "/prentix.ini") + "[Key]\nScreen=123\n"));
  // the hook follows prentix.ini; give it a moment to grab F12
  QTest::qWait(300);
  ASSERT_EQ(Xdotool({"key", "F12"}), 0);
  ASSERT_TRUE(WaitFor([&] {
    return WasRouted(cmd::kPrintScreen, CommandSource::kHook, RouteResult::kHandled);
  })) << routed_.size();
  EXPECT_NE(CurrentImage(), nullptr);
  std::string log = pxtest::ReadFile(LogPath());
  EXPECT_NE(log.find("OnPrintScreen()\n"), std::string::npos);

  ASSERT_TRUE(Frame().close());
  routed_.clear();
  ASSERT_EQ(Xdotool({"key", "F12"}), 0);
  QTest::qWait(700);
  EXPECT_TRUE(routed_.empty());
}

}  // namespace
