// The installer's window and dialogs, offscreen: what the window shows of
// the progress, the selection dialog's paths, and a whole script with a
// wizard clicked through to its installed files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "common/testutil.h"
#include "instari/script/interpreter.h"
#include "instari/ui/qt/dialogs.h"
#include "instari/ui/qt/installerwindow.h"
#include "instari/ui/qt/qtui.h"
#include "instari/ui/qt/runwindow.h"
#include "script/harness.h"

namespace {

using namespace instari;

QApplication* App() {
  static int argc = 1;
  static char name[] = "instari";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    unsetenv("DISPLAY");
    return new QApplication(argc, argv);
  }();
  return app;
}

template <typename W = QLabel>
W* C(QWidget* parent, const char* name) {
  W* w = parent->findChild<W*>(name);
  EXPECT_TRUE(w) << name;
  return w;
}

TEST(InstallerWindow, ShowsStatusAndTheCopyLine) {
  App();
  QtUi ui(9, NumberLocale{".", ","});
  InstallerWindow* w = ui.Window();
  ui.Progress().status = " \t\t CopyFile [3]\na\nb";
  ui.Progress().overall = 42;
  ui.RefreshStatus();
  EXPECT_EQ(C(w, "c1003")->text(), "CopyFile [3]\na\nb");
  EXPECT_EQ(C(w, "c1008")->text(), "42%");
  EXPECT_EQ(C<QProgressBar>(w, "c1007")->value(), 42);

  struct Case {
    int remaining;
    const char* time;
    const char* bytes;
    bool bar;
  } cases[] = {
      {150, "Remaining time for this action: 2 minutes.", "1,234,567 from 9,999,999 bytes copied.",
       true},
      {119, "Remaining time for this action: 119 seconds.",
       "1,234,567 from 9,999,999 bytes copied.", true},
      {120, "Remaining time for this action: 2 minutes.", "1,234,567 from 9,999,999 bytes copied.",
       true},
      {-1, "", "1,234,567 from ??? bytes copied.", false},
      {0, "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.remaining);
    ProgressState& p = ui.Progress();
    p.remainingSeconds = c.remaining;
    p.file = 12;
    p.bytesCopied = 1234567;
    p.bytesTotal = 9999999;
    ui.RefreshCopyProgress();
    EXPECT_EQ(C(w, "c1011")->text().toStdString(), c.time);
    EXPECT_EQ(C(w, "c1013")->text().toStdString(), c.bytes);
    EXPECT_EQ(C(w, "c1010")->text(), c.bar ? "12%" : "");
    EXPECT_EQ(!C<QProgressBar>(w, "c1012")->isHidden(), c.bar);
  }
  ui.Progress().title = "Prentix 2.1 Setup";
  ui.RefreshTitle();
  EXPECT_EQ(w->windowTitle(), "Prentix 2.1 Setup");
}

TEST(InstallerWindow, SelectionPathsAndWhatCountsAsAChoice) {
  App();
  const std::string root = pxtest::TestRoot() + "/drive";
  std::filesystem::create_directories(root + "/dir/sub");
  std::filesystem::create_directories(root + "/sub");
  setenv("WINDIR", (pxtest::TestRoot() + "/windows").c_str(), 1);
  ASSERT_TRUE(pxtest::WriteFile(pxtest::TestRoot() + "/windows/win.ini",
                                "[Drives]\nC=" + root + "\nD=" + root + "/dir\n"));
  SelectionDialog d("Select directory", "", nullptr, 9);
  auto* list = C<QListWidget>(&d, "c1002");
  auto* edit = C<QLineEdit>(&d, "c1015");
  auto item = [&](const char* name) {
    auto found = list->findItems(name, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << name;
    return found.isEmpty() ? nullptr : found.first();
  };
  d.ChangeTo("C:\\");
  EXPECT_EQ(list->count(), 2);  // no way up from the root
  emit list->itemClicked(item("sub"));
  EXPECT_EQ(edit->text(), "C:\\sub");
  emit list->itemActivated(item("dir"));
  EXPECT_EQ(C(&d, "c1014")->text(), "C:\\DIR");
  emit list->itemClicked(item("sub"));
  EXPECT_EQ(edit->text(), "C:\\dir\\sub");
  emit list->itemClicked(item(".."));  // changes nothing
  EXPECT_EQ(edit->text(), "C:\\dir\\sub");
  emit list->itemActivated(item(".."));
  EXPECT_EQ(d.Directory(), "C:\\");
  EXPECT_EQ(C<QComboBox>(&d, "c1013")->currentText(), "C:\\");

  struct Confirm {
    const char* text;
    bool counts;
  } confirms[] = {{"C:\\dir", true}, {" C:\\dir", false}, {"", false}};
  for (const Confirm& c : confirms) {
    edit->setText(c.text);
    d.accept();
    EXPECT_EQ(d.Result().has_value(), c.counts) << c.text;
    EXPECT_EQ(d.result() == QDialog::Accepted, c.counts) << c.text;
  }

  std::vector<std::string> groups{"Tervola", "Games"};
  SelectionDialog g("Select program-group", "", &groups, 9);
  auto* glist = C<QListWidget>(&g, "c1002");
  emit glist->itemActivated(glist->item(1));
  EXPECT_EQ(g.Result(), std::optional<std::string>("Games"));
  unsetenv("WINDIR");
}

// Presses the wizard's buttons as a user would, page by page.
TEST(InstallerWindow, ScriptWithWizardRunsThroughToItsFiles) {
  App();
  const std::string root = pxtest::TestRoot();
  const std::string target = root + "/installed";
  ASSERT_TRUE(pxtest::WriteFile(root + "/payload.txt", "the program\n"));
  ASSERT_TRUE(
      pxtest::WriteFile(root + "/setup.inf",
                        "wizardcreate\n"
                        "__WizardTitle__ = 'Demo Setup'\n"
                        "r1 = wizardpagetext 2 'Welcome to the demo.'\n"
                        "dir = 'nowhere'\n"
                        "docs = '0'\n"
                        "r2 = wizardpagebrowse 5 'DIR' 'Where to?' dir CHECK docs 'Documents'\n"
                        "wizardclose\n"
                        "if r2 != 4\n  exit\nendif\n"
                        "mkdir dir\n"
                        "copyfile 'payload.txt' '%dir%/payload.txt' ALWAYS\n"
                        "if docs\n  copyfile 'payload.txt' '%dir%/docs.txt' ALWAYS\nendif\n"));
  ASSERT_EQ(chdir(root.c_str()), 0);

  std::vector<std::string> pages;
  QTimer clicker;
  clicker.setInterval(20);
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    auto* wizard = qobject_cast<WizardSheet*>(QApplication::activeModalWidget());
    if (!wizard || !wizard->isVisible()) return;
    auto* edit = C<QLineEdit>(wizard, "c1018");
    pages.push_back(wizard->windowTitle().toStdString() + (edit->isVisible() ? " input" : " text"));
    if (edit->isVisible()) {
      EXPECT_EQ(edit->text(), "nowhere");
      EXPECT_TRUE(C<QPushButton>(wizard, "c1019")->isVisible());  // browse for a directory
      EXPECT_FALSE(C<QPushButton>(wizard, "next")->isEnabled());
      edit->setText(QString::fromStdString(target));
      C<QCheckBox>(wizard, "c1023")->click();
      C<QPushButton>(wizard, "finish")->click();
    } else {
      C<QPushButton>(wizard, "next")->click();
    }
  });
  clicker.start();
  scripttest::FakeFacts facts;
  facts.language = 9;
  QtUi ui(9, NumberLocale{});
  int code = RunInWindow(ui, [&] {
    instari::script::Interpreter in(ui, facts);
    return in.RunScript({"instari", "setup.inf"});
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(pages, (std::vector<std::string>{"Demo Setup text", "Demo Setup input"}));
  EXPECT_EQ(pxtest::ReadFile(target + "/payload.txt"), "the program\n");
  EXPECT_EQ(pxtest::ReadFile(target + "/docs.txt"), "the program\n");
  EXPECT_FALSE(ui.Window()->isVisible());  // closed itself
}

}  // namespace
