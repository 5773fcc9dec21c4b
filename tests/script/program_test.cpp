// The instari program: options, run modes and exit codes.

#include <gtest/gtest.h>

#include <filesystem>

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
}

TEST(Program, OneLineMode) {
  std::string out;
  EXPECT_EQ(RunCaptured({Instari(), "/c x = 2 * 3; y = x + q"}, out), 0);
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
  EXPECT_EQ(RunCaptured({Instari(), "setup.inf", dir}, out, pxtest::TestRoot()), 0);
  EXPECT_NE(out.find("Runtime-Error: setup.inf\n\n     01:   y = nothing\n"
                     ">>>>>> Feld: 'nothing' ist nicht definiert.\n     02:   x = 1\n"),
            std::string::npos)
      << out;
  // without arguments: instari.inf in the current directory
  pxtest::WriteFile(dir + "/instari.inf", "z = q\n");
  EXPECT_EQ(RunCaptured({Instari()}, out, dir), 0);
  EXPECT_NE(out.find("Runtime-Error: \n\n     01:   z = q\n"), std::string::npos) << out;
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
