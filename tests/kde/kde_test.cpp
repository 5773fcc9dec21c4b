// Prentix on headless KDE Plasma: shots through its portal, and the keys
// registered with its global-shortcut service.

#include "desktop/desktoptest.h"

namespace {

using namespace prentix;

class KdeTest : public desktoptest::DesktopTest {
 protected:
  static void SetUpTestSuite() { Join("PX_KDE", "KDE"); }
};

TEST_F(KdeTest, ScreenCapturesComeFromThePortalAndAreSavedNumbered) {
  ExpectScreenShotsSavedNumbered();
}

// The portal would answer "bound" and register nothing for a program
// outside a sandbox: the keys go to the service itself, and a press there
// captures.
TEST_F(KdeTest, TheKeysAreRegisteredWithTheDesktopAndItsPressCaptures) {
  StartWith("UseSaveAsNameFormat=1\n", false);
  ASSERT_TRUE(WaitFor([&] {
    return pxtest::ReadFile(LogPath()).find("KDE took: 2") != std::string::npos;
  })) << pxtest::ReadFile(LogPath());
  const std::string log = pxtest::ReadFile(LogPath());
  EXPECT_EQ(log.find("keys cannot be grabbed"), std::string::npos);
  // no notice about binding keys by hand
  QTest::qWait(200);
  EXPECT_EQ(Frame().findChild<QMessageBox*>("hotKeyNotice"), nullptr);
  // the service keeps the configured keys: Print and Alt+Print
  for (auto [action, key] :
       {std::pair{"screen", Qt::Key_Print | 0}, {"window", Qt::Key_Print | Qt::AltModifier}}) {
    QDBusMessage reply = Call("org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel",
                              "shortcut", {QStringList{"prentix", action, "Prentix", ""}});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(qdbus_cast<QList<int>>(reply.arguments().at(0)), QList<int>{int(key)}) << action;
  }
  const QColor colour(0x20, 0x80, 0x40);
  Background(colour);
  QDBusMessage reply =
      Call("org.kde.kglobalaccel", "/component/prentix", "org.kde.kglobalaccel.Component",
           "invokeShortcut", {QString("screen")});
  ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  ExpectSavedShot(1, colour);
  EXPECT_TRUE(told_.empty());
}

}  // namespace
