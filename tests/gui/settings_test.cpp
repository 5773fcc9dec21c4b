// The settings dialog, opened through the Settings command and driven the
// way a user clicks it.

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include <QPrinterInfo>
#include "gui/guitest.h"
#include "platform/profile.h"
#include "prentix/app/commands.h"

#include "prentix/frame/pictureqt.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/image/document.h"
#include "prentix/settings/psheet.h"

namespace {

using namespace prentix;
using guitest::GuiTest;

class SettingsTest : public GuiTest {
 protected:
  // Opens the dialog; drive gets it on its first page and returns whether
  // it ended with OK.
  void OpenSheet(const std::function<bool(CPSheet&)>& drive) {
    Frame().tellUser = [this](QWidget*, const QString& text) {
      told_.push_back(text.toStdString());
    };
    Frame().runSheet = [this, drive](CPSheet& sheet) {
      sheet_ = &sheet;
      sheet.show();
      bool ok = drive(sheet);
      if (ok) {
        sheet.accept();
      } else if (sheet.result() != QDialog::Accepted) {
        sheet.reject();
      }
      sheet_ = nullptr;
      return sheet.result();
    };
    app_->Router().Route(cmd::kSettings, CommandSource::kMenu);
  }
  void Tab(int index) { sheet_->Tabs()->setCurrentIndex(index); }
  template <typename W = QWidget>
  W* C(int id) {
    W* w = sheet_->findChild<W*>(QString("c%1").arg(id));
    EXPECT_TRUE(w) << id;
    return w;
  }
  void Click(int id) { C<QAbstractButton>(id)->click(); }
  bool Checked(int id) { return C<QAbstractButton>(id)->isChecked(); }
  QString Text(int id) { return C<QLineEdit>(id)->text(); }
  static std::string Ini(const char* section, const char* key) {
    return platform::GetPrivateProfileString(section, key, "?", WindowsDir() + "/prentix.ini");
  }
  bool Routed(int id) const {
    return std::any_of(routed_.begin(), routed_.end(),
                       [id](const guitest::Routed& r) { return std::get<0>(r) == id; });
  }

  CPSheet* sheet_ = nullptr;
  std::vector<std::string> told_;
};

TEST_F(SettingsTest, MarginsClampAndApplyWritesEveryKey) {
  Start("Taskbar=no\nLeftMargin=1\n");
  OpenSheet([&](CPSheet& sheet) {
    EXPECT_EQ(sheet.windowTitle(), "Settings");
    EXPECT_FALSE(sheet.findChild<QPushButton*>("apply")->isEnabled());
    Tab(1);
    EXPECT_EQ(Text(1132), "1");
    Click(1126);  // "<" at 1: 0, which the edit turns into the default
    EXPECT_EQ(Text(1132), "8");
    C<QLineEdit>(1134)->setText("45");
    EXPECT_EQ(Text(1134), "30");
    Click(1136);  // ">" at 30 stays at 30
    EXPECT_EQ(Text(1134), "30");
    C<QLineEdit>(1133)->setText("123");
    EXPECT_EQ(Text(1133), "12");
    // typed over the selection: a refused key leaves text and selection
    C<QLineEdit>(1133)->selectAll();
    QTest::keyClicks(C<QLineEdit>(1133), "-5");
    EXPECT_EQ(Text(1133), "5");
    C<QLineEdit>(1133)->setText("x");
    EXPECT_EQ(Text(1133), "2");
    Click(1135);
    EXPECT_EQ(Text(1134), "29");
    EXPECT_TRUE(sheet.findChild<QPushButton*>("apply")->isEnabled());
    Click(1118);  // centred: stored at once
    EXPECT_EQ(WorkingSettings().center, 1);
    return true;
  });
  const std::string expected =
      "[Verwendung]\nLogging=" + LogPath() +
      "\nTaskbar=no\nLeftMargin=8\nPRINTER=PDF file\n"
      "TopMargin=29\nRightMargin=2\nMonoR=0\nMonoG=0\nMonoB=0\nMonoM=0\nGreyScale=no\n"
      "MonoChange=\nCenter=1\nCenterV=\nPrintDate=yes\nUsername=yes\nHostname=yes\nPage=no\n"
      "Filename=no\nLandscape=no\neze=\nNoPrinter=\nTool=\nSaveAsNameFormat=\nSaveAsKeySu=0\n"
      "SaveAsKeySa=0\nSaveAs=\nGif=\nUseSaveAsNameFormat=\nMausSwitch=\nTaskbarText=\n"
      "DeleteClipboard=\nLanguage=0\n";
  EXPECT_EQ(pxtest::ReadFile(WindowsDir() + "/prentix.ini"), expected);
  EXPECT_EQ(LiveSettings().TopMargin, 29);
  EXPECT_TRUE(told_.empty());  // margins need no restart
}

TEST_F(SettingsTest, ModifierRowsAndHotKeyRowsNeverShareAKey) {
  Start("Taskbar=no\nSaveAsKeySu=1\n");
  OpenSheet([&](CPSheet&) {
    Tab(3);
    EXPECT_TRUE(Checked(1189));
    EXPECT_FALSE(C(1111)->isEnabled());
    Click(1186);  // Shift below: the Save As row gives way to Ctrl
    EXPECT_TRUE(Checked(1190));
    EXPECT_TRUE(C(1111)->isEnabled());
    Click(1189);  // Shift above: the name row gives way to Ctrl
    EXPECT_TRUE(Checked(1187));
    Click(1185);
    EXPECT_FALSE(C(1111)->isEnabled());
    Tab(5);
    EXPECT_TRUE(Checked(1160) && Checked(1167));
    Click(1161);  // F12 for the screen
    Click(1168);  // F12 for the window: the screen goes back to Print Screen
    EXPECT_TRUE(Checked(1160));
    Click(1162);  // Shift+F12 for the screen: the window keeps F12
    EXPECT_TRUE(Checked(1168));
    return true;
  });
  EXPECT_EQ(Ini("Verwendung", "SaveAsKeySu"), "1");
  EXPECT_EQ(Ini("Verwendung", "SaveAsKeySa"), "0");
  EXPECT_EQ(Ini("Key", "Screen"), "s123");
  EXPECT_EQ(Ini("Key", "Window"), "123");
}

TEST_F(SettingsTest, MonochromeWithoutPictureIssuesNothingAndRefusesBadNumbers) {
  Start("Taskbar=no\nMonoR=10\nMonoG=20\nMonoB=30\nMonoM=40\n");
  OpenSheet([&](CPSheet& sheet) {
    Tab(2);
    EXPECT_EQ(Text(1117), "30");
    C<QScrollBar>(1109)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    C<QScrollBar>(1109)->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(Text(1108), "1");
    C<QScrollBar>(1109)->triggerAction(QAbstractSlider::SliderPageStepSub);  // refused below 10
    EXPECT_EQ(Text(1108), "1");
    EXPECT_EQ(C<QScrollBar>(1109)->value(), 1);
    Click(32958);  // grey scale clears the thresholds
    for (int id : {1108, 1115, 1117, 1121}) EXPECT_EQ(Text(id), "0") << id;
    EXPECT_EQ(C<QScrollBar>(1119)->value(), 0);
    C<QLineEdit>(1115)->setText("abc");
    sheet.accept();  // the number is refused: the page stays
    EXPECT_EQ(told_, std::vector<std::string>{"Please enter a whole number from 0 to 255."});
    EXPECT_NE(sheet.result(), QDialog::Accepted);
    Tab(0);
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 2);
    C<QLineEdit>(1115)->setText("7");
    return true;
  });
  EXPECT_FALSE(Routed(cmd::kEditCopy) || Routed(cmd::kEditPaste));
  EXPECT_EQ(Ini("Verwendung", "GreyScale"), "yes");
  EXPECT_EQ(Ini("Verwendung", "MonoR"), "0");
  EXPECT_EQ(Ini("Verwendung", "MonoG"), "7");
}

TEST_F(SettingsTest, LivePreviewAndCancelBringsThePictureBack) {
  Start("Taskbar=no\n");
  DeviceBitmap bm;
  bm.width = 16, bm.height = 8, bm.bitsPerPixel = 24, bm.stride = 48;
  // greys, which the mixed threshold turns black and white
  for (int i = 0; i < 16 * 8 * 3; ++i) bm.bits.push_back(static_cast<BYTE>(i / 3 * 2));
  auto image = std::make_unique<SECDib>();
  ASSERT_TRUE(image->CreateFromBitmap(bm));
  // opened from its file, which the cancelled preview must not forget
  const std::string file = pxtest::TestRoot() + "/greys.pxi";
  ASSERT_TRUE(SaveImageDocument(*image, file));
  ASSERT_TRUE(app_->Doc()->OnOpenDocument(file));
  auto pixels = [] {
    const SECDib* p = CurrentImage();
    return p ? UprightImage(*p) : QImage();
  };
  const QImage before = pixels();
  OpenSheet([&](CPSheet&) {
    EXPECT_TRUE(Routed(cmd::kEditCopy));
    Tab(2);
    for (int i = 0; i < 13; ++i) {
      C<QScrollBar>(1119)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    }
    EXPECT_TRUE(Routed(cmd::kEditPaste));
    EXPECT_NE(pixels(), before);         // previewed in black and white
    EXPECT_EQ(LiveSettings().MonoM, 0);  // the live record kept
    return false;
  });
  EXPECT_EQ(pixels(), before);
  EXPECT_EQ(Ini("Verwendung", "MonoM"), "?");
  EXPECT_EQ(app_->Doc()->PathName(), file);  // for the title and the Filename line
  EXPECT_EQ(Frame().windowTitle(), "greys.pxi - Prentix");
}

TEST_F(SettingsTest, LanguageSwitchesAtOnceAndAsksForARestart) {
  setenv("LANG", "de_DE.UTF-8", 1);  // the system's language
  Start("Taskbar=no\nLanguage=999\n");
  EXPECT_EQ(Frame().menuBar()->actions().first()->text(), "&File");
  OpenSheet([&](CPSheet& sheet) {
    Tab(7);
    EXPECT_TRUE(Checked(1179));
    EXPECT_EQ(C<QAbstractButton>(1177)->text(), "Standard  (German)");
    Click(1177);
    sheet.findChild<QPushButton*>("apply")->click();
    EXPECT_EQ(sheet.windowTitle(), "Einstellungen");
    EXPECT_EQ(sheet.Tabs()->tabText(7), "Sprache");
    EXPECT_EQ(Frame().menuBar()->actions().first()->text(), "&Datei");
    return true;
  });
  EXPECT_EQ(Ini("Verwendung", "Language"), "0");
  EXPECT_EQ(told_, std::vector<std::string>{"Bitte starten Sie das Programm neu."});
  told_.clear();
  OpenSheet([&](CPSheet&) {
    Tab(7);
    Click(1179);
    return true;
  });
  EXPECT_EQ(Ini("Verwendung", "Language"), "999");
  EXPECT_EQ(Sprache, 999);
  EXPECT_EQ(Frame().menuBar()->actions().first()->text(), "&File");
  EXPECT_EQ(told_, std::vector<std::string>{"Please restart the program."});
}

TEST_F(SettingsTest, OtherPagesStoreWhatTheyShow) {
  Start("Taskbar=no\nPRINTER=\n");
  LiveSettings().Logging.clear();
  OpenSheet([&](CPSheet&) {
    Tab(4);
    EXPECT_FALSE(Checked(1146));
    Click(1146);
    Tab(8);
    EXPECT_FALSE(Checked(1148));
    EXPECT_EQ(Text(1149).toStdString(), WindowsDir() + "/prentix.log");
    EXPECT_EQ(Text(1156), "The left mouse button prints out current screen.");
    Click(1152);  // the tray icon back on
    EXPECT_FALSE(Checked(1900));
    Click(1900);  // start with the desktop
    Tab(6);
    C<QLineEdit>(1174)->setText("gimp --new");
    return true;
  });
  // the default queue, or the PDF-file printer on a system without one
  const bool queues = !QPrinterInfo::availablePrinterNames().isEmpty();
  EXPECT_EQ(Ini("Verwendung", "PRINTER"),
            queues ? QPrinterInfo::defaultPrinterName().toStdString() : "PDF file");
  EXPECT_EQ(Ini("Verwendung", "Logging"), "");
  EXPECT_EQ(Ini("Verwendung", "Taskbar"), "");
  EXPECT_EQ(Ini("Verwendung", "Tool"), "gimp --new");
  const std::string entry =
      pxtest::ReadFile(pxtest::TestRoot() + "/home/.config/autostart/prentix.desktop");
  EXPECT_NE(entry.find("\nExec=" + QCoreApplication::applicationFilePath().toStdString() + "\n"),
            std::string::npos)
      << entry;
  EXPECT_EQ(told_, std::vector<std::string>{"Please restart the program."});
}

}  // namespace
