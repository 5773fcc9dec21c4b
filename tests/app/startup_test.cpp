#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <filesystem>
#include <regex>

#include "app/apptest.h"
#include "prentix/app/prentixapp.h"

namespace {

using apptest::AppTest;
using apptest::LogMessages;

prentix::StartupSources Sources(std::string searchPath = "") {
  prentix::StartupSources sources;
  sources.windowsVersion = [] { return *prentix::ParseWindowsVersion("4.0-nt"); };
  sources.searchPath = std::move(searchPath);
  sources.setRuntimeLocale = false;
  return sources;
}

TEST_F(AppTest, StartAndEndWriteTheirTraceLines) {
  const std::string log = pxtest::TestRoot() + "/home/start.log";
  ASSERT_TRUE(pxtest::WriteFile(log, "from the last run\n"));
  WriteIni("[Verwendung]\nLogging=" + log +
           "\nLanguage=12\nTaskbar=No\nTopMargin=4\nPRINTER=Büro\nGif=1\n");
  setenv("LANG", "pl_PL.UTF-8", 1);
  prentix::StartupSources sources = Sources();
  sources.setRuntimeLocale = true;
  prentix::PrentixApp app(sources);
  prentix::StartupPlan plan = app.InitInstance({});
  setlocale(LC_ALL, "C");
  EXPECT_EQ(app.ExitInstance(), 0);
  EXPECT_FALSE(prentix::TraceLogOpen());

  std::vector<std::string> m = LogMessages(pxtest::ReadFile(log));
  ASSERT_GE(m.size(), 2u);
  EXPECT_TRUE(std::regex_match(
      m[0], std::regex(R"(InitInstance\(\), Version: (Sun|Mon|Tue|Wed|Thu|Fri|Sat) )"
                       R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d )"
                       R"(\d\d:\d\d:\d\d \d{4}\n)")))
      << m[0];
  m.erase(m.begin());
  std::vector<std::string> expected = {
      "Ini-File: prentix.ini\n",
      "InitSprache() GetLocaleInfo() = POL\n",
      "InitSprache() Sprache = 21  h = 15\n",
      "GetIni() Language = 12\n",
      "Sprache nach GetIni() = 12\n",
      "GetIni() SaveAsNameFormat = \n",
      "GetIni() UseSaveAsNameFormat = \n",
      "GetIni() Gif = 1\n",
      "GetIni() SaveAs = \n",
      "GetIni() SaveAsKeySu = \n",
      "GetIni() SaveAsKeySa = \n",
      "GetIni() TopMargin = 4\n",
      "GetIni() LeftMargin = \n",
      "GetIni() RightMargin = \n",
      "GetIni() BottomMargin = \n",
      "GetIni() PrintDate = \n",
      "GetIni() centerV = \n",
      "GetIni() center = \n",
      "GetIni() eze = \n",
      "GetIni() Hostname = \n",
      "GetIni() Username = \n",
      "GetIni() Page = \n",
      "GetIni() Filename = \n",
      "GetIni() Landscape = \n",
      "GetIni() MonoChange = \n",
      "GetIni() GreyScale = \n",
      "GetIni() MonoR = \n",
      "GetIni() MonoG = \n",
      "GetIni() MonoB = \n",
      "GetIni() MonoM = \n",
      "GetIni() PRINTER = Büro\n",
      "GetIni() NoPrinter = \n",
      "GetIni() Tool = \n",
      "GetIni() MausSwitch = \n",
      "GetIni() Taskbar = No\n",
      "GetIni() TaskbarText = \n",
      "GetIni() menu = \n",
      "GetIni() DeleteClipboard = \n",
      "GetIni() MaxMegapixels = \n",
      "GetIni() MaxPictureSide = \n",
      "ExitInstance()\n",
  };
  EXPECT_EQ(m, expected);

  EXPECT_EQ(prentix::Sprache, 12);
  EXPECT_EQ(prentix::LiveSettings().Taskbar, 1);
  EXPECT_TRUE(plan.trayIcon);
  EXPECT_TRUE(plan.startHidden);
  EXPECT_EQ(plan.templateId, 3);
  EXPECT_EQ(plan.templateString, "Prentix\nPrntx\nPrntx\nPrentix (*.gif)\n.gif\nPrntx\nPrntx");

  // the next start begins the log afresh
  prentix::PrentixApp(Sources()).InitInstance({});
  m = LogMessages(pxtest::ReadFile(log));
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(m[0].rfind("InitInstance(), Version: ", 0), 0u);
  EXPECT_EQ(m[1], "Ini-File: prentix.ini\n");
}

TEST_F(AppTest, CommandLineIsOnePath) {
  prentix::PrentixApp app(Sources());
  EXPECT_EQ(app.InitInstance({"/tmp/My", "Pictures/shot", "1.pxi"}).openPath,
            "/tmp/My Pictures/shot 1.pxi");
  EXPECT_EQ(app.InitInstance({"/tmp/My  Pictures/a.pxi"}).openPath, "/tmp/My  Pictures/a.pxi");
  EXPECT_EQ(app.InitInstance({"a.gif"}).openPath, "a.gif");
  EXPECT_FALSE(app.InitInstance({}).openPath.has_value());
  EXPECT_FALSE(app.InitInstance({""}).openPath.has_value());
  EXPECT_EQ(prentix::CommandLinePath({"", "x"}), " x");
}

TEST_F(AppTest, DefaultGraphicToolComesFromPathInMemoryOnly) {
  const std::string root = pxtest::TestRoot();
  auto makeProgram = [](const std::string& path, bool executable) {
    ASSERT_TRUE(pxtest::WriteFile(path, "#!/bin/sh\n"));
    chmod(path.c_str(), executable ? 0755 : 0644);
  };
  std::filesystem::create_directories(root + "/a");
  std::filesystem::create_directories(root + "/b");
  std::filesystem::create_directories(root + "/b/kolourpaint");  // a directory, not a program
  makeProgram(root + "/a/kolourpaint", false);
  makeProgram(root + "/a/gimp", true);
  makeProgram(root + "/b/pinta", true);

  std::string path = root + "/a:" + root + "/b/";
  EXPECT_EQ(prentix::FindGraphicTool(path), root + "/b/pinta");  // pinta comes before gimp
  EXPECT_EQ(prentix::FindGraphicTool(root + "/a"), root + "/a/gimp");
  EXPECT_EQ(prentix::FindGraphicTool(""), "");
  EXPECT_EQ(prentix::FindGraphicTool(root + "/none"), "");
  // relative and empty entries never supply a program
  ASSERT_EQ(chdir((root + "/b").c_str()), 0);
  EXPECT_EQ(prentix::FindGraphicTool(".::b"), "");

  prentix::PrentixApp(Sources(path)).InitInstance({});
  EXPECT_EQ(prentix::LiveSettings().Tool, root + "/b/pinta");
  EXPECT_FALSE(std::filesystem::exists(IniPath()));  // in memory only
  prentix::WorkingSettings() = prentix::LiveSettings();
  ASSERT_TRUE(prentix::SaveSettings());
  EXPECT_EQ(prentix::GetIni("Verwendung", "Tool"), root + "/b/pinta");

  // a tool of the user's is kept
  WriteIni("[Verwendung]\nTool=mypaint --new\n");
  prentix::PrentixApp(Sources(path)).InitInstance({});
  EXPECT_EQ(prentix::LiveSettings().Tool, "mypaint --new");
  // $PATH when nothing is given
  setenv("PATH", (root + "/a").c_str(), 1);
  WriteIni("");
  prentix::StartupSources sources = Sources();
  sources.searchPath.reset();
  prentix::PrentixApp(sources).InitInstance({});
  EXPECT_EQ(prentix::LiveSettings().Tool, root + "/a/gimp");
}

TEST_F(AppTest, WindowsVersionFromTextOrSystem) {
  auto v = prentix::ParseWindowsVersion("3.10");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->major, 3);
  EXPECT_EQ(v->minor, 10);
  EXPECT_FALSE(v->nt);
  EXPECT_FALSE(v->win95);
  v = prentix::ParseWindowsVersion("4.0-95");
  ASSERT_TRUE(v);
  EXPECT_TRUE(v->win95);
  EXPECT_FALSE(v->nt);
  v = prentix::ParseWindowsVersion("4.0-NT");
  ASSERT_TRUE(v);
  EXPECT_TRUE(v->nt);
  v = prentix::ParseWindowsVersion("5.1");
  ASSERT_TRUE(v);
  EXPECT_TRUE(v->nt);
  // the same parser as the installer library's (which allows blanks around the text)
  for (const char* bad : {"", "4", "4.", ".0", "-4.0", "4.-1", "4.0-xp", "a.b"})
    EXPECT_FALSE(prentix::ParseWindowsVersion(bad)) << bad;

  setenv("TERVOLA_WINVER", "3.10", 1);
  EXPECT_EQ(prentix::CurrentWindowsVersion().major, 3);
  // the start takes the system's version when given none
  prentix::StartupSources sources = Sources();
  sources.windowsVersion = prentix::CurrentWindowsVersion;
  EXPECT_FALSE(prentix::PrentixApp(sources).InitInstance({}).trayIcon);
  setenv("TERVOLA_WINVER", "3.1O", 1);  // malformed: the kernel's version
  prentix::WindowsVersion host = prentix::CurrentWindowsVersion();
  EXPECT_TRUE(host.nt);
  EXPECT_GE(host.major, 2);
  unsetenv("TERVOLA_WINVER");
  EXPECT_EQ(prentix::CurrentWindowsVersion().major, host.major);
}

TEST_F(AppTest, TrayTooltipIsCutToItsBuffer) {
  prentix::Sprache = 7;
  EXPECT_EQ(prentix::TrayTooltip(), "Die linke Maustaste druckt den aktuellen Bildschirm aus.");
  // 62 ASCII bytes and a two-byte character: the character does not fit
  prentix::LiveSettings().TaskbarText = std::string(62, 'x') + "äz";
  EXPECT_EQ(prentix::TrayTooltip(), std::string(62, 'x'));
  prentix::LiveSettings().TaskbarText = std::string(61, 'x') + "äz";
  EXPECT_EQ(prentix::TrayTooltip(), std::string(61, 'x') + "ä");
  // a language's standard text follows the language chosen now
  prentix::LiveSettings().TaskbarText = "The left mouse button prints out current screen.";
  EXPECT_EQ(prentix::TrayTooltip(), "Die linke Maustaste druckt den aktuellen Bildschirm aus.");
}

}  // namespace
