#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/apptest.h"
#include "platform/profile.h"
#include "prentix/app/prentixapp.h"
#include "prentix/image/picturelimits.h"

namespace {

using apptest::AppTest;
using prentix::Settings;

prentix::StartupSources Sources(const char* version = "4.0-nt") {
  prentix::StartupSources sources;
  std::string v = version;
  sources.windowsVersion = [v] { return *prentix::ParseWindowsVersion(v); };
  sources.searchPath = "";
  sources.setRuntimeLocale = false;
  return sources;
}

TEST_F(AppTest, NoSettingsFileGivesTheDefaults) {
  prentix::PrentixApp app(Sources());
  prentix::StartupPlan plan = app.InitInstance({});
  const Settings& s = prentix::LiveSettings();
  EXPECT_EQ(s, Settings());
  EXPECT_EQ(s.Taskbar, 1);
  EXPECT_EQ(s.menu, 1);
  EXPECT_EQ(s.PrintDate, 1);
  EXPECT_EQ(s.Hostname, 1);
  EXPECT_EQ(s.Username, 1);
  EXPECT_EQ(s.Page, 0);
  EXPECT_EQ(s.Filename, 0);
  EXPECT_EQ(s.TopMargin + s.LeftMargin + s.RightMargin + s.BottomMargin, 0);
  EXPECT_EQ(s.Landscape + s.center + s.centerV + s.eze + s.GreyScale + s.MonoChange, 0);
  EXPECT_EQ(s.Gif + s.SaveAs + s.UseSaveAsNameFormat + s.NoPrinter + s.MausSwitch, 0);
  EXPECT_EQ(s.Language, 0);
  EXPECT_TRUE(s.Logging.empty());
  EXPECT_FALSE(prentix::TraceLogOpen());
  EXPECT_EQ(prentix::Sprache, 9);
  EXPECT_EQ(prentix::WorkingSettings(), s);

  EXPECT_TRUE(plan.trayIcon);
  EXPECT_TRUE(plan.startHidden);
  EXPECT_EQ(plan.templateId, 2);
  EXPECT_EQ(plan.templateString, "Prentix\nPrntx\nPrntx\nPrentix (*.pxi)\n.pxi\nPrntx\nPrntx");
  EXPECT_FALSE(plan.openPath.has_value());
  EXPECT_EQ(plan.windowTitle, "Prentix");
  EXPECT_EQ(prentix::TrayTooltip(), "The left mouse button prints out current screen.");
  // reading creates nothing
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
  EXPECT_EQ(app.ExitInstance(), 0);

  // no task bar below Windows 4: a normal window, shown
  plan = prentix::PrentixApp(Sources("3.10")).InitInstance({});
  EXPECT_EQ(prentix::LiveSettings().Taskbar, 0);
  EXPECT_FALSE(plan.trayIcon);
  EXPECT_FALSE(plan.startHidden);
  plan = prentix::PrentixApp(Sources("4.0-95")).InitInstance({});
  EXPECT_TRUE(plan.trayIcon);
}

TEST_F(AppTest, ValuesAreReadByExactBytes) {
  WriteIni(
      "[verwendung]\n"
      "TASKBAR=No\n"
      "menu=no\n"
      "Hostname=NO\n"
      "Username=no\n"
      "PrintDate=\n"
      "Landscape=Yes\n"
      "Filename=yes\n"
      "Page=1\n"
      "MausSwitch=01\n"
      "NoPrinter=1\n"
      "center=1\n"
      "centerV=yes\n"
      "eze= 1 \n"
      "GreyScale=yes\n"
      "MonoChange=01\n"
      "DeleteClipboard=YES\n"
      "Gif=0\n"
      "SaveAs=no\n"
      "UseSaveAsNameFormat=\n"
      "TopMargin=12abc\n"
      "LeftMargin=abc\n"
      "RightMargin=-3\n"
      "BottomMargin=+4\n"
      "MonoR=99999999999\n"
      "MonoG=-99999999999\n"
      "MonoB=255\n"
      "MonoM=\"132\"\n"
      "SaveAsKeySa=2\n"
      "SaveAsKeySu=1\n"
      "PRINTER=HP LaserJet 4\n"
      "Tool=/usr/bin/gimp -n\n"
      "TaskbarText=Grüße\n"
      "SaveAsNameFormat=c:\\temp\\shot.H.D\n"
      "MaxMegapixels=400\n"
      "MaxPictureSide=-5\n");
  Settings s;
  prentix::ReadRemainingSettings(s);
  EXPECT_EQ(s.Taskbar, 1);  // only exactly "no" switches it off
  EXPECT_EQ(s.menu, 0);
  EXPECT_EQ(s.Hostname, 1);
  EXPECT_EQ(s.Username, 0);
  EXPECT_EQ(s.PrintDate, 1);  // empty is not "no"
  EXPECT_EQ(s.Landscape, 0);
  EXPECT_EQ(s.Filename, 1);
  EXPECT_EQ(s.Page, 0);
  EXPECT_EQ(s.MausSwitch, 0);
  EXPECT_EQ(s.NoPrinter, 1);
  EXPECT_EQ(s.center, 1);
  EXPECT_EQ(s.centerV, 0);
  EXPECT_EQ(s.eze, 1);  // the profile trims values
  EXPECT_EQ(s.GreyScale, 1);
  EXPECT_EQ(s.MonoChange, 1);  // a decimal value, not a text
  EXPECT_EQ(s.DeleteClipboard, 0);
  EXPECT_EQ(s.Gif, 1);  // any text at all
  EXPECT_EQ(s.SaveAs, 1);
  EXPECT_EQ(s.UseSaveAsNameFormat, 0);
  EXPECT_EQ(s.TopMargin, 12);
  EXPECT_EQ(s.LeftMargin, 0);
  EXPECT_EQ(s.RightMargin, -3);
  EXPECT_EQ(s.BottomMargin, 4);
  EXPECT_EQ(s.MonoR, 2147483647);
  EXPECT_EQ(s.MonoG, -2147483647 - 1);
  EXPECT_EQ(s.MonoB, 255);
  EXPECT_EQ(s.MonoM, 132);  // quotes go
  EXPECT_EQ(s.SaveAsKeySa, 2);
  EXPECT_EQ(s.SaveAsKeySu, 1);
  EXPECT_EQ(s.PRINTER, "HP LaserJet 4");
  EXPECT_EQ(s.Tool, "/usr/bin/gimp -n");
  EXPECT_EQ(s.TaskbarText, "Grüße");
  EXPECT_EQ(s.SaveAsNameFormat, "c:\\temp\\shot.H.D");
  // the readers' budget: raised by the one, the other not usable as written
  prentix::ApplyPictureLimits(s);
  EXPECT_EQ(prentix::CurrentPictureLimits().maxPixels, 400'000'000u);
  EXPECT_EQ(prentix::CurrentPictureLimits().maxSide, prentix::kDefaultMaxPictureSide);
  prentix::SetPictureLimits({});

  WriteIni("[Verwendung]\nTaskbar=no\nmenu=No\nLandscape=yes\nMausSwitch=1\nMonoChange=0\n");
  prentix::ReadRemainingSettings(s);
  EXPECT_EQ(s.Taskbar, 0);
  EXPECT_EQ(s.menu, 1);
  EXPECT_EQ(s.Landscape, 1);
  EXPECT_EQ(s.MausSwitch, 1);
  EXPECT_EQ(s.MonoChange, 0);
  EXPECT_EQ(s.Tool, "");  // a missing key reads empty

  EXPECT_EQ(prentix::ParseDecimal(""), 0);
  EXPECT_EQ(prentix::ParseDecimal("-"), 0);
  EXPECT_EQ(prentix::ParseDecimal("2147483647"), 2147483647);
  EXPECT_EQ(prentix::ParseDecimal("2147483648"), 2147483647);
  EXPECT_EQ(prentix::ParseDecimal("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(prentix::ParseDecimal("7 12"), 7);
}

TEST_F(AppTest, LanguageSettingOverridesTheSystemLanguage) {
  struct Case {
    const char* lang;
    const char* value;  // nullptr: no key
    int sprache;
    const char* text16010;
  };
  const char* en = "The left mouse button prints out current screen.";
  const char* de = "Die linke Maustaste druckt den aktuellen Bildschirm aus.";
  const Case cases[] = {
      {"de_DE.UTF-8", nullptr, 7, de},
      {"de_DE.UTF-8", "0", 7, de},
      {"de_DE.UTF-8", "abc", 7, de},
      {"de_AT", "", 7, de},
      {"de_DE.UTF-8", "9", 9, en},
      {"de_DE.UTF-8", "999", 999, en},
      {"de_DE.UTF-8", "42", 42, en},
      {"de_DE.UTF-8", "12", 12, "Le bouton gauche de la souris imprime l'écran actuel."},
      {"C", nullptr, 9, en},
      {"ja_JP.UTF-8", nullptr, 17, en},
      {"en_US.UTF-8", "7", 7, de},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lang) + " / " + (c.value ? c.value : "(none)"));
    setenv("LANG", c.lang, 1);
    WriteIni(c.value ? std::string("[Verwendung]\nLanguage=") + c.value + "\n" : "");
    prentix::PrentixApp(Sources()).InitInstance({});
    EXPECT_EQ(prentix::Sprache, c.sprache);
    EXPECT_STREQ(prentix::GetSprachText(16010), c.text16010);
  }
}

TEST_F(AppTest, SaveSettingsWritesEveryKeyInItsOrderAndForm) {
  // a file the user edited: BottomMargin and menu by hand, other sections
  WriteIni(
      "; my settings\n"
      "[Verwendung]\n"
      "BottomMargin=5\n"
      "menu=no\n"
      "center=1\n"
      "\n"
      "[Key]\n"
      "Screen=a123\n"
      "\n"
      "[Recent File List]\n"
      "File1=/tmp/a.pxi\n");
  prentix::LiveSettings().Logging = pxtest::TestRoot() + "/save.log";
  Settings& w = prentix::WorkingSettings();
  w = Settings();
  w.Language = 999;
  w.Taskbar = 0;
  w.TaskbarText = "Prentix läuft";
  w.Logging = pxtest::TestRoot() + "/save.log";
  w.PRINTER = "PDF";
  w.Tool = "/usr/bin/pinta";
  w.TopMargin = 3;
  w.LeftMargin = 8;
  w.RightMargin = 30;
  w.BottomMargin = 9;  // never written
  w.menu = 1;          // never written
  w.center = 0;
  w.centerV = 1;
  w.Landscape = 1;
  w.Hostname = 0;
  w.Filename = 1;
  w.eze = 1;
  w.GreyScale = 1;
  w.MonoChange = 1;
  w.MonoR = 132;
  w.MonoG = 0;
  w.MonoB = 255;
  w.MonoM = -1;
  w.DeleteClipboard = 1;
  w.SaveAsNameFormat = "c:\\temp\\prentix.H.U.D.T.";
  w.UseSaveAsNameFormat = 1;
  w.SaveAs = 1;
  w.SaveAsKeySa = 1;
  w.SaveAsKeySu = 2;
  EXPECT_FALSE(prentix::SettingsApplied());
  ASSERT_TRUE(prentix::SaveSettings());
  EXPECT_TRUE(prentix::SettingsApplied());
  EXPECT_EQ(prentix::LiveSettings(), w);

  const std::string log = w.Logging;
  EXPECT_EQ(pxtest::ReadFile(IniPath()),
            "; my settings\n"
            "[Verwendung]\n"
            "BottomMargin=5\n"
            "menu=no\n"
            "center=\n"
            "TopMargin=3\n"
            "LeftMargin=8\n"
            "RightMargin=30\n"
            "MonoR=132\n"
            "MonoG=0\n"
            "MonoB=255\n"
            "MonoM=-1\n"
            "GreyScale=yes\n"
            "MonoChange=1\n"
            "CenterV=1\n"
            "PrintDate=yes\n"
            "Username=yes\n"
            "Hostname=no\n"
            "Page=no\n"
            "Filename=yes\n"
            "Landscape=yes\n"
            "eze=1\n"
            "PRINTER=PDF\n"
            "NoPrinter=\n"
            "Tool=/usr/bin/pinta\n"
            "Logging=" +
                log +
                "\n"
                "SaveAsNameFormat=c:\\temp\\prentix.H.U.D.T.\n"
                "SaveAsKeySu=2\n"
                "SaveAsKeySa=1\n"
                "SaveAs=1\n"
                "Gif=\n"
                "UseSaveAsNameFormat=1\n"
                "MausSwitch=\n"
                "Taskbar=no\n"
                "TaskbarText=Prentix läuft\n"
                "DeleteClipboard=yes\n"
                "Language=999\n"
                "\n"
                "[Key]\n"
                "Screen=a123\n"
                "\n"
                "[Recent File List]\n"
                "File1=/tmp/a.pxi\n");

  // each write is logged before it is made
  std::vector<std::string> messages = apptest::LogMessages(pxtest::ReadFile(log));
  ASSERT_EQ(messages.size(), 33u);
  EXPECT_EQ(messages[0], "WriteIni() TopMargin = 3\n");
  EXPECT_EQ(messages[9], "WriteIni() Center = \n");
  EXPECT_EQ(messages[10], "WriteIni() CenterV = 1\n");
  EXPECT_EQ(messages[30], "WriteIni() TaskbarText = Prentix läuft\n");
  EXPECT_EQ(messages[32], "WriteIni() Language = 999\n");

  // what was written reads back the same; the hand-written keys stay
  Settings back;
  prentix::ReadRemainingSettings(back);
  back.Language = prentix::ParseDecimal(prentix::GetIni("Verwendung", "Language"));
  back.Logging = prentix::GetIni("Verwendung", "Logging");
  Settings expected = w;
  expected.BottomMargin = 5;
  expected.menu = 0;
  EXPECT_EQ(back, expected);
}

TEST_F(AppTest, SaveSettingsAddsNoBottomMarginOrMenu) {
  // the default record, into a file that does not exist yet
  ASSERT_TRUE(prentix::SaveSettings());
  std::string ini = pxtest::ReadFile(IniPath());
  EXPECT_EQ(ini.rfind("[Verwendung]\nTopMargin=0\n", 0), 0u) << ini;
  EXPECT_EQ(ini.find("BottomMargin"), std::string::npos);
  EXPECT_EQ(ini.find("menu"), std::string::npos);
  EXPECT_NE(ini.find("\nTaskbar=\nTaskbarText=\nDeleteClipboard=\nLanguage=0\n"),
            std::string::npos);
  EXPECT_EQ(platform::GetPrivateProfileKeys("Verwendung", "prentix.ini").size(), 33u);

  // a value that cannot be a line is refused, and the rest still written
  prentix::WorkingSettings().TaskbarText = "two\nlines";
  prentix::WorkingSettings().Language = 12;
  EXPECT_FALSE(prentix::SaveSettings());
  EXPECT_EQ(prentix::GetIni("Verwendung", "Language"), "12");
  EXPECT_EQ(prentix::GetIni("Verwendung", "TaskbarText"), "");
}

TEST_F(AppTest, SettingsEditAndRestartRule) {
  prentix::SaveSettings();
  ASSERT_TRUE(prentix::SettingsApplied());
  prentix::LiveSettings().Gif = 1;
  Settings before = prentix::BeginSettingsEdit();
  EXPECT_FALSE(prentix::SettingsApplied());
  EXPECT_EQ(prentix::WorkingSettings(), prentix::LiveSettings());
  Settings after = before;
  after.TopMargin = 7;
  after.Tool = "x";
  EXPECT_FALSE(prentix::NeedsRestart(before, after));
  for (int Settings::*field :
       {&Settings::Taskbar, &Settings::Gif, &Settings::MausSwitch, &Settings::Language}) {
    Settings changed = before;
    changed.*field += 1;
    EXPECT_TRUE(prentix::NeedsRestart(before, changed));
  }
}

TEST_F(AppTest, HotKeysOfSectionKey) {
  WriteIni("[key]\nscreen=s122\nWindow=\n");
  EXPECT_EQ(prentix::ReadHotKey(prentix::HotKey::kScreen), "s122");
  EXPECT_EQ(prentix::ReadHotKey(prentix::HotKey::kWindow), "");
  const char* values[] = {"", "123", "s123", "a123", "122", "s122", "a122", "s65", "A123"};
  const int screenKeys[] = {1160, 1161, 1162, 1163, 1164, 1165, 1166, 0, 0};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(prentix::HotKeyChoice(values[i]), i < 7 ? i : -1) << values[i];
    EXPECT_EQ(prentix::HotKeyTextKey(prentix::HotKey::kScreen, values[i]), screenKeys[i]);
    EXPECT_EQ(prentix::HotKeyTextKey(prentix::HotKey::kWindow, values[i]),
              i == 0 ? 1167 : screenKeys[i]);
  }
  prentix::Sprache = 9;
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kScreen, ""), "Print Screen");
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kWindow, ""), "Alt+Print Screen");
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kWindow, "s123"), "Shift + F12");
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kScreen, "a122"), "Alt + F11");
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kScreen, "s65"), "s65");
  prentix::Sprache = 7;
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kScreen, ""), "Druck");
  EXPECT_EQ(prentix::HotKeyDisplayName(prentix::HotKey::kWindow, ""), "Alt+Druck");

  EXPECT_TRUE(prentix::WriteHotKey(prentix::HotKey::kWindow, 3));
  EXPECT_TRUE(prentix::WriteHotKey(prentix::HotKey::kScreen, 0));
  EXPECT_FALSE(prentix::WriteHotKey(prentix::HotKey::kScreen, 7));
  EXPECT_FALSE(prentix::WriteHotKey(prentix::HotKey::kScreen, -1));
  EXPECT_EQ(pxtest::ReadFile(IniPath()), "[key]\nscreen=\nWindow=a123\n");
}

}  // namespace

TEST_F(AppTest, HandEditedValuesAreHeldToTheDialogsRanges) {
  struct Case {
    const char* line;
    int Settings::*field;
    int expected;
  } cases[] = {
      {"TopMargin=99", &Settings::TopMargin, 30},
      {"TopMargin=30", &Settings::TopMargin, 30},
      {"LeftMargin=-4", &Settings::LeftMargin, 0},  // 0: the default margin
      {"RightMargin=31", &Settings::RightMargin, 30},
      {"BottomMargin=2147483647", &Settings::BottomMargin, 30},
      {"MonoR=256", &Settings::MonoR, 255},
      {"MonoG=-1", &Settings::MonoG, 0},
      {"MonoB=255", &Settings::MonoB, 255},
      {"MonoM=99999999999", &Settings::MonoM, 255},
      {"SaveAsKeySa=3", &Settings::SaveAsKeySa, 0},
      {"SaveAsKeySu=2", &Settings::SaveAsKeySu, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Reset();
    WriteIni(std::string("[Verwendung]\nLogging=") + pxtest::TestRoot() + "/trace.log\n" + c.line +
             "\n");
    prentix::PrentixApp app(Sources());
    app.InitInstance({});
    EXPECT_EQ(prentix::LiveSettings().*c.field, c.expected);
    EXPECT_EQ(prentix::WorkingSettings().*c.field, c.expected);
    const std::string key = std::string(c.line).substr(0, std::string(c.line).find('='));
    const bool held = c.expected != prentix::ParseDecimal(strchr(c.line, '=') + 1);
    app.ExitInstance();
    EXPECT_EQ(pxtest::ReadFile(pxtest::TestRoot() + "/trace.log")
                      .find("InitInstance() " + key + " is out of range") != std::string::npos,
              held);
  }
}
