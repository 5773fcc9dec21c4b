#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "gui/guitest.h"
#include "prentix/app/commands.h"
#include "prentix/app/menus.h"
#include "prentix/frame/opener.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/toolbars/customizesheet.h"
#include "prentix/toolbars/toolbarmanager.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

// "title: id,id,-,[sub: id],..." per pop-up, '|' between pop-ups
std::string Describe(QMenu* menu) {
  std::string out = menu->title().toStdString() + ":";
  bool first = true;
  for (QAction* a : menu->actions()) {
    if (!a->isVisible()) continue;
    out += first ? " " : ",";
    first = false;
    if (a->isSeparator()) {
      out += "-";
    } else if (a->menu()) {
      out += "[" + Describe(a->menu()) + "]";
    } else {
      out += a->objectName().mid(3).toStdString();
    }
  }
  return out;
}

std::string Describe(QMenuBar* bar) {
  std::string out;
  for (QAction* a : bar->actions()) {
    if (!out.empty()) out += " | ";
    out += Describe(a->menu());
  }
  return out;
}

std::unique_ptr<SECDib> SmallPicture() {
  DeviceBitmap bm;
  bm.width = 4, bm.height = 3, bm.bitsPerPixel = 24, bm.stride = 12;
  bm.bits.assign(36, 0x80);
  auto image = std::make_unique<SECDib>();
  EXPECT_TRUE(image->CreateFromBitmap(bm));
  return image;
}

TEST_F(GuiTest, MenuBarInBothLanguagesFullAndShort) {
  const std::string cursors =
      "[Insert cursor: 32891,32892,32893,32894,32895,32896,32897,32898,"
      "32899,32900,32901]";
  const std::string edit = "32771,-,32796,32797,32798,32799,-,32776,-," + cursors +
                           ",-,32953,32954,32955,-,32956,-,32773";
  const std::string fullEn =
      "&File: 32774,32702,32700,-,57607,57609,57606,-,32775,-,32780,-,"
      "57616,57665 | &Edit: 57634,57637," +
      edit + " | Settings: 32795,32888 | &Help: 57664";
  const std::string shortEn = "&File: 57665 | &Edit: " + edit + " | &Help: 57664";
  auto german = [](std::string s) {
    for (auto [en, de] : {std::pair{"&File", "&Datei"},
                          {"&Edit", "&Bearbeiten"},
                          {"Settings", "Einstellungen"},
                          {"&Help", "&Hilfe"},
                          {"Insert cursor", "Einfügen Mauszeiger"}}) {
      if (size_t at = s.find(en); at != std::string::npos) s.replace(at, strlen(en), de);
    }
    return s;
  };
  struct Case {
    const char* ini;
    std::string menus;
    const char* newText;  // 32774's item, where the menu has it
  } cases[] = {
      {"", fullEn, "&New"},
      {"menu=yes\nLanguage=7\n", german(fullEn), "&Neu"},
      {"menu=no\n", shortEn, nullptr},
      {"menu=no\nLanguage=7\n", german(shortEn), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    Start((std::string("Taskbar=no\n") + c.ini).c_str());
    EXPECT_EQ(Describe(Frame().menuBar()), c.menus);
    bool full = c.newText != nullptr;
    EXPECT_EQ(Frame().findChildren<QToolBar*>().size(), full ? 1u : 0u);
    EXPECT_EQ(Frame().findChild<QStatusBar*>() != nullptr, full);
    if (full) {
      EXPECT_EQ(Frame().ActionFor(cmd::kNew)->text().toStdString(), c.newText);
      // prompt and tool tip from the text before and after the line feed
      EXPECT_FALSE(Frame().ActionFor(cmd::kCut)->statusTip().contains('\n'));
      EXPECT_FALSE(Frame().ActionFor(cmd::kCut)->toolTip().isEmpty());
    }
    TearDown();
  }
}

TEST_F(GuiTest, DisabledCommandsAreDroppedWhereverTheyComeFrom) {
  Start("Taskbar=no\n");
  // nothing to print, copy or clear yet
  for (int id : {cmd::kNew, cmd::kFilePrintDirect, cmd::kMail, cmd::kEditPicture}) {
    EXPECT_FALSE(Frame().ActionFor(id)->isEnabled()) << id;
    Frame().PostCommand(id, CommandSource::kHook);
  }
  ASSERT_TRUE(WaitFor([&] { return routed_.size() == 4; }));
  EXPECT_TRUE(WasRouted(cmd::kNew, CommandSource::kHook, RouteResult::kDisabled));
  // print and the document commands have no handler yet in this window:
  // dropped as well
  EXPECT_NE(std::get<2>(routed_[1]), RouteResult::kHandled);

  SetCurrentImage(SmallPicture());
  Frame().UpdateCommandUi();
  EXPECT_TRUE(Frame().ActionFor(cmd::kNew)->isEnabled());
  Frame().ActionFor(cmd::kNew)->trigger();
  EXPECT_TRUE(WasRouted(cmd::kNew, CommandSource::kMenu, RouteResult::kHandled));
  EXPECT_EQ(CurrentImage(), nullptr);
  // New posts the framework's new file, which empties the document
  EXPECT_TRUE(WaitFor(
      [&] { return WasRouted(cmd::kFileNew, CommandSource::kProgram, RouteResult::kHandled); }));
}

TEST_F(GuiTest, TrayButtonsFollowMausSwitch) {
  for (bool swap : {false, true}) {
    SCOPED_TRACE(swap);
    Start(swap ? "MausSwitch=1\nTaskbar=no\n" : "Taskbar=no\n");
    Frame().hide();
    Frame().OnTrayMouse(swap ? TrayMouse::kRightDown : TrayMouse::kLeftDown);
    EXPECT_TRUE(WasRouted(cmd::kTrayCapture, CommandSource::kTray, RouteResult::kHandled));
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_FALSE(Flags().trayBusy);
    EXPECT_FALSE(Flags().noExit);
    routed_.clear();
    Frame().OnTrayMouse(swap ? TrayMouse::kLeftDown : TrayMouse::kRightDown);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(routed_.empty());
    // a click while a tray capture runs does nothing
    Flags().trayBusy = true;
    Frame().OnTrayMouse(swap ? TrayMouse::kRightDown : TrayMouse::kLeftDown);
    EXPECT_TRUE(routed_.empty());
    Flags().trayBusy = false;
    TearDown();
  }
  // minimized during a capture, a tray program's window hides instead
  for (const char* taskbar : {"", "no"}) {
    SCOPED_TRACE(taskbar);
    Start((std::string("Taskbar=") + taskbar + "\n").c_str());
    Frame().show();
    Flags().noExit = true;
    Frame().showMinimized();
    WaitFor([&] { return !Frame().isVisible(); }, 300);
    Flags().noExit = false;
    EXPECT_EQ(Frame().isVisible(), *taskbar != '\0');
    TearDown();
  }
}

TEST_F(GuiTest, ClosingATrayProgramAsksAndNoMinimizes) {
  Start("");  // tray on, but no tray here: the window is shown instead
  EXPECT_EQ(app_->Tray(), nullptr);
  EXPECT_TRUE(Frame().isVisible());
  std::string log = pxtest::ReadFile(LogPath());
  EXPECT_NE(log.find("no system tray"), std::string::npos) << log;

  std::vector<QString> asked;
  QMessageBox::StandardButton answer = QMessageBox::No;
  Frame().askQuestion = [&](QWidget*, const QString& text) {
    asked.push_back(text);
    return answer;
  };
  int closed = 0;
  QObject::connect(&Frame(), &CMainFrame::Closed, [&] { ++closed; });
  Frame().ActionFor(cmd::kAppExit)->trigger();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].toStdString(), "Quit the application ?");
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(Frame().isMinimized());
  answer = QMessageBox::Yes;
  EXPECT_TRUE(Frame().close());
  EXPECT_EQ(closed, 1);
  TearDown();

  // without the tray, no question
  Start("Taskbar=no\n");
  Frame().askQuestion = [&](QWidget*, const QString& text) {
    asked.push_back(text);
    return QMessageBox::No;
  };
  EXPECT_TRUE(Frame().close());
  EXPECT_EQ(asked.size(), 2u);  // the two of the tray program only
}

TEST_F(GuiTest, ToolbarLayoutSurvivesARestartAndADamagedEntry) {
  Start("Taskbar=no\n");
  ToolBarManager* bars = Frame().Bars();
  ASSERT_NE(bars, nullptr);
  {
    // the customising sheet changes the bar at once
    CustomizeSheet sheet(bars, &Frame());
    sheet.ButtonFor(cmd::kCut)->setChecked(false);
    sheet.ButtonFor(cmd::kShowGrid)->setChecked(true);
    sheet.ButtonFor(cmd::kZoomBox)->setChecked(true);
    sheet.Large()->setChecked(true);
  }
  EXPECT_EQ(bars->Bar()->iconSize(), QSize(24, 23));
  Frame().addToolBar(Qt::LeftToolBarArea, bars->Bar());
  std::vector<int> buttons = bars->Buttons();
  EXPECT_EQ(std::count(buttons.begin(), buttons.end(), cmd::kCut), 0);
  EXPECT_EQ(buttons.back(), cmd::kZoomBox);
  EXPECT_TRUE(Frame().close());  // saves the layout
  TearDown();

  Start(nullptr);
  bars = Frame().Bars();
  EXPECT_EQ(bars->Buttons(), buttons);
  EXPECT_TRUE(bars->LargeButtons());
  EXPECT_EQ(Frame().toolBarArea(bars->Bar()), Qt::LeftToolBarArea);
  std::string ini = pxtest::ReadFile(WindowsDir() + "/prentix.ini");
  EXPECT_NE(ini.find("[Toolbar90]"), std::string::npos);
  TearDown();

  // a damaged entry gives the default bar, not a broken window
  std::string damaged = ini;
  damaged.replace(damaged.find("State="), 6, "State=@@not base64@@");
  size_t line = damaged.find("Buttons=");
  damaged.replace(line, damaged.find('\n', line) - line, "Buttons=x,,0,");
  ASSERT_TRUE(pxtest::WriteFile(WindowsDir() + "/prentix.ini", damaged));
  prentix::StartupSources sources;
  sources.searchPath = "";
  sources.setRuntimeLocale = false;
  app_ = std::make_unique<prentix::CPrentixApp>(sources);
  ASSERT_TRUE(app_->InitInstance({}));
  std::span<const int> def = DefaultToolbar();
  EXPECT_EQ(Frame().Bars()->Buttons(), std::vector<int>(def.begin(), def.end()));
  EXPECT_EQ(Frame().toolBarArea(Frame().Bars()->Bar()), Qt::TopToolBarArea);
}

TEST_F(GuiTest, EditPictureHandsThePathToTheToolAsOneArgument) {
  const std::string dir = pxtest::TestRoot() + "/my tools";
  mkdir(dir.c_str(), 0755);
  const std::string out = pxtest::TestRoot() + "/argv.txt";
  const std::string recorder = dir + "/record args";
  ASSERT_TRUE(pxtest::WriteFile(recorder, "#!/bin/sh\nfor a; do printf '%s\\n' \"$a\"; done > \"" +
                                              out + ".part\" && mv \"" + out + ".part\" \"" + out +
                                              "\"\n"));
  chmod(recorder.c_str(), 0755);
  const std::string picture = pxtest::TestRoot() + "/My Pictures/Shot 1.PXI";
  mkdir((pxtest::TestRoot() + "/My Pictures").c_str(), 0755);
  ASSERT_TRUE(SaveImageDocument(*SmallPicture(), picture));

  // a picture opened from a file: its path exactly as written
  Start(("Taskbar=no\nTool='" + recorder + "' --new-window\n").c_str(), {picture});
  ASSERT_NE(CurrentImage(), nullptr);
  Frame().UpdateCommandUi();
  ASSERT_TRUE(Frame().ActionFor(cmd::kEditPicture)->isEnabled());
  Frame().ActionFor(cmd::kEditPicture)->trigger();
  ASSERT_TRUE(WaitFor([&] { return access(out.c_str(), F_OK) == 0; }));
  EXPECT_EQ(pxtest::ReadFile(out), "--new-window\n" + picture + "\n");
  unlink(out.c_str());

  // Mail hands the file to the desktop's compose window
  const std::string bin = pxtest::TestRoot() + "/bin";
  mkdir(bin.c_str(), 0755);
  ASSERT_TRUE(pxtest::WriteFile(bin + "/xdg-email", pxtest::ReadFile(recorder)));
  chmod((bin + "/xdg-email").c_str(), 0755);
  const std::string path = getenv("PATH");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  Frame().ActionFor(cmd::kMail)->trigger();
  setenv("PATH", path.c_str(), 1);
  ASSERT_TRUE(WaitFor([&] { return access(out.c_str(), F_OK) == 0; }));
  EXPECT_EQ(pxtest::ReadFile(out),
            "--utf8\n--subject\nPrentix ...\n--body\n \n--attach\n" + picture + "\n");
  unlink(out.c_str());

  // an unsaved picture goes through ~pxi.pxi in a folder only the user can
  // enter; what another user put at that name in the shared temporary
  // folder is neither used nor touched
  const std::string planted = pxtest::TestRoot() + "/tmp/~pxi.pxi";
  ASSERT_TRUE(pxtest::WriteFile(planted, "planted"));
  chmod(planted.c_str(), 0444);
  app_->Doc()->OnNewDocument();
  SetCurrentImage(SmallPicture());
  Frame().ActionFor(cmd::kEditPicture)->trigger();
  ASSERT_TRUE(WaitFor([&] { return access(out.c_str(), F_OK) == 0; }));
  const std::string handed = pxtest::ReadFile(out);
  ASSERT_EQ(handed.substr(0, 13), "--new-window\n");
  const std::string temp = handed.substr(13, handed.size() - 14);
  EXPECT_EQ(std::filesystem::path(temp).filename(), "~pxi.pxi");
  EXPECT_EQ(pxtest::ReadFile(temp).substr(0, 2), "BM");
  struct stat folder {
  }, file{};
  ASSERT_EQ(lstat(std::filesystem::path(temp).parent_path().c_str(), &folder), 0);
  ASSERT_EQ(stat(temp.c_str(), &file), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(folder.st_mode & 077, 0u);
  EXPECT_EQ(file.st_mode & 077, 0u);
  EXPECT_EQ(pxtest::ReadFile(planted), "planted");

  // a file dropped on the window becomes the document
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(picture))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  // a drop reaches a window only after the drag entered it
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Frame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QApplication::sendEvent(&Frame(), &drop);
  EXPECT_EQ(app_->Doc()->PathName(), picture);
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Shot 1.PXI - Prentix");
  EXPECT_EQ(CurrentImage()->m_dwWidth, 4u);
}

}  // namespace

namespace {

// A damaged file and a help page nobody can open: the user is told, and
// what was shown stays.
TEST_F(GuiTest, AFailedOpenKeepsThePictureAndHelpNobodyOpensIsTold) {
  const std::string good = pxtest::TestRoot() + "/good.pxi", bad = pxtest::TestRoot() + "/bad.pxi";
  ASSERT_TRUE(SaveImageDocument(*SmallPicture(), good));
  ASSERT_TRUE(pxtest::WriteFile(bad, "BM but nothing after"));
  Start("Taskbar=no\n", {good});
  std::vector<std::string> messages;
  app_->Doc()->message = [&](const QString& text) { messages.push_back(text.toStdString()); };
  app_->Doc()->promptFileName = [&](bool, const QString&, const std::string&) { return bad; };
  const SECDib* shown = CurrentImage();
  app_->Router().Route(cmd::kOpen, CommandSource::kMenu);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Sorry, can not convert this graphic file", 0), 0u);
  EXPECT_EQ(CurrentImage(), shown);
  EXPECT_EQ(app_->Doc()->PathName(), good);
  EXPECT_EQ(Frame().windowTitle(), "good.pxi - Prentix");

  // xdg-open that finds no program for the page
  const std::string bin = pxtest::TestRoot() + "/bin";
  mkdir(bin.c_str(), 0755);
  ASSERT_TRUE(pxtest::WriteFile(bin + "/xdg-open", "#!/bin/sh\nexit 3\n"));
  chmod((bin + "/xdg-open").c_str(), 0755);
  const std::string path = getenv("PATH");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  std::vector<std::string> told;
  OpenWithDesktop(&Frame(), "/help/prentix.html",
                  [&](const QString& text) { told.push_back(text.toStdString()); });
  EXPECT_TRUE(WaitFor([&] { return !told.empty(); }));
  EXPECT_EQ(told, std::vector<std::string>{"No program could open /help/prentix.html."});
  setenv("PATH", path.c_str(), 1);
}

}  // namespace
