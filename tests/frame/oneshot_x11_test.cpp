// The one-shot commands a desktop's own key bindings can run.

#include <filesystem>

#include "gui/guitest.h"
#include "prentix/app/commands.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

const std::string kPrentix = std::string(PX_BUILD_DIR) + "/prentix/prentix";

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

}  // namespace
