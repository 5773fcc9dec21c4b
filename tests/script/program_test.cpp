// The instari program: options, run modes and exit codes.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>

#include "common/testutil.h"

namespace {

std::string Instari() { return pxtest::BuiltProgram("instari"); }

// Runs the program with its output in a file; returns the exit code.
int RunCaptured(std::vector<std::string> args, std::string& output, const std::string& dir = "") {
  std::string out = pxtest::TestRoot() + "/out.txt";
  std::string command = dir.empty() ? "" : "cd '" + dir + "' && ";
  command += "exec";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " >'" + out + "' 2>&1 </dev/null";
  int code = pxtest::Run({"/bin/sh", "-c", command});
  output = pxtest::ReadFile(out);
  return code;
}

std::string ErrLog() { return pxtest::ReadFile(pxtest::TestRoot() + "/windows/instari.err"); }

}  // namespace

TEST(Program, HelpAndOptions) {
  std::string out;
  EXPECT_EQ(RunCaptured({Instari(), "--help"}, out), 0);
  EXPECT_NE(out.find("Usage: instari"), std::string::npos);
  EXPECT_NE(out.find("/c STATEMENT"), std::string::npos);
  EXPECT_EQ(RunCaptured({Instari(), "--bogus"}, out), 2);
  EXPECT_NE(out.find("unknown option --bogus"), std::string::npos);
  // a display that does not answer (and a Wayland socket that is not
  // there) leaves the run on the console
  EXPECT_EQ(RunCaptured({"/usr/bin/env", "DISPLAY=:97", "WAYLAND_DISPLAY=wayland-97", Instari(),
                         "/c x = 1"},
                        out),
            0)
      << out;
  EXPECT_NE(out.find("x = 1"), std::string::npos) << out;
}

TEST(Program, OneLineMode) {
  std::string out;
  // it runs to its end after the report: 3 tells automation so
  EXPECT_EQ(RunCaptured({Instari(), "/c x = 2 * 3; y = x + q"}, out), 3);
  // the report names the command line and the rebuilt second statement
  EXPECT_NE(out.find("Runtime-Error: /c x = 2 * 3; y = x + q\n\n"
                     "     01:   x = '2' * '3' \n"
                     "     01:   y = x + q \n"
                     ">>>>>> Field/Constant not defined\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("-> OK"), std::string::npos);  // no terminal: the default button
  EXPECT_NE(ErrLog().find(">>>>>> Field/Constant not defined\n"), std::string::npos);

  std::string many = "/c x = 1";
  for (int i = 0; i < 19; ++i) many += " + 1";
  EXPECT_EQ(RunCaptured({Instari(), many}, out), 1);
  EXPECT_NE(out.find("zu viele Parameter je Zeile"), std::string::npos);
}

TEST(Program, ScriptAndWorkingDirectoryModes) {
  std::string dir = pxtest::TestRoot() + "/work";
  std::filesystem::create_directories(dir);
  pxtest::WriteFile(dir + "/setup.inf", "include 'part.inf'\nx = 1\n");
  pxtest::WriteFile(dir + "/part.inf", "y = nothing\n");
  std::string out;
  // the script name is taken in the directory named second
  EXPECT_EQ(RunCaptured({Instari(), "setup.inf", dir}, out, pxtest::TestRoot()), 3);
  EXPECT_NE(out.find("Runtime-Error: setup.inf\n\n     01:   y = nothing\n"
                     ">>>>>> Feld: 'nothing' ist nicht definiert.\n     02:   x = 1\n"),
            std::string::npos)
      << out;
  // without arguments: instari.inf in the current directory
  pxtest::WriteFile(dir + "/instari.inf", "z = q\n");
  EXPECT_EQ(RunCaptured({Instari()}, out, dir), 3);
  EXPECT_NE(out.find("Runtime-Error: \n\n     01:   z = q\n"), std::string::npos) << out;
  pxtest::WriteFile(dir + "/instari.inf", "z = 1\n");
  EXPECT_EQ(RunCaptured({Instari()}, out, dir), 0);  // no report: 0
  // a directory or script that is not there: nothing runs
  EXPECT_EQ(RunCaptured({Instari(), "setup.inf", dir + "/none"}, out), 2);
  EXPECT_NE(out.find("Error open directory: "), std::string::npos);
  EXPECT_EQ(RunCaptured({Instari(), dir + "/missing.inf"}, out), 2);
  EXPECT_NE(out.find("Error open file: "), std::string::npos);
  // an absolute script path that happens to begin with "/c" is still a file name
  EXPECT_EQ(RunCaptured({Instari(), "/cdrom-none/setup.inf"}, out), 2);
  EXPECT_NE(out.find("Error open file: /cdrom-none/setup.inf"), std::string::npos) << out;
  EXPECT_EQ(RunCaptured({Instari(), "/c/none.inf"}, out), 2);
  EXPECT_NE(out.find("Error open file: /c/none.inf"), std::string::npos) << out;
}

namespace {

// Under a file-size limit a write fails instead of the signal ending the
// program: the copy is reported, the old file kept, the script goes on.
TEST(Program, FileSizeLimitFailsTheCopyNotTheProgram) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(pxtest::WriteFile(root + "/big.bin", std::string(150 * 1024, 'x')));
  ASSERT_TRUE(pxtest::WriteFile(root + "/target.bin", "old"));
  // a registry too large to be written again under the limit
  std::string reg = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Big]\n";
  for (int i = 0; reg.size() < 120 * 1024; ++i)
    reg += "\"v" + std::to_string(i) + "\"=\"" + std::string(100, 'r') + "\"\n";
  ASSERT_TRUE(pxtest::WriteFile(root + "/windows/registry.reg", reg));
  ASSERT_TRUE(pxtest::WriteFile(root + "/limit.inf",
                                "copyfile 'big.bin' 'target.bin' ALWAYS\n"
                                "setregistry HKEY_LOCAL_MACHINE 'Software\\Big' 'new' 'value'\n"
                                "mkdir 'after'\n"));
  std::string out;
  int code = RunCaptured({"/bin/sh", "-c", "ulimit -f 100; exec '" + Instari() + "' limit.inf"},
                         out, root);
  EXPECT_NE(code, 128 + 25) << out;  // not killed by SIGXFSZ
  EXPECT_EQ(pxtest::ReadFile(root + "/target.bin"), "old");
  EXPECT_EQ(pxtest::ReadFile(root + "/windows/registry.reg"), reg);
  EXPECT_TRUE(std::filesystem::is_directory(root + "/after")) << out;

  // a picture save under the limit: a clear failure, no file
  const std::string bmp = root + "/in.bmp";
  ASSERT_EQ(pxtest::Run({"/usr/bin/convert", "-size", "200x200", "xc:red", "-type", "TrueColor",
                         "BMP3:" + bmp}),
            0);
  code =
      RunCaptured({"/bin/sh", "-c",
                   "ulimit -f 20; exec '" + pxtest::BuiltProgram("pxconvert") + "' in.bmp out.bmp"},
                  out, root);
  EXPECT_EQ(code, 1) << out;
  EXPECT_NE(out.find("Sorry, can not convert this graphic file"), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(root + "/out.bmp"));
}

// Scripts are regular files of a sane size; anything else is refused with
// the reason, and a byte-order mark at the start is no part of the first line.
TEST(Program, ScriptsMustBeRegularFilesAndMayStartWithAByteOrderMark) {
  const std::string root = pxtest::TestRoot();
  std::filesystem::create_directory(root + "/adir");
  {
    std::ofstream huge(root + "/huge.inf");
    huge.seekp((std::streamoff{64} << 20) + 1);
    huge.put('\n');
  }
  struct Case {
    std::string script, reason;
  } cases[] = {
      {root + "/adir", "Is a directory"},
      {"/dev/zero", "not a regular file"},
      {root + "/huge.inf", "larger than 64 MiB"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(RunCaptured({"timeout", "10", Instari(), c.script}, out), 2) << c.script;
    EXPECT_NE(out.find("Error open file: " + c.script), std::string::npos) << out;
    EXPECT_NE(out.find(c.reason), std::string::npos) << out;
  }
  ASSERT_TRUE(pxtest::WriteFile(root + "/bom.inf", "\xEF\xBB\xBFmkdir 'made'\n"));
  std::string out;
  EXPECT_EQ(RunCaptured({Instari(), "bom.inf"}, out, root), 0) << out;
  EXPECT_TRUE(std::filesystem::is_directory(root + "/made")) << out;
}

}  // namespace

namespace {

// An unattended installation gets its answers from a pipe, one a line; at
// the end of them the defaults are taken.
TEST(Program, AnswersFromAPipe) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(pxtest::WriteFile(root + "/setup.inf",
                                "messagebox 'Install now?' 36\n"
                                "b = __error__\n"
                                "mkdir 'button%b%'\n"
                                "n = 'Anna'\n"
                                "x = dialog 'Your name?' n\n"
                                "mkdir '%n%'\n"
                                "m = 'kept'\n"
                                "y = dialog 'Company?' m\n"
                                "mkdir '%m%-%y%'\n"));
  std::string out = root + "/out.txt";
  int code = pxtest::Run({"/bin/sh", "-c",
                          "cd '" + root + "' && printf '1\\nmy name\\n' | '" + Instari() +
                              "' setup.inf >'" + out + "' 2>&1"});
  std::string text = pxtest::ReadFile(out);
  EXPECT_EQ(code, 0) << text;
  EXPECT_TRUE(std::filesystem::is_directory(root + "/button6")) << text;  // Yes
  EXPECT_TRUE(std::filesystem::is_directory(root + "/my name")) << text;
  EXPECT_TRUE(std::filesystem::is_directory(root + "/kept-OK")) << text;  // the default
  EXPECT_NE(text.find("Your name? [Anna]: my name\n"), std::string::npos) << text;

  // a wrong answer says which are possible, then the next line counts; the
  // buttons speak the user's language, and a name is an answer too
  code = pxtest::Run({"/bin/sh", "-c",
                      "cd '" + root + "' && printf 'maybe\\nNo\\n' | LANG=en_US.UTF-8 '" +
                          Instari() + "' setup.inf >'" + out + "' 2>&1"});
  text = pxtest::ReadFile(out);
  EXPECT_NE(text.find("[1] Yes*  [2] No\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Please answer with a number from 1 to 2 or a button's name."),
            std::string::npos)
      << text;
  EXPECT_TRUE(std::filesystem::is_directory(root + "/button7")) << text;
}

}  // namespace

namespace {

// A registry file that does not parse is named once, with its wrong line;
// it stays as it is.
TEST(Program, UnparsableRegistryIsNamedOnceWithItsLine) {
  const std::string root = pxtest::TestRoot();
  const std::string bad = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\n\"a\"=\"b\"\n";
  ASSERT_TRUE(pxtest::WriteFile(root + "/windows/registry.reg", bad));
  ASSERT_TRUE(pxtest::WriteFile(root + "/reg.inf",
                                "setregistry HKEY_LOCAL_MACHINE 'Software\\\\X' 'v' 'one'\n"
                                "e1 = __error__\n"
                                "setregistry HKEY_LOCAL_MACHINE 'Software\\\\X' 'v' 'two'\n"
                                "mkdir 'e%e1%'\n"));
  std::string out;
  RunCaptured({Instari(), "reg.inf"}, out, root);
  size_t first = out.find("registry.reg does not parse (line 3:");
  EXPECT_NE(first, std::string::npos) << out;
  EXPECT_EQ(out.find("does not parse", first + 40), std::string::npos) << out;  // once
  EXPECT_TRUE(std::filesystem::is_directory(root + "/e0")) << out;              // the write failed
  EXPECT_EQ(pxtest::ReadFile(root + "/windows/registry.reg"), bad);
}

}  // namespace

namespace {

// A Windows directory or registry that anybody may write is not trusted.
TEST(Program, WorldWritableWindowsDirectoryOrRegistryIsRefused) {
  const std::string root = pxtest::TestRoot();
  const std::string windows = root + "/windows";
  ASSERT_TRUE(pxtest::WriteFile(root + "/ok.inf", "mkdir 'made'\n"));
  struct Case {
    std::string path;
    mode_t mode;
  } cases[] = {{windows, 0777}, {windows + "/registry.reg", 0666}};
  ASSERT_TRUE(pxtest::WriteFile(windows + "/registry.reg", "REGEDIT4\n\n"));
  for (const Case& c : cases) {
    chmod(c.path.c_str(), c.mode);
    std::string out;
    EXPECT_EQ(RunCaptured({Instari(), "ok.inf"}, out, root), 2) << c.path;
    EXPECT_NE(out.find(c.path + " may be written by any user"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(root + "/made"));
    chmod(c.path.c_str(), c.mode & 0755);
  }
  std::string out;
  EXPECT_EQ(RunCaptured({Instari(), "ok.inf"}, out, root), 0) << out;
}

}  // namespace
