// The Program Manager stand-in, the process probe and the shell's command
// lines.
#include "platform/progman.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cctype>

#include <filesystem>

#include "platform/process.h"
#include "platform/shell.h"
#include "tests/common/testutil.h"

TEST(ProgramManager, CommandTextsAndGroups) {
  auto c = platform::ParseDdeCommands(
      " [CreateGroup(Tools,,0)]\r\n[AddItem(\"c:\\a b\\x.exe -y, z\",\"It (1)\",,2)] [Reload()]");
  ASSERT_TRUE(c);
  ASSERT_EQ(c->size(), 3u);
  EXPECT_EQ((*c)[0].name, "CreateGroup");
  EXPECT_EQ((*c)[0].args, (std::vector<std::string>{"Tools", "", "0"}));
  EXPECT_EQ((*c)[1].args, (std::vector<std::string>{"c:\\a b\\x.exe -y, z", "It (1)", "", "2"}));
  EXPECT_TRUE((*c)[2].args.empty());
  for (const char* bad : {"CreateGroup(x)", "[CreateGroup(x)", "[CreateGroup(\"x)]", "[(x)]",
                          "[A(x)] junk", "[A(x) y]"})
    EXPECT_FALSE(platform::ParseDdeCommands(bad)) << bad;

  platform::ProgramManager pm(pxtest::TestRoot() + "/pm");
  EXPECT_FALSE(pm.Execute("[AddItem(x.exe)]"));  // no group active yet
  EXPECT_FALSE(pm.Execute("[ShowGroup(None,1)]"));
  EXPECT_FALSE(pm.Execute("[Frobnicate()]"));
  ASSERT_TRUE(pm.Execute("[CreateGroup(Games)][AddItem(c:\\g\\sol.exe)][CreateGroup(Tools)]"));
  ASSERT_TRUE(pm.Execute("[ShowGroup(games,1)][AddItem(c:\\g\\mine.exe,Mines,c:\\g\\m.ico,1)]"));
  EXPECT_EQ(pm.Request("PROGMAN"), "Games\r\nTools\r\n");
  EXPECT_EQ(pm.Request("GAMES"), "\"Games\"," + pxtest::TestRoot() +
                                     "/pm/GRP1.INI,2,1\r\n"
                                     "\"sol\",\"c:\\g\\sol.exe\",,,-1,-1,0,0,0\r\n"
                                     "\"Mines\",\"c:\\g\\mine.exe\",,c:\\g\\m.ico,-1,-1,1,0,0\r\n");
  EXPECT_FALSE(pm.Request("Nothing"));
  EXPECT_FALSE(pm.Execute("[DeleteItem(Nope)]"));
  ASSERT_TRUE(pm.Execute("[DeleteItem(SOL)][DeleteGroup(Tools)]"));
  EXPECT_EQ(pm.FindGroup("Games")->items.size(), 1u);
  EXPECT_EQ(pm.Request("PROGMAN"), "Games\r\n");
  // a name that would break the group file's lines is refused
  EXPECT_FALSE(pm.Execute("[CreateGroup(\"a\nb\")]"));
  EXPECT_EQ(platform::ShellModuleString("C:\\WINDOWS\\PROGMAN.EXE", 120), "StartUp");
  EXPECT_FALSE(platform::ShellModuleString("explorer.exe", 120));
}

TEST(Shell, ProcessProbeAndCommandLines) {
  std::string self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_TRUE(platform::IsProgramRunning(self));
  std::string upper = self;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(platform::IsProgramRunning(upper));
  EXPECT_FALSE(platform::IsProgramRunning(self + "x"));
  EXPECT_FALSE(platform::IsProgramRunning(""));

  EXPECT_EQ(platform::SplitCommandLine(R"(a "b c" d\"e  "")"),
            (std::vector<std::string>{"a", "b c", "d\"e", ""}));
  const std::string root = pxtest::TestRoot();
  EXPECT_EQ(platform::ShellExecute("open", root + "/none", "", "", 1), platform::SE_ERR_FNF);
  EXPECT_EQ(platform::ShellExecute("open", root + "/no/none", "", "", 1), platform::SE_ERR_PNF);
  EXPECT_EQ(platform::ShellExecute("open", "/bin/true", "", root + "/nodir", 1),
            platform::SE_ERR_PNF);
  EXPECT_EQ(platform::ShellExecute("print", "/bin/true", "", "", 1), platform::SE_ERR_NOASSOC);
  // the arguments reach the program as words, never through a shell
  ASSERT_TRUE(pxtest::WriteFile(root + "/args.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > out.txt\n"));
  std::filesystem::permissions(root + "/args.sh", std::filesystem::perms::owner_all);
  EXPECT_GT(
      platform::ShellExecute("open", root + "/args.sh", "one \"two words\" ;rm $HOME", root, 1),
      32);
  std::string out;
  for (int i = 0; i < 200 && out.empty(); ++i) {
    usleep(10000);
    out = pxtest::ReadFile(root + "/out.txt");
  }
  EXPECT_EQ(out, "one|two words|;rm|$HOME|");

  // a bare name is found on the search path; one that is nowhere stays missing
  std::filesystem::create_directories(root + "/bin");
  std::filesystem::rename(root + "/args.sh", root + "/bin/pxargs");
  std::filesystem::remove(root + "/out.txt");
  const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (root + "/bin:" + oldPath).c_str(), 1);
  EXPECT_GT(platform::ShellExecute("open", "pxargs", "found", root, 1), 32);
  EXPECT_EQ(platform::ShellExecute("open", "pxargs-nowhere", "", root, 1), platform::SE_ERR_FNF);
  setenv("PATH", oldPath.c_str(), 1);
  out.clear();
  for (int i = 0; i < 200 && out.empty(); ++i) {
    usleep(10000);
    out = pxtest::ReadFile(root + "/out.txt");
  }
  EXPECT_EQ(out, "found|");
}
