// Captures through the desktop portal on the headless Wayland session the
// test runner starts (sway, pipewire, the portal and its wlr back end).

#include <QMessageBox>
#include <filesystem>

#include "desktop/desktoptest.h"
#include "prentix/app/commands.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/image/secdib.h"

namespace {

using namespace prentix;

class WaylandTest : public desktoptest::DesktopTest {
 protected:
  static void SetUpTestSuite() {
    Join("PX_WAYLAND", "sway");
    setenv("SWAYSOCK", getenv("PX_WAYLAND_SWAYSOCK"), 1);
  }
  // The session has two monitors: 1280 x 800, and 640 x 480 right of it.
  static void Background(const char* colour, const char* second = nullptr) {
    ASSERT_EQ(pxtest::Run({"swaymsg", "-q", "output", "HEADLESS-1", "bg", colour, "solid_color"}),
              0);
    ASSERT_EQ(pxtest::Run({"swaymsg", "-q", "output", "HEADLESS-2", "bg", second ? second : colour,
                           "solid_color"}),
              0);
    QTest::qWait(300);  // swaybg has drawn it
  }
  static QColor Pixel(const SECDib& image, int x, int y) {
    const BYTE* p = image.Row(image.m_dwHeight - 1 - y) + 3 * x;
    return QColor(p[2], p[1], p[0]);
  }
};

// The screen key takes the whole desktop, both monitors, as on X11.
TEST_F(WaylandTest, ScreenCapturesComeFromThePortalAtTheDesktopsSizeAndAreSavedNumbered) {
  StartWith("UseSaveAsNameFormat=1\n");
  const struct {
    const char *background, *second;
    QColor colour, secondColour;
  } shots[] = {{"#3366cc", "#c01020", QColor(0x33, 0x66, 0xcc), QColor(0xc0, 0x10, 0x20)},
               {"#c01020", "#208040", QColor(0xc0, 0x10, 0x20), QColor(0x20, 0x80, 0x40)}};
  int n = 0;
  for (const auto& shot : shots) {
    SCOPED_TRACE(shot.background);
    Background(shot.background, shot.second);
    app_->Router().Route(cmd::kPrintScreen, CommandSource::kHook);
    const std::string file = pxtest::TestRoot() + "/auto00" + std::to_string(++n) + ".pxi";
    ASSERT_TRUE(std::filesystem::exists(file)) << pxtest::ReadFile(LogPath());
    SECDib picture;
    ASSERT_TRUE(picture.LoadImage(file.c_str()));
    EXPECT_EQ(picture.m_dwWidth, 1920u);
    EXPECT_EQ(picture.m_dwHeight, 800u);
    for (auto [x, y] : {std::pair{0, 0}, {640, 400}, {1279, 799}}) {
      EXPECT_EQ(Pixel(picture, x, y), shot.colour) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{1280, 0}, {1919, 479}}) {
      EXPECT_EQ(Pixel(picture, x, y), shot.secondColour) << x << "," << y;
    }
  }
  EXPECT_EQ(saved_.size(), 2u);
  EXPECT_TRUE(told_.empty());
  // the portal's file does not stay behind
  EXPECT_FALSE(std::filesystem::exists("/tmp/out.png"));
}

TEST_F(WaylandTest, ACaptureWithoutPictureTellsWhyOnceAndOutputsThePreviousPicture) {
  StartWith("UseSaveAsNameFormat=1\n");
  Background("#208040");
  app_->Router().Route(cmd::kPrintScreen, CommandSource::kHook);
  ASSERT_TRUE(std::filesystem::exists(pxtest::TestRoot() + "/auto001.pxi"));
  const struct {
    const char* service;  // the portal's bus name
    int command;
    int key;
  } cases[] = {
      {"org.freedesktop.portal.Nobody", cmd::kPrintScreen, 16071},
      {"org.freedesktop.portal.Nobody", cmd::kPrintWindow, 16071},
      // the user picks the window with the back end's slurp, which this
      // session has not: the desktop answers with a failure
      {"org.freedesktop.portal.Desktop", cmd::kPrintWindow, 16073},
  };
  int n = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.command) + " " + c.service);
    told_.clear();
    SetScreenSource(OpenPortalSource(c.service));
    app_->Router().Route(c.command, CommandSource::kHook);
    EXPECT_EQ(told_, std::vector<std::string>{GetSprachText(c.key)});
    // the output step ran on the picture of before
    const std::string file = pxtest::TestRoot() + "/auto00" + std::to_string(++n) + ".pxi";
    SECDib picture;
    ASSERT_TRUE(picture.LoadImage(file.c_str()));
    EXPECT_EQ(picture.m_dwWidth, 1920u);
    EXPECT_EQ(Pixel(picture, 10, 10), QColor(0x20, 0x80, 0x40));
  }
  EXPECT_NE(pxtest::ReadFile(LogPath()).find(std::string("OnPrintDk() ") + GetSprachText(16071)),
            std::string::npos);
}

TEST_F(WaylandTest, TheFirstStartGivesTheLinesForSwaysConfigAndNoTrayHostShowsTheWindow) {
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    std::filesystem::remove(LogPath());
    // the second start keeps the file the first one wrote
    if (start == 1) {
      ASSERT_TRUE(pxtest::WriteFile(WindowsDir() + "/prentix.ini",
                                    "[Verwendung]\nLogging=" + LogPath() + "\nTaskbar=yes\n"));
    }
    Start(nullptr);
    // sway runs no tray host here
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(app_->Tray(), nullptr);
    WaitFor([&] { return Frame().findChild<QMessageBox*>("hotKeyNotice") != nullptr; }, 1000);
    auto* notice = Frame().findChild<QMessageBox*>("hotKeyNotice");
    if (start == 1) {
      ASSERT_NE(notice, nullptr);
      EXPECT_EQ(notice->text().toStdString(),
                FormatSprachText(16102,
                                 "bindsym Print exec prentix --print-screen\n"
                                 "bindsym Alt+Print exec prentix --print-window\n"));
      EXPECT_FALSE(notice->isModal());
    } else {
      EXPECT_EQ(notice, nullptr);
    }
    EXPECT_NE(pxtest::ReadFile(LogPath()).find("keys cannot be grabbed"), std::string::npos);
    app_->ExitInstance();
    app_.reset();
  }
}

}  // namespace
