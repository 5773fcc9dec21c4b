// Prentix on headless GNOME: shots through its portal once the user has
// allowed them, a refusal, and no tray.

#include "desktop/desktoptest.h"
#include "prentix/app/waylandrules.h"

#include <QAbstractButton>

namespace {

using namespace prentix;

const char kStore[] = "org.freedesktop.impl.portal.PermissionStore";
const char kStorePath[] = "/org/freedesktop/impl/portal/PermissionStore";

class GnomeTest : public desktoptest::DesktopTest {
 protected:
  static void SetUpTestSuite() { Join("PX_GNOME", "GNOME"); }
  // The user's answer as the desktop keeps it for programs outside a sandbox.
  static void Allow(const char* answer) {
    QDBusMessage reply = Call(
        kStore, kStorePath, kStore, "SetPermission",
        {QString("screenshot"), true, QString("screenshot"), QString(""), QStringList{answer}});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  }
};

TEST_F(GnomeTest, ScreenCapturesOnceAllowedComeFromThePortalAndAreSavedNumbered) {
  Allow("yes");
  ExpectScreenShotsSavedNumbered();
}

// A refusal the desktop keeps says how to be asked again, and that command
// does take it back; allowed once more, shots come again.
TEST_F(GnomeTest, ARefusalTellsHowToBeAskedAgain) {
  Allow("no");
  StartWith("UseSaveAsNameFormat=1\n");
  Background(QColor(0x20, 0x80, 0x40));
  app_->Router().Route(cmd::kPrintScreen, CommandSource::kHook);
  ASSERT_EQ(told_, std::vector<std::string>{FormatSprachText(16100, kAllowShotsCommand)});
  ASSERT_EQ(pxtest::Run({"sh", "-c", std::string(kAllowShotsCommand) + " >/dev/null"}), 0);
  EXPECT_NE(
      Call(kStore, kStorePath, kStore, "Lookup", {QString("screenshot"), QString("screenshot")})
          .type(),
      QDBusMessage::ReplyMessage);
  told_.clear();
  Allow("yes");
  app_->Router().Route(cmd::kPrintScreen, CommandSource::kHook);
  EXPECT_TRUE(told_.empty());
  ExpectSavedShot(1, QColor(0x20, 0x80, 0x40));  // the refused shot saved nothing
}

// No service takes keys for a program here: once the user agreed, GNOME's
// own settings run the one-shot commands, and its screenshot keys give way.
TEST_F(GnomeTest, AskedOnceGnomesOwnShortcutsRunTheCommands) {
  StartWith("", false);
  QMessageBox* question = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    question = Frame().findChild<QMessageBox*>("gnomeKeysQuestion");
    return question != nullptr;
  }));
  question->button(QMessageBox::Yes)->click();
  ASSERT_TRUE(WaitFor(
      [&] { return pxtest::ReadFile(LogPath()).find("GNOME shortcuts set") != std::string::npos; },
      10000))
      << pxtest::ReadFile(LogPath());
  // read as the session's own programs read them
  auto get = [](const std::string& schema, const std::string& key) {
    const std::string out = pxtest::TestRoot() + "/gsettings.txt";
    pxtest::Run({"sh", "-c",
                 "XDG_CONFIG_HOME=\"$PX_GNOME_HOME/.config\" gsettings get '" + schema + "' " +
                     key + " > '" + out + "'"});
    std::string text = pxtest::ReadFile(out);
    return text.substr(0, text.find('\n'));
  };
  const std::string base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
  EXPECT_EQ(get(kGnomeKeysSchema, "custom-keybindings"),
            "['" + base + "prentix-screen/', '" + base + "prentix-window/']");
  const std::string screen = std::string(kGnomeKeysSchema) + ".custom-keybinding:" + base;
  EXPECT_EQ(get(screen + "prentix-screen/", "binding"), "'Print'");
  EXPECT_EQ(get(screen + "prentix-window/", "binding"), "'<Alt>Print'");
  const std::string command = get(screen + "prentix-screen/", "command");
  EXPECT_NE(command.find(" --print-screen'"), std::string::npos) << command;
  EXPECT_EQ(get(kGnomeOwnKeysSchema, "show-screenshot-ui"), "@as []");
  EXPECT_EQ(get(kGnomeOwnKeysSchema, "screenshot-window"), "@as []");
  // asked once only: the answer is remembered as the notice is
  EXPECT_NE(pxtest::ReadFile(WindowsDir() + "/prentix.ini").find("KeyNotice=1"), std::string::npos);
}

TEST_F(GnomeTest, WithoutTheTrayExtensionTheWindowIsShown) {
  ASSERT_TRUE(pxtest::WriteFile(WindowsDir() + "/prentix.ini",
                                "[Verwendung]\nLogging=" + LogPath() + "\nTaskbar=yes\n"));
  Start(nullptr);
  EXPECT_TRUE(Frame().isVisible());
  EXPECT_EQ(app_->Tray(), nullptr);
  EXPECT_NE(pxtest::ReadFile(LogPath()).find("no system tray"), std::string::npos);
}

}  // namespace
