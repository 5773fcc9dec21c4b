#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/testutil.h"
#include "instari/ixstdf32/folders.h"
#include "ixtest.h"
#include "platform/shelllink.h"

using ixtest::IxStdF;

namespace {

std::string Root() { return pxtest::TestRoot(); }
bool Exists(const std::string& p) { return access(p.c_str(), F_OK) == 0; }

// The line of lnkinfo's report that starts with label, value only.
std::string LnkInfoField(const std::string& report, const std::string& label) {
  size_t at = report.find("\t" + label);
  if (at == std::string::npos) return "<missing>";
  size_t colon = report.find(": ", at);
  size_t nl = report.find('\n', colon);
  return report.substr(colon + 2, nl - colon - 2);
}

std::string LnkInfo(const std::string& file) {
  std::string out = Root() + "/lnkinfo.txt";
  std::string cmd = "lnkinfo '" + file + "' > '" + out + "' 2>&1";
  if (system(cmd.c_str()) != 0) return "<lnkinfo failed>";
  return pxtest::ReadFile(out);
}

}  // namespace

TEST_F(IxStdF, FolderPathsAreSeededAndLookedUpByCode) {
  std::string win = Root() + "/windows";
  EXPECT_STREQ(GetFolderPath(1), (Root() + "/home/Desktop").c_str());
  EXPECT_STREQ(GetFolderPath(2), (win + "/Start Menu/Programs").c_str());
  EXPECT_STREQ(GetFolderPath(3), (win + "/Start Menu").c_str());
  EXPECT_STREQ(GetFolderPath(4), (win + "/Start Menu/Programs/Startup").c_str());
  EXPECT_STREQ(GetFolderPath(11), (win + "/All Users/Desktop").c_str());
  EXPECT_STREQ(GetFolderPath(12), (win + "/All Users/Start Menu/Programs").c_str());
  EXPECT_STREQ(GetFolderPath(13), (win + "/All Users/Start Menu").c_str());
  EXPECT_STREQ(GetFolderPath(14), (win + "/All Users/Start Menu/Programs/Startup").c_str());
  EXPECT_TRUE(std::filesystem::is_directory(win + "/Start Menu/Programs/Startup"));
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  for (int code : {0, 5, 10, 15, -1}) {
    EXPECT_EQ(GetFolderPath(code), nullptr) << code;
    EXPECT_EQ(Text(), "Fehler bei GetFolderPath: Begriff nicht gefunden");
  }
  // values already there are kept, and the value name is matched in upper case
  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  SetRegistry(HKEY_CURRENT_USER, key, "Programs", "/srv/menu");
  EXPECT_STREQ(GetFolderPath(2), "/srv/menu");
  // the desktop follows the XDG user directories
  std::filesystem::create_directories(Root() + "/home/.config");
  pxtest::WriteFile(Root() + "/home/.config/user-dirs.dirs",
                    "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(ixstdf::XdgDesktopDirectory(), Root() + "/home/Schreibtisch");
}

TEST_F(IxStdF, LinkFileBytesAndRoundTrip) {
  std::string dir = Root() + "/links";
  std::filesystem::create_directories(dir);
  std::string lnk = dir + "/tool.lnk";
  ASSERT_EQ(ErzeugeLinkDatei("C:\\Tools\\tool.exe", lnk.c_str(), "Tool", "-x", "C:\\Tools\\t.ico",
                             2, "C:\\Tools", 1),
            0)
      << Text();
  // hand-computed: header, link info with the local path, five UTF-16 strings
  std::string expected;
  auto u32 = [&](uint32_t v) {
    for (int k = 0; k < 4; ++k) expected.push_back(static_cast<char>(v >> (8 * k)));
  };
  auto str = [&](const std::string& s) {
    expected.push_back(static_cast<char>(s.size()));
    expected.push_back('\0');
    for (char c : s) expected += std::string(1, c) + '\0';
  };
  u32(0x4C);
  expected += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  u32(0xF6);  // link info, name, working dir, arguments, icon, unicode (relative path: none)
  expected += std::string(4 + 24 + 4, '\0');  // attributes, times, size: no such target here
  u32(2);                                     // icon index
  u32(7);                                     // minimized: show without activating
  expected += std::string(12, '\0');          // hot key, reserved
  std::string path = "C:\\Tools\\tool.exe";
  uint32_t infoSize = 0x1C + 0x11 + static_cast<uint32_t>(path.size()) + 1 + 1;
  u32(infoSize);
  u32(0x1C);
  u32(1);
  u32(0x1C);
  u32(0x1C + 0x11);
  u32(0);
  u32(0x1C + 0x11 + static_cast<uint32_t>(path.size()) + 1);
  u32(0x11);
  u32(3);
  u32(0);
  u32(0x10);
  expected += std::string("\0", 1) + path + std::string("\0\0", 2);
  str("Tool");
  str("C:\\Tools");
  str("-x");
  str("C:\\Tools\\t.ico");
  u32(0);
  EXPECT_EQ(pxtest::ReadFile(lnk), expected);

  char target[260], args[260], work[260];
  int show = -1;
  ASSERT_EQ(GetLinkInfo(lnk.c_str(), target, args, work, &show), 0);
  EXPECT_STREQ(target, "C:\\Tools\\tool.exe");
  EXPECT_STREQ(args, "-x");
  EXPECT_STREQ(work, "C:\\Tools");
  EXPECT_EQ(show, 7);

  // minimized flag 2 (anything but 1) gives show command 5; a target that
  // exists is described in the header; a relative path is stored
  std::string exe = dir + "/bin/prog";
  std::filesystem::create_directories(dir + "/bin");
  pxtest::WriteFile(exe, "12345");
  std::string lnk2 = dir + "/sub/prog.lnk";
  std::filesystem::create_directories(dir + "/sub");
  std::string longArgs(300, 'a');
  ASSERT_EQ(ErzeugeLinkDatei(exe.c_str(), lnk2.c_str(),
                             "Gr\xC3\xBC\xC3\x9F"
                             "e",
                             longArgs.c_str(), "", 0, "", 2),
            0);
  ASSERT_EQ(GetLinkInfo(lnk2.c_str(), target, args, work, &show), 0);
  EXPECT_EQ(show, 5);
  EXPECT_EQ(std::string(target), exe);
  EXPECT_EQ(std::string(args), std::string(259, 'a'));  // cut to the caller's 260 bytes
  EXPECT_STREQ(work, "");
  auto parsed = platform::ParseShellLink(pxtest::ReadFile(lnk2), nullptr);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->relativePath, "..\\bin\\prog");
  EXPECT_EQ(parsed->fileSize, 5u);
  EXPECT_EQ(parsed->fileAttributes, 0x20u);
  EXPECT_NE(parsed->writeTime, 0u);
  EXPECT_EQ(parsed->description,
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(parsed->arguments, longArgs);

  // null out-buffers are skipped
  EXPECT_EQ(GetLinkInfo(lnk2.c_str(), nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(IxStdF, IndependentReaderAgrees) {
  std::string dir = Root() + "/links";
  std::filesystem::create_directories(dir + "/app");
  std::string lnk = dir + "/Werkzeug.lnk";
  ASSERT_EQ(ErzeugeLinkDatei((dir + "/app/werkzeug").c_str(), lnk.c_str(), "Das Werkzeug",
                             "--mode \"a b\"", (dir + "/app/w.ico").c_str(), 4,
                             (dir + "/app").c_str(), 1),
            0);
  std::string report = LnkInfo(lnk);
  EXPECT_EQ(LnkInfoField(report, "Local path"), dir + "/app/werkzeug") << report;
  EXPECT_EQ(LnkInfoField(report, "Command line arguments"), "--mode \"a b\"");
  EXPECT_EQ(LnkInfoField(report, "Working directory"), dir + "/app");
  EXPECT_EQ(LnkInfoField(report, "Icon location"), dir + "/app/w.ico");
  EXPECT_EQ(LnkInfoField(report, "Icon index"), "4");
  EXPECT_EQ(LnkInfoField(report, "Description"), "Das Werkzeug");
  EXPECT_EQ(LnkInfoField(report, "Relative path"), ".\\app\\werkzeug");
  // This lnkinfo prints the file size where the show command belongs, so
  // the show command is checked at its offset in the header instead.
  std::string bytes = pxtest::ReadFile(lnk);
  ASSERT_GT(bytes.size(), 0x40u);
  EXPECT_EQ(bytes.substr(0x3C, 4), std::string("\x07\0\0\0", 4));

  // a path beyond ASCII goes in UTF-16 as well, which the reader prefers
  std::string umlaut = dir +
                       "/B\xC3\xBC"
                       "ro.lnk";
  std::string t = dir +
                  "/app/M\xC3\xBC"
                  "ller";
  ASSERT_EQ(ErzeugeLinkDatei(t.c_str(), umlaut.c_str(), "", "", "", 0, "", 0), 0);
  EXPECT_EQ(LnkInfoField(LnkInfo(umlaut), "Local path"), t);
}

TEST_F(IxStdF, LinkFailures) {
  std::string dir = Root() + "/links";
  std::filesystem::create_directories(dir);
  std::string lnk = dir + "/x.lnk";
  std::string tooLong(260, 'p');
  EXPECT_EQ(ErzeugeLinkDatei(tooLong.c_str(), lnk.c_str(), "", "", "", 0, "", 0), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "ErzeugeLinkDatei: Fehler bei SetPath / LastError: 0x57=87=The parameter is "
            "incorrect.");
  EXPECT_EQ(ErzeugeLinkDatei(nullptr, lnk.c_str(), "", "", "", 0, "", 0), IXSTDF_FAILURE);
  EXPECT_EQ(ErzeugeLinkDatei("a", lnk.c_str(), "", "\xFF", "", 0, "", 0), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 41), "ErzeugeLinkDatei: Fehler bei SetArguments");
  EXPECT_EQ(ErzeugeLinkDatei("a", lnk.c_str(), "", "", "", 0, tooLong.c_str(), 0), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 48), "ErzeugeLinkDatei: Fehler bei SetWorkingDirectory");
  EXPECT_EQ(ErzeugeLinkDatei("a", lnk.c_str(), "", "", tooLong.c_str(), 0, "", 0), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 44), "ErzeugeLinkDatei: Fehler bei SetIconLocation");
  EXPECT_EQ(ErzeugeLinkDatei("a", lnk.c_str(), std::string(1024, 'd').c_str(), "", "", 0, "", 0),
            IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 43), "ErzeugeLinkDatei: Fehler bei SetDescription");
  EXPECT_FALSE(Exists(lnk));
  // 1023 characters of description are fine
  EXPECT_EQ(ErzeugeLinkDatei("a", lnk.c_str(), std::string(1023, 'd').c_str(), "", "", 0, "", 0),
            0);

  ixstdf::SetSystemError(0);
  std::string missingDir = dir + "/none/x.lnk";
  EXPECT_EQ(ErzeugeLinkDatei("a", missingDir.c_str(), "", "", "", 0, "", 0), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "ErzeugeLinkDatei: Fehler bei Save / LastError: 0x2=2=No such file or directory");
  std::string longName = dir + "/" + std::string(260, 'n') + ".lnk";
  EXPECT_EQ(ErzeugeLinkDatei("a", longName.c_str(), "", "", "", 0, "", 0), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "ErzeugeLinkDatei: Fehler bei Save / LastError: 0xce=206=The filename or extension "
            "is too long.");

  char target[260] = "unchanged", args[260], work[260];
  int show = -1;
  ixstdf::SetSystemError(0);
  EXPECT_EQ(GetLinkInfo((dir + "/missing.lnk").c_str(), target, args, work, &show), IXSTDF_FAILURE);
  EXPECT_EQ(Text(),
            "GetLinkInfo: Fehler bei: GetLinkInfo-Path / LastError: 0x2=2=No such file or "
            "directory");
  EXPECT_STREQ(target, "unchanged");
  pxtest::WriteFile(dir + "/bad.lnk", "not a link at all, but long enough to hold a header.......");
  EXPECT_EQ(GetLinkInfo((dir + "/bad.lnk").c_str(), target, args, work, &show), IXSTDF_FAILURE);
  EXPECT_EQ(Text().substr(0, 41), "GetLinkInfo: Fehler bei: GetLinkInfo-Path");
  EXPECT_EQ(GetLinkInfo(nullptr, target, args, work, &show), IXSTDF_FAILURE);
}

TEST_F(IxStdF, LinksInMenuFoldersGetDesktopTwins) {
  std::string programs = GetFolderPath(2);
  std::string startup = GetFolderPath(4);
  std::string desktop = GetFolderPath(1);
  std::string commonPrograms = GetFolderPath(12);
  std::string apps = Root() + "/home/.local/share/applications";
  std::string autostart = Root() + "/home/.config/autostart";
  std::filesystem::create_directories(programs + "/Tervola");

  std::string lnk = programs + "\\Tervola\\Prentix.lnk";
  ASSERT_EQ(ErzeugeLinkDatei("/opt/tervola/prentix", lnk.c_str(), "Bildschirm 100% drucken",
                             "--tray \"mein bild\" $HOME", "/opt/tervola/prentix.png", 0,
                             "/opt/tervola", 0),
            0)
      << Text();
  std::string twin = apps + "/Tervola/Prentix.desktop";
  EXPECT_EQ(pxtest::ReadFile(twin),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Prentix\n"
            "Comment=Bildschirm 100% drucken\n"
            "Exec=/opt/tervola/prentix --tray \"mein bild\" \"\\\\$HOME\"\n"
            "Path=/opt/tervola\n"
            "Icon=/opt/tervola/prentix.png\n"
            "Terminal=false\n"
            "X-Tervola-Link=" +
                programs + "/Tervola/Prentix.lnk\n");

  ASSERT_EQ(ErzeugeLinkDatei("/opt/tervola/prentix", (startup + "/Prentix.lnk").c_str(), "", "", "",
                             0, "", 1),
            0);
  EXPECT_TRUE(Exists(autostart + "/Prentix.desktop"));
  ASSERT_EQ(ErzeugeLinkDatei("/opt/tervola/prentix", (desktop + "/Prentix.lnk").c_str(), "", "", "",
                             0, "", 0),
            0);
  EXPECT_TRUE(Exists(desktop + "/Prentix.desktop"));
  ASSERT_EQ(ErzeugeLinkDatei("/opt/tervola/instari", (commonPrograms + "/Instari.lnk").c_str(), "",
                             "", "", 0, "", 0),
            0);
  EXPECT_TRUE(Exists(apps + "/Instari.desktop"));
  // elsewhere: no twin
  std::filesystem::create_directories(Root() + "/other");
  ASSERT_EQ(
      ErzeugeLinkDatei("/bin/true", (Root() + "/other/Other.lnk").c_str(), "", "", "", 0, "", 0),
      0);
  EXPECT_FALSE(Exists(apps + "/Other.desktop"));

  // a foreign file of the same name is never overwritten or removed
  pxtest::WriteFile(apps + "/Fremd.desktop", "[Desktop Entry]\nName=Fremd\n");
  ASSERT_EQ(ErzeugeLinkDatei("/bin/true", (programs + "/Fremd.lnk").c_str(), "", "", "", 0, "", 0),
            0);
  EXPECT_EQ(pxtest::ReadFile(apps + "/Fremd.desktop"), "[Desktop Entry]\nName=Fremd\n");
  EXPECT_TRUE(ixstdf::RemoveLinkFile(programs + "/Fremd.lnk"));
  EXPECT_TRUE(Exists(apps + "/Fremd.desktop"));

  // removing a link removes its twin
  EXPECT_TRUE(ixstdf::RemoveLinkFile(lnk));
  EXPECT_FALSE(Exists(programs + "/Tervola/Prentix.lnk"));
  EXPECT_FALSE(Exists(twin));
  EXPECT_TRUE(ixstdf::RemoveLinkFile(startup + "/Prentix.lnk"));
  EXPECT_FALSE(Exists(autostart + "/Prentix.desktop"));
  EXPECT_FALSE(ixstdf::RemoveLinkFile(startup + "/Prentix.lnk"));
}
