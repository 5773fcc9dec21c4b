// Drives, environment, versions, directories, waiting, scanfile, network
// connections, mail, program start; nothing happens in the syntax pass.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "harness.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/paths.h"
#include "platform/profile.h"

using scripttest::Harness;

extern char** environ;

namespace {

// ---- a PE file with a version resource, put together byte by byte

void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
std::string Utf16z(const std::string& ascii) {
  std::string r;
  for (char c : ascii) r += {c, '\0'};
  return r + std::string(2, '\0');
}
void Pad4(std::string& b) {
  while (b.size() % 4) b += '\0';
}

// One node of the version tree: header, key, value, children.
std::string VersionNode(const std::string& key, const std::string& value, bool text,
                        const std::vector<std::string>& children) {
  std::string n(6, '\0');
  n += Utf16z(key);
  Pad4(n);
  std::string v = text ? Utf16z(value) : value;
  n += v;
  for (const std::string& c : children) {
    Pad4(n);
    n += c;
  }
  Put16(n, 0, static_cast<uint16_t>(n.size()));
  Put16(n, 2, static_cast<uint16_t>(text ? v.size() / 2 : v.size()));
  Put16(n, 4, text ? 1 : 0);
  return n;
}

std::string StringEntry(const std::string& key, const std::string& value) {
  return VersionNode(key, value, true, {});
}

std::string FixedInfo() {
  std::string f(52, '\0');
  Put32(f, 0, 0xFEEF04BD);
  Put32(f, 4, 0x00010000);
  return f;
}

// The version block: a string table for language, optionally a translation.
std::string VersionBlock(const std::string& language, const std::vector<std::string>& strings,
                         const std::string& translation) {
  std::vector<std::string> children{
      VersionNode("StringFileInfo", "", false, {VersionNode(language, "", false, strings)})};
  if (!translation.empty())
    children.push_back(VersionNode("VarFileInfo", "", false,
                                   {VersionNode("Translation", translation, false, {})}));
  return VersionNode("VS_VERSION_INFO", FixedInfo(), false, children);
}

// A 32-bit PE image with one .rsrc section holding block as its version
// resource; an empty block gives an image without resources.
std::string PeImage(const std::string& block) {
  std::string pe(0x200, '\0');
  pe[0] = 'M';
  pe[1] = 'Z';
  Put32(pe, 0x3C, 0x40);
  pe.replace(0x40, 4, std::string("PE\0\0", 4));
  Put16(pe, 0x44, 0x14C);  // i386
  Put16(pe, 0x46, 1);      // one section
  Put16(pe, 0x54, 224);    // optional header size
  Put16(pe, 0x56, 0x0102);
  size_t opt = 0x58;
  Put16(pe, opt, 0x10B);
  Put32(pe, opt + 92, 16);
  std::string rsrc;
  if (!block.empty()) {
    rsrc.assign(0x58, '\0');
    Put16(rsrc, 14, 1);
    Put32(rsrc, 16, 16);
    Put32(rsrc, 20, 0x80000000u | 0x18);
    Put16(rsrc, 0x18 + 14, 1);
    Put32(rsrc, 0x18 + 16, 1);
    Put32(rsrc, 0x18 + 20, 0x80000000u | 0x30);
    Put16(rsrc, 0x30 + 14, 1);
    Put32(rsrc, 0x30 + 16, 0x0407);
    Put32(rsrc, 0x30 + 20, 0x48);
    Put32(rsrc, 0x48, 0x1000 + 0x58);
    Put32(rsrc, 0x4C, static_cast<uint32_t>(block.size()));
    rsrc += block;
    Put32(pe, opt + 96 + 16, 0x1000);
    Put32(pe, opt + 96 + 20, static_cast<uint32_t>(rsrc.size()));
  }
  size_t section = opt + 224;
  pe.replace(section, 5, ".rsrc");
  Put32(pe, section + 8, static_cast<uint32_t>(rsrc.size()));
  Put32(pe, section + 12, 0x1000);
  Put32(pe, section + 16, static_cast<uint32_t>((rsrc.size() + 0x1FF) & ~0x1FFu));
  Put32(pe, section + 20, 0x200);
  pe += rsrc;
  pe.resize(0x200 + ((rsrc.size() + 0x1FF) & ~0x1FFu), '\0');
  return pe;
}

// PATH is the process's; a test that changes it puts it back.
struct PathGuard {
  std::string saved = getenv("PATH") ? getenv("PATH") : "";
  ~PathGuard() { setenv("PATH", saved.c_str(), 1); }
};

void WriteProgram(const std::string& path, const std::string& body, mode_t mode = 0755) {
  pxtest::WriteFile(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), mode);
}

}  // namespace

TEST(SystemCommands, EnvironmentVariables) {
  setenv("INSTARI_PROBE", "a b=c", 1);
  unsetenv("INSTARI_MISSING");
  Harness h;
  h.Run(
      "v = getenvironmentvariable 'INSTARI_PROBE'\ne1 = __error__\n"
      "m = 'kept'\nm = getenvironmentvariable 'INSTARI_MISSING'\ne2 = __error__\n"
      "all = getenvironmentvariable __ALL__\n");
  std::string expected;
  for (char** e = environ; *e; ++e) expected += std::string(*e) + "\n";
  EXPECT_EQ(h.F("v"), "a b=c");
  EXPECT_EQ(h.F("e1"), "1");
  EXPECT_EQ(h.F("m"), "kept");
  EXPECT_EQ(h.F("e2"), "0");
  EXPECT_EQ(h.F("all"), expected);
  EXPECT_NE(h.F("all").find("\nINSTARI_PROBE=a b=c\n"), std::string::npos);
  unsetenv("INSTARI_PROBE");
}

TEST(SystemCommands, ProductVersionFromVersionResources) {
  std::string dir = pxtest::TestRoot();
  // the translation names the string table
  pxtest::WriteFile(dir + "/tool.exe",
                    PeImage(VersionBlock("040704b0",
                                         {StringEntry("CompanyName", "Tervola"),
                                          StringEntry("ProductVersion", "2.1.0 Beta")},
                                         std::string("\x07\x04\xb0\x04", 4))));
  // no translation: the default table 040904E4, whatever the case of its name
  pxtest::WriteFile(dir + "/default.exe",
                    PeImage(VersionBlock("040904e4", {StringEntry("ProductVersion", "1.0")}, "")));
  // a table without the entry
  pxtest::WriteFile(dir + "/noentry.exe",
                    PeImage(VersionBlock("040904E4", {StringEntry("FileVersion", "3.0")}, "")));
  // the translation points elsewhere than the table
  pxtest::WriteFile(dir + "/mismatch.exe",
                    PeImage(VersionBlock("040904E4", {StringEntry("ProductVersion", "4.0")},
                                         std::string("\x07\x04\xe4\x04", 4))));
  pxtest::WriteFile(dir + "/bare.exe", PeImage(""));
  pxtest::WriteFile(dir + "/short.exe", PeImage(VersionBlock("040904E4", {}, "")).substr(0, 0x230));
  std::string self = std::filesystem::read_symlink("/proc/self/exe");
  Harness h;
  h.Run(
      "a = getversion 'tool.exe'\nea = __error__\n"
      "b = getversion 'default.exe'\n"
      "c = 'kept'\nc = getversion 'noentry.exe'\nec = __error__\n"
      "d = 'kept'\nd = getversion 'mismatch.exe'\n"
      "e = getversion 'bare.exe'\nee = __error__\n"
      "f = getversion '" +
      self +
      "'\nef = __error__\n"
      "g = 'kept'\ng = getversion 'missing.exe'\neg = __Error__\n"
      "s = getversion 'short.exe'\nes = __error__\n");
  EXPECT_TRUE(h.Reports().empty());
  EXPECT_EQ(h.F("a"), "2.1.0 Beta");
  EXPECT_EQ(h.F("ea"), "1");
  EXPECT_EQ(h.F("b"), "1.0");
  EXPECT_EQ(h.F("c"), "kept");
  EXPECT_EQ(h.F("ec"), "0");
  EXPECT_EQ(h.F("d"), "kept");
  EXPECT_EQ(h.F("e"), "");  // no version resource: empty and success
  EXPECT_EQ(h.F("ee"), "1");
  EXPECT_EQ(h.F("f"), "");  // every ELF file
  EXPECT_EQ(h.F("ef"), "1");
  EXPECT_EQ(h.F("g"), "kept");
  EXPECT_EQ(h.F("eg"), "1");
  EXPECT_EQ(h.F("s"), "");  // a cut-off resource counts as none
  EXPECT_EQ(h.F("es"), "1");
}

TEST(SystemCommands, DirectoriesAndWaiting) {
  std::string dir = pxtest::TestRoot();
  std::filesystem::create_directories(dir + "/Sub Dir");
  Harness h;
  auto start = std::chrono::steady_clock::now();
  h.Run(
      "a = pwd\ncd 'sub dir'\ne1 = __error__\nb = pwd\n"
      "cd 'nowhere'\ne2 = __error__\nc = pwd\n"
      "sleep 120\ne3 = __error__\n");
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(h.F("a"), dir);
  EXPECT_EQ(h.F("e1"), "1");
  EXPECT_EQ(h.F("b"), dir + "/Sub Dir");  // found without regard to case
  EXPECT_EQ(h.F("e2"), "0");
  EXPECT_EQ(h.F("c"), dir + "/Sub Dir");
  EXPECT_EQ(h.F("e3"), "1");
  EXPECT_GE(elapsed, std::chrono::milliseconds(120));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST(SystemCommands, ScanFile) {
  std::string dir = pxtest::TestRoot();
  pxtest::WriteFile(dir + "/list.txt",
                    "first line\r\nVERSION=1.2\nversion=3.4\nab\n" + std::string(700, 'x') + "Z\n");
  Harness h;
  h.Run(
      "a = scanfile 'list.txt' 1 8 'VERSION='\nea = __error__\n"
      "b = scanfile 'list.txt' 0 0 'v'\n"     // column 0 is 1, length 0 is 1
      "c = scanfile 'list.txt' 7 4 'line'\n"  // the CR LF is not part of the line
      "d = scanfile 'list.txt' 1 5 'abc'\n"   // "ab" ends before "abc" does
      "e = scanfile 'list.txt' 9 3 'ab'\n"    // a column past the end compares ""
      "f = scanfile 'list.txt' 102 2 'xZ'\n"  // the rest of a long line is read alone
      "g = scanfile 'list.txt' 1 3 'zzz'\neg = __Error__\n"
      "n = scanfile 'none.txt' 1 1 'a'\nen = __Error__\n");
  EXPECT_EQ(h.F("a"), "VERSION=1.2");
  EXPECT_EQ(h.F("ea"), "1");
  EXPECT_EQ(h.F("b"), "version=3.4");
  EXPECT_EQ(h.F("c"), "first line");
  EXPECT_EQ(h.F("d"), " ");
  EXPECT_EQ(h.F("e"), " ");
  EXPECT_EQ(h.F("f"), std::string(102, 'x') + "Z");
  EXPECT_EQ(h.F("g"), " ");
  EXPECT_EQ(h.F("eg"), "1");
  EXPECT_EQ(h.F("n"), " ");
  EXPECT_EQ(h.F("en"), "1");
}

TEST(SystemCommands, DisksAndNetworkConnections) {
  std::string dir = pxtest::TestRoot();
  std::filesystem::create_directories(dir + "/share");
  ASSERT_TRUE(platform::WritePrivateProfileString("Drives", "D", dir.c_str(), "win.ini"));
  struct statvfs st;
  ASSERT_EQ(statvfs(dir.c_str(), &st), 0);
  Harness h;
  h.Run(
      "t = getdisksize 'd'\nf = getdisksizefree 'D:\\'\ne1 = __error__\n"
      "q = 'kept'\nq = getdisksize 'Q'\ne2 = __error__\n"
      "z = getdiskname '1'\n"
      "n = getdiskname '9:'\n"
      "addnetworkconnection 'N:' '" +
      dir +
      "/share' ''\ne3 = __error__\n"
      "r = getdiskname 'n'\n"
      "addnetworkconnection 'N:' '/elsewhere'\ne4 = __error__\n"  // assigned already
      "addnetworkconnection 'M:' '" +
      dir +
      "/missing' 'secret'\ne5 = __error__\n"
      "addnetworkconnection 'MM' '" +
      dir +
      "/share'\ne6 = __error__\n"
      "cancelnetworkconnection 'N:'\ne7 = __error__\n"
      "cancelnetworkconnection 'N:'\ne8 = __error__\n"
      "u = getdiskname 'N'\ne9 = __error__\n");
  EXPECT_EQ(h.F("t"), std::to_string(static_cast<uint64_t>(st.f_blocks) * st.f_frsize));
  uint64_t free = std::stoull(h.F("f"));
  EXPECT_GT(free, 0u);
  EXPECT_LE(free, static_cast<uint64_t>(st.f_blocks) * st.f_frsize);
  EXPECT_EQ(h.F("e1"), "1");
  EXPECT_EQ(h.F("q"), "kept");
  EXPECT_EQ(h.F("e2"), "0");
  EXPECT_EQ(h.Errors(), (std::vector<std::string>{"Bitte einen Laufwerksbuchstaben (A-->Z).",
                                                  "Bitte einen Laufwerksbuchstaben (A-->Z)."}));
  EXPECT_EQ(h.F("n"), "<none>");
  EXPECT_EQ(h.F("e3"), "1");
  EXPECT_EQ(h.F("r"), dir + "/share");
  EXPECT_EQ(h.F("e4"), "1");
  EXPECT_EQ(h.F("e5"), "0");
  EXPECT_EQ(h.F("e6"), "0");
  EXPECT_EQ(h.F("e7"), "1");
  EXPECT_EQ(h.F("e8"), "0");
  EXPECT_EQ(h.F("u"), "");
  EXPECT_EQ(h.F("e9"), "0");
  // the connection made N: a drive while it lasted, and took it away again
  EXPECT_EQ(GetRegistry(HKEY_CURRENT_USER, "Network\\N", "RemotePath"), nullptr);
  EXPECT_EQ(platform::GetPrivateProfileString("Drives", "N", "<none>", "win.ini"), "<none>");
  EXPECT_EQ(pxtest::ReadFile(dir + "/windows/registry.reg").find("secret"), std::string::npos);
}

TEST(SystemCommands, NetworkDriveReachesTheRemoteDirectory) {
  std::string dir = pxtest::TestRoot();
  std::filesystem::create_directories(dir + "/share");
  pxtest::WriteFile(dir + "/share/readme.txt", "hello\n");
  Harness h;
  h.Run("addnetworkconnection 'S:' '" + dir +
        "/share'\n"
        "l = scanfile 'S:\\\\readme.txt' 1 5 'hello'\n"
        "p = getregistry HKEY_CURRENT_USER 'Network\\S' 'RemotePath'\n");
  EXPECT_EQ(h.F("l"), "hello");
  EXPECT_EQ(h.F("p"), dir + "/share");
}

TEST(SystemCommands, MailThroughTheDesktopTools) {
  PathGuard path;
  std::string bin = pxtest::TestRoot() + "/bin";
  std::filesystem::create_directories(bin);
  setenv("PATH", bin.c_str(), 1);
  std::string out = pxtest::TestRoot() + "/out";
  const std::string mailScript = "sendmail 'anna@example.org' 'Grüße' 'Line 1\\n.\\nLine 3'\n";
  const std::string record = "for a in \"$@\"; do printf '%s|' \"$a\"; done > " + out + ".args\n";

  // nothing there at all
  Harness none;
  none.Run(mailScript + "e = __error__\n");
  EXPECT_EQ(none.Reports(),
            std::vector<std::string>{
                "Systemunterstützung für elektronische Post kann nicht geladen werden."});
  EXPECT_EQ(none.F("e"), "0");

  // sendmail takes the message without a dialog
  WriteProgram(bin + "/sendmail", record + "/bin/cat > " + out + ".mail\n");
  WriteProgram(bin + "/xdg-email", "echo called > " + out + ".xdg\nexit 0\n");
  Harness direct;
  direct.Run(mailScript + "e = __error__\n");
  EXPECT_TRUE(direct.Reports().empty());
  EXPECT_EQ(direct.F("e"), "1");
  EXPECT_EQ(pxtest::ReadFile(out + ".args"), "-t|-i|");
  EXPECT_EQ(pxtest::ReadFile(out + ".mail"),
            "To: anna@example.org\nSubject: =?UTF-8?B?R3LDvMOfZQ==?=\nMIME-Version: 1.0\n"
            "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: 8bit\n\n"
            "Line 1\n.\nLine 3\n");
  EXPECT_FALSE(std::filesystem::exists(out + ".xdg"));

  // sendmail fails: the compose window gets the message, the recipient as a
  // mailto address that cannot pass for an option
  WriteProgram(bin + "/sendmail", "exit 75\n");
  WriteProgram(bin + "/xdg-email", record + "exit 0\n");
  Harness composed;
  composed.Run("sendmail '-x&y@example.org' 'Hi; rm -rf /' '$(reboot)'\ne = __error__\n");
  EXPECT_TRUE(composed.Reports().empty());
  EXPECT_EQ(composed.F("e"), "1");
  EXPECT_EQ(pxtest::ReadFile(out + ".args"),
            "--utf8|--subject|Hi; rm -rf /|--body|$(reboot)|mailto:-x%26y@example.org|");

  // the second attempt fails too
  WriteProgram(bin + "/xdg-email", "exit 4\n");
  Harness failed;
  failed.Run(mailScript + "e = __Error__\n");
  EXPECT_EQ(failed.Reports(),
            std::vector<std::string>{"\"Nachricht senden\" scheiterte beim Senden der Nachricht."});
  EXPECT_EQ(failed.F("e"), "1");

  // a compose tool that cannot be run is no valid mail support
  std::filesystem::remove(bin + "/sendmail");
  WriteProgram(bin + "/xdg-email", "exit 0\n", 0644);
  Harness invalid;
  invalid.Run(mailScript + "e = __error__\n");
  EXPECT_EQ(invalid.Reports(),
            std::vector<std::string>{"Die System-DLL für elektronische Post ist ungültig."});
  EXPECT_EQ(invalid.F("e"), "0");
}

TEST(ProgramCommands, ExecStartsTheProgramWithAnArgumentVector) {
  std::string dir = pxtest::TestRoot();
  std::filesystem::create_directories(dir + "/My Tools");
  std::string out = dir + "/argv.txt";
  // records its own name and arguments, one per line
  WriteProgram(dir + "/My Tools/rec ord.sh",
               "{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > " +
                   out + ".tmp\n/bin/mv " + out + ".tmp " + out + "\n");
  auto waitFor = [&](const std::string& file) {
    for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) usleep(10000);
    return pxtest::ReadFile(file);
  };
  Harness h;
  h.Run("exec '\"" + dir + "/My Tools/rec ord.sh\"   /s'\ne = __error__\n");
  EXPECT_EQ(h.F("e"), "1");
  EXPECT_EQ(waitFor(out), dir + "/My Tools/rec ord.sh\n/s\n");

  // shell characters in the program text and the parameters are plain text
  std::filesystem::remove(out);
  std::string marker = dir + "/pwned";
  WriteProgram(dir + "/plain;touch", "exit 0\n");
  Harness s;
  s.Run("exec '\"" + dir + "/My Tools/rec ord.sh\" a;touch " + marker +
        " $(id) `id` \"q r\"' 1\n"
        "e1 = __error__\n"
        "exec '" +
        dir + "/plain;touch " + marker +
        "'\ne2 = __error__\n"
        "exec '" +
        dir +
        "/missing.exe /s'\ne3 = __error__\n"
        "exec ''\ne4 = __error__\n");
  EXPECT_EQ(s.F("e1"), "1");
  EXPECT_EQ(waitFor(out),
            dir + "/My Tools/rec ord.sh\na;touch\n" + marker + "\n$(id)\n`id`\nq r\n");
  EXPECT_EQ(s.F("e2"), "1");
  EXPECT_EQ(s.F("e3"), "0");
  EXPECT_EQ(s.F("e4"), "0");
  usleep(100000);
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(ProgramCommands, StartItemsAndGroups) {
  Harness h;
  h.Run(
      "createitem '\\PG\\Tools' 'a/b\\c' '/usr/bin/true' '-v' '/tmp' '' '0' '1'\ne1 = __error__\n"
      "createitem '\\XX\\' 'x' '/usr/bin/true' '' '' '' 0 0\ne2 = __error__\n"
      "execgroup 'NoSuchGroup'\ne3 = __error__\n");
  EXPECT_TRUE(h.Reports().empty());
  EXPECT_EQ(h.F("e1"), "1");
  const char* programs = GetFolderPath(2);
  ASSERT_NE(programs, nullptr);
  std::string host = programs;
  EXPECT_TRUE(std::filesystem::exists(platform::HostPath(host + "\\Tools\\a_b_c.LNK")));
  EXPECT_EQ(h.F("e2"), "0");
  EXPECT_EQ(h.F("e3"), "0");
}

TEST(SystemCommands, NothingHappensInTheSyntaxPass) {
  PathGuard path;
  std::string dir = pxtest::TestRoot();
  std::string bin = dir + "/bin";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(dir + "/share");
  std::filesystem::create_directories(dir + "/sub");
  setenv("PATH", bin.c_str(), 1);
  WriteProgram(bin + "/sendmail", "/bin/cat > " + dir + "/mail.out\n");
  WriteProgram(dir + "/run.sh", "echo ran > " + dir + "/ran.out\n");
  Harness h;
  h.Run(
      "exit\n"
      "setregistry HKEY_CURRENT_USER 'Software\\X' 'v' '1'\n"
      "deleteregistry HKEY_CURRENT_USER 'Software' 'Y'\n"
      "setregistryall 'A' 'B' log\n"
      "setinifile 'x.ini' 's' 'k' 'v'\n"
      "cd 'sub'\n"
      "sleep 3000\n"
      "addnetworkconnection 'K:' '" +
      dir +
      "/share'\n"
      "cancelnetworkconnection 'K:'\n"
      "sendmail 'a@b' 's' 't'\n"
      "exec '" +
      dir +
      "/run.sh'\n"
      "execgroup 'G'\n"
      "createitem '\\PG\\T' 'i' 't' '' '' '' 0 0\n"
      "messagebox 'hello'\n"
      "dialogout 'title'\n"
      "dialogloggingoff 'once'\n"
      "createbackground 'bg'\n"
      "wizardcreate\n"
      "x = wizardpagetext 2 'page'\n"
      "x = wizardpagebrowse 2 'DIR' 'text' nofield CHECK s 'l'\n"
      "wizardclose\n"
      "x = dialog 'p' g\n"
      "x = selectdir\n"
      "x = selectprogramgroup\n"
      "x = selectfile '*.txt' 'F'\n"
      "x = getregistry HKEY_CURRENT_USER 'Software' 'v'\n"
      "x = getinifile 'x.ini' 's' 'k'\n"
      "x = getdiskname '1'\n"
      "x = getversion 'a'\n"
      "x = pwd\n");
  EXPECT_TRUE(h.Reports().empty());
  EXPECT_EQ(h.F("x"), "<none>");
  std::vector<instari::ScriptedUi::Shown> other;
  for (const auto& s : h.ui.shown)
    if (s.kind != instari::ScriptedUi::Shown::kStatus) other.push_back(s);
  EXPECT_TRUE(other.empty());
  char cwd[4096];
  EXPECT_EQ(std::string(getcwd(cwd, sizeof cwd)), dir);
  usleep(50000);
  for (const char* f : {"/mail.out", "/ran.out", "/windows/x.ini"})
    EXPECT_FALSE(std::filesystem::exists(dir + f)) << f;
  EXPECT_EQ(GetRegistry(HKEY_CURRENT_USER, "Software\\X", "v"), nullptr);
  EXPECT_EQ(GetRegistry(HKEY_CURRENT_USER, "Network\\K", "RemotePath"), nullptr);
}
