// Start-up items and program groups on the three shells, StartGroup and
// the replacements at the next start.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "common/testutil.h"
#include "ixtest.h"
#include "platform/progman.h"
#include "platform/registry.h"

using ixtest::IxStdF;

namespace {

std::string Root() { return pxtest::TestRoot(); }
std::string Win() { return Root() + "/windows"; }
bool Exists(const std::string& p) { return access(p.c_str(), F_OK) == 0; }

class Groups : public IxStdF {
 protected:
  void TearDown() override {
    unsetenv("TERVOLA_WINVER");
    IxStdF::TearDown();
  }
  static void Version(const char* v) { setenv("TERVOLA_WINVER", v, 1); }
  // CreateStartItem changes both strings, so they are copied.
  static int Create(std::string code, std::string item, const char* target = "/bin/true",
                    const char* dir = "/tmp", std::string* codeAfter = nullptr,
                    std::string* itemAfter = nullptr) {
    int r = CreateStartItem(code.data(), item.data(), target, "-x", dir, "/i.ico", 3, 1);
    if (codeAfter) *codeAfter = code.c_str();
    if (itemAfter) *itemAfter = item.c_str();
    return r;
  }
};

}  // namespace

TEST_F(Groups, ShellLinksOnTheNewerShells) {
  Version("4.0-95");
  const std::string programs = Win() + "/Start Menu/Programs";
  std::string code, item;
  EXPECT_EQ(Create("\\XS\\Tools", "Edit", "/bin/true", "/tmp", &code), 0);
  EXPECT_EQ(code, "\\PG\\Tools");
  EXPECT_TRUE(Exists(programs + "/Tools/Edit.LNK"));
  char target[260], args[260], dir[260];
  int show = 0;
  ASSERT_EQ(GetLinkInfo((programs + "/Tools/Edit.LNK").c_str(), target, args, dir, &show), 0);
  EXPECT_STREQ(args, "-x");
  EXPECT_EQ(show, 7);
  // common codes fall back to the personal folders outside NT 4
  EXPECT_EQ(Create("\\CPG\\Tools", "Other"), 0);
  EXPECT_TRUE(Exists(programs + "/Tools/Other.LNK"));
  EXPECT_EQ(Create("\\DT\\", "a/b\\c", "/bin/true", "/tmp", nullptr, &item), 0);
  EXPECT_EQ(item, "a_b_c");
  EXPECT_TRUE(Exists(Root() + "/home/Desktop/a_b_c.LNK"));
  EXPECT_EQ(Create("\\PS\\", "Boot"), 0);
  EXPECT_TRUE(Exists(programs + "/Startup/Boot.LNK"));
  // the groups the selection offers are these folders, not Program Manager's
  EXPECT_STREQ(GetProgrammGruppen(), "Startup\r\nTools\r\n");

  // removal: the link, then the emptied group folder; 0 also for nothing
  EXPECT_EQ(Create("-\\PG\\Tools", "Edit"), 0);
  EXPECT_FALSE(Exists(programs + "/Tools/Edit.LNK"));
  EXPECT_TRUE(Exists(programs + "/Tools"));  // Other is still there
  // the menu's twin has no comment of the library's own name
  const std::string menu = Root() + "/home/.local/share/applications/Tools";
  EXPECT_TRUE(Exists(menu + "/Other.desktop"));
  EXPECT_EQ(pxtest::ReadFile(menu + "/Other.desktop").find("Comment="), std::string::npos);
  EXPECT_EQ(Create("-\\XS\\Tools", "Other", "/bin/true", "/tmp", &code), 0);
  EXPECT_EQ(code, "-\\PG\\Tools");
  EXPECT_FALSE(Exists(programs + "/Tools"));
  EXPECT_FALSE(Exists(menu));  // the menu folder goes with its last item
  EXPECT_TRUE(Exists(Root() + "/home/.local/share/applications"));
  EXPECT_EQ(Create("-\\PG\\Tools", "Edit"), 0);
  EXPECT_EQ(GibLetzteFehlerNr(), 0);

  EXPECT_EQ(Create("\\XX\\", "x"), IXSTDF_FAILURE);
  EXPECT_EQ(Text(), "CreateStartItem: unbekanntes Gruppenkennzeichen");
  EXPECT_EQ(Create("\\CP", "x"), IXSTDF_FAILURE);
  // a common code cut short is not read past its end
  EXPECT_EQ(Create("\\CPG", "Short"), 0);
  EXPECT_TRUE(Exists(programs + "/Short.LNK"));

  // NT 4 uses the common folders
  Version("4.0-nt");
  EXPECT_EQ(Create("\\CPG\\Tools", "Common"), 0);
  EXPECT_TRUE(Exists(Win() + "/All Users/Start Menu/Programs/Tools/Common.LNK"));
  EXPECT_FALSE(Exists(programs + "/Tools"));
  // a link name over the path limit is refused, not cut
  EXPECT_EQ(Create("\\PG\\Tools", std::string(300, 'n')), IXSTDF_FAILURE);
  EXPECT_EQ(Text().rfind("ErzeugeLinkDatei: Fehler bei Save", 0), 0u);
}

TEST_F(Groups, ProgramManagerOnTheOlderShells) {
  Version("3.10");
  std::string code;
  EXPECT_EQ(Create("\\XS\\Tools", "Edit", "c:\\t\\edit.exe", "c:\\t", &code), 0);
  EXPECT_EQ(code, "\\PS\\Tools");
  platform::ProgramManager pm;
  // \PS\ goes into the start-up group, named by the language (deu default)
  auto g = pm.FindGroup("Autostart");
  ASSERT_TRUE(g);
  ASSERT_EQ(g->items.size(), 1u);
  EXPECT_EQ(g->items[0].name, "Edit");
  EXPECT_EQ(g->items[0].command, "c:\\t\\edit.exe -x");
  EXPECT_EQ(g->items[0].workingDirectory, "c:\\t");
  EXPECT_EQ(g->items[0].iconPath, "/i.ico");
  EXPECT_EQ(g->items[0].iconIndex, 3);
  EXPECT_EQ(g->items[0].minimize, 1);
  EXPECT_EQ(g->showCommand, 2);  // the group's earlier state: none, so 2

  // an empty working directory gives the two-argument AddItem
  EXPECT_EQ(Create("\\PG\\Tools", "Calc", "c:\\t\\calc.exe", ""), 0);
  g = pm.FindGroup("Tools");
  ASSERT_TRUE(g);
  ASSERT_EQ(g->items.size(), 1u);
  EXPECT_EQ(g->items[0].command, "c:\\t\\calc.exe -x");
  EXPECT_EQ(g->items[0].iconPath, "");
  EXPECT_EQ(g->items[0].iconIndex, 0);
  EXPECT_EQ(g->items[0].minimize, 0);
  // the same item again replaces it; the group's show state is restored
  ASSERT_TRUE(pm.Execute("[ShowGroup(Tools,7)]"));
  EXPECT_EQ(Create("\\PG\\Tools", "Calc", "c:\\t\\calc2.exe", ""), 0);
  g = pm.FindGroup("Tools");
  ASSERT_EQ(g->items.size(), 1u);
  EXPECT_EQ(g->items[0].command, "c:\\t\\calc2.exe -x");
  EXPECT_EQ(g->showCommand, 7);

  auto reply = pm.Request("Tools");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->substr(0, reply->find("\r\n")), "\"Tools\"," + Win() + "/GRP2.INI,1,7");
  EXPECT_STREQ(GetProgrammGruppen(), "Autostart\r\nTools\r\n");

  // removal deletes the item and keeps the group
  EXPECT_EQ(Create("-\\PG\\Tools", "Calc"), 0);
  EXPECT_EQ(pm.FindGroup("Tools")->items.size(), 0u);
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  // a command line that does not fit the command text is not sent
  EXPECT_EQ(Create("\\PG\\Tools", "Long", std::string(250, 'p').c_str(), ""), 0);
  EXPECT_EQ(pm.FindGroup("Tools")->items.size(), 0u);

  // NT 3.x: the same commands with the personal-group argument
  Version("3.51-nt");
  EXPECT_EQ(Create("\\PG\\NT", "One", "c:\\one.exe", ""), 0);
  ASSERT_TRUE(pm.FindGroup("NT"));
  EXPECT_EQ(pm.FindGroup("NT")->items.size(), 1u);
}

TEST_F(Groups, StartupGroupNames) {
  Version("4.0-95");
  EXPECT_STREQ(GetStartupGroup(), "Startup");
  Version("3.10");
  // no Program Manager entries: by language, then the registry's name
  ASSERT_TRUE(pxtest::WriteFile(Win() + "/win.ini", "[Intl]\nsLanguage=FRA\n"));
  EXPECT_STREQ(GetStartupGroup(), "Démarrage");
  EXPECT_EQ(Text().rfind("Fehler bei GetRegistry: RegOpenKeyEx", 0), 0u);
  ASSERT_TRUE(pxtest::WriteFile(Win() + "/win.ini", "[Intl]\nsLanguage=xyz\n"));
  EXPECT_STREQ(GetStartupGroup(), "StartUp");
  SetRegistry(
      HKEY_USERS,
      ".DEFAULT\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Program Manager\\Settings",
      "Startup", "Beim Start");
  EXPECT_STREQ(GetStartupGroup(), "Beim Start");
  // the running shell's own setting comes first
  ASSERT_TRUE(pxtest::WriteFile(Win() + "/system.ini", "[boot]\nshell=progman.exe\n"));
  EXPECT_STREQ(GetStartupGroup(), "StartUp");
  ASSERT_TRUE(pxtest::WriteFile(Win() + "/progman.ini", "[Settings]\nstartup=Mein Start\n"));
  EXPECT_STREQ(GetStartupGroup(), "Mein Start");
}

TEST_F(Groups, StartGroupRunsWhatIsNotRunning) {
  Version("4.0-nt");
  const std::string tools = Win() + "/Start Menu/Programs/Tools";
  std::filesystem::create_directories(tools);
  const std::string script = Root() + "/touch.sh";
  ASSERT_TRUE(pxtest::WriteFile(script, "#!/bin/sh\necho \"$1\" > \"$PWD/ran.txt\"\n"));
  chmod(script.c_str(), 0755);
  ASSERT_EQ(ErzeugeLinkDatei(script.c_str(), (tools + "/Run.LNK").c_str(), "", "hello", "", 0,
                             Root().c_str(), 0),
            0);
  EXPECT_EQ(StartGroup("Tools"), 1);
  // cleared: the number, and no text of the folder that was missing
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  EXPECT_EQ(Text().find("keine Dateien"), std::string::npos) << Text();
  std::string ran;
  for (int i = 0; i < 100 && ran.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ran = pxtest::ReadFile(Root() + "/ran.txt");
  }
  EXPECT_EQ(ran, "hello\n");

  // failures of the second (common) folder stay in the error state; the
  // walk goes on after each
  const std::string common = Win() + "/All Users/Start Menu/Programs/Tools";
  std::filesystem::create_directories(common);
  ASSERT_EQ(ErzeugeLinkDatei((Root() + "/gone").c_str(), (common + "/Gone.LNK").c_str(), "", "", "",
                             0, "", 0),
            0);
  EXPECT_EQ(StartGroup("Tools"), 0);
  EXPECT_EQ(GibLetzteFehlerNr(), IXSTDF_FAILURE);
  EXPECT_EQ(Text().rfind("The specified file was not found.", 0), 0u) << Text();
  std::filesystem::remove(common + "/Gone.LNK");
  ASSERT_TRUE(pxtest::WriteFile(common + "/not-a-link.txt", "x"));
  EXPECT_EQ(StartGroup("Tools"), 0);
  EXPECT_EQ(Text().rfind("Fehler bei GetLinkInfo: " + Win() +
                             "/All Users/Start Menu/Programs\\Tools\\not-a-link.txt",
                         0),
            0u)
      << Text();
  // a program that runs already is not started again
  std::filesystem::remove(common + "/not-a-link.txt");
  std::filesystem::remove(Root() + "/ran.txt");
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  ASSERT_EQ(ErzeugeLinkDatei(self.c_str(), (common + "/Self.LNK").c_str(), "", "--gtest_list_tests",
                             "", 0, "", 0),
            0);
  EXPECT_EQ(StartGroup("Tools"), 0);
  EXPECT_EQ(GibLetzteFehlerNr(), 0) << Text();

  // in neither folder
  EXPECT_EQ(StartGroup("Nowhere"), 2);
  EXPECT_EQ(Text().rfind("keine Dateien: " + Win() + "/All Users/Start Menu/Programs\\Nowhere", 0),
            0u)
      << Text();
}

TEST_F(Groups, CopyByStartupBothWays) {
  Version("4.0-95");
  const std::string wininit = Win() + "/wininit.ini";
  ASSERT_TRUE(pxtest::WriteFile(wininit, "[Rename]\nC:\\A.DLL=C:\\A.NEW\n[other]\nx=1\n"));
  EXPECT_EQ(CopyByStartup("C:\\B.NEW", "C:\\B.DLL"), 1);
  EXPECT_EQ(CopyByStartup("C:\\C.OLD", "nul"), 1);
  // host paths as the drives map now, inside [rename] where the start looks
  EXPECT_EQ(pxtest::ReadFile(wininit),
            "[Rename]\nC:\\A.DLL=C:\\A.NEW\n/B.DLL=/B.NEW\nNUL=/C.OLD\n[other]\nx=1\n");
  std::filesystem::remove(wininit);
  EXPECT_EQ(CopyByStartup("C:\\D.NEW", "C:\\D.DLL"), 1);
  EXPECT_EQ(pxtest::ReadFile(wininit), "[rename]\n/D.DLL=/D.NEW\n");
  std::filesystem::remove(wininit);

  Version("4.0-nt");
  const std::string a = Root() + "/a.new", b = Root() + "/b.dll", c = Root() + "/c.old";
  ASSERT_TRUE(pxtest::WriteFile(a, "new"));
  ASSERT_TRUE(pxtest::WriteFile(b, "old"));
  ASSERT_TRUE(pxtest::WriteFile(c, "gone"));
  EXPECT_EQ(CopyByStartup(a.c_str(), b.c_str()), 1);
  EXPECT_EQ(CopyByStartup(c.c_str(), "Nul"), 1);
  EXPECT_EQ(CopyByStartup((Root() + "/missing").c_str(), b.c_str()), 0);
  EXPECT_EQ(Text().rfind("Fehler bei CopyByStartup: MoveFileEx", 0), 0u);
  // nothing happens before the next start
  EXPECT_EQ(pxtest::ReadFile(b), "old");
  platform::HKEY key;
  ASSERT_EQ(platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE,
                                   "System\\CurrentControlSet\\Control\\Session Manager", 0,
                                   platform::KEY_READ, &key),
            0);
  uint8_t data[1024];
  uint32_t type = 0, size = sizeof data;
  ASSERT_EQ(
      platform::RegQueryValueEx(key, "PendingFileRenameOperations", nullptr, &type, data, &size),
      0);
  platform::RegCloseKey(key);
  EXPECT_EQ(type, 7u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size),
            a + '\0' + b + '\0' + c + '\0' + '\0' + '\0');
  EXPECT_EQ(ApplyPendingRenames(), 0);
  EXPECT_EQ(pxtest::ReadFile(b), "new");
  EXPECT_FALSE(Exists(a));
  EXPECT_FALSE(Exists(c));
  // done once: the list is gone
  ASSERT_TRUE(pxtest::WriteFile(a, "again"));
  EXPECT_EQ(ApplyPendingRenames(), 0);
  EXPECT_TRUE(Exists(a));

  // root on the machine's Windows directory: the boot unit's flag file, in a
  // scratch root here
  if (geteuid() == 0) {
    std::string windir = getenv("WINDIR");
    unsetenv("WINDIR");
    setenv("TERVOLA_SYSROOT", (Root() + "/sys").c_str(), 1);
    const std::string flag = Root() + "/sys/var/lib/instari/apply-pending-renames";
    EXPECT_EQ(CopyByStartup(a.c_str(), "nul"), 1);
    EXPECT_TRUE(Exists(flag));
    EXPECT_TRUE(Exists(a));
    EXPECT_EQ(ApplyPendingRenames(), 0);
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(flag));
    unsetenv("TERVOLA_SYSROOT");
    setenv("WINDIR", windir.c_str(), 1);
  }
}
