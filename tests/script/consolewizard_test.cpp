// A wizard page on the console: text and controls shown, defaults taken
// when nobody can answer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "harness.h"
#include "instari/ui/consoleui.h"

namespace {

// Everything written to out; closes both files.
std::string TextAndClose(FILE* out, FILE* in) {
  rewind(out);
  std::string text;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, out)) text += buffer;
  fclose(out);
  fclose(in);
  return text;
}

}  // namespace

TEST(ConsoleWizard, ShowsControlsAndKeepsDefaultsWithoutATerminal) {
  FILE* out = tmpfile();
  FILE* in = tmpfile();
  ASSERT_TRUE(out && in);
  scripttest::FakeFacts facts;
  std::string answer;
  {
    instari::ConsoleUi ui(out, in);
    instari::script::Interpreter interp(ui, facts);
    pxtest::WriteFile(pxtest::TestRoot() + "/w.inf",
                      "wizardcreate\n__WizardTitle__ = 'Setup'\n"
                      "dir = '/opt/p'\ndocs = '1'\nsrc = ''\n"
                      "r = wizardpagebrowse 7 'DIR' 'Where?' dir CHECK docs 'Docs' src 'Sources'\n"
                      "k = '2'\n"
                      "q = wizardpagebrowse 3 'X' 'Kind?' NO RADIO k 'Small' 'Large'\n"
                      "wizardclose\n");
    ASSERT_EQ(interp.RunScript({"instari", pxtest::TestRoot() + "/w.inf"}), 0);
    answer = *interp.Fields().Find("r") + "," + *interp.Fields().Find("dir") + "," +
             *interp.Fields().Find("docs") + *interp.Fields().Find("src") + "," +
             *interp.Fields().Find("q") + "," + *interp.Fields().Find("k");
  }
  // Finish is the default of the first page, Next of the second
  EXPECT_EQ(answer, "4,/opt/p,10,2,2");
  const std::string text = TextAndClose(out, in);
  EXPECT_NE(text.find("=== Setup ===\nWhere?\n [/opt/p]: /opt/p\n  1 [x] Docs\n  2 [ ] Sources\n"
                      "Toggle: \n[1] Back  [2] Next  [3] Finish*  [4] Cancel\n-> Finish\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("=== Setup ===\nKind?\n  1 ( ) Small\n  2 (*) Large\nChoice [2]: 2\n"
                      "[1] Back  [2] Next*  [3] Cancel\n-> Next\n"),
            std::string::npos)
      << text;
}

// Output to a file: a burst of statuses is thinned out, but the first and
// the latest are there, and the latest comes before what follows it.
TEST(ConsoleWizard, StatusLinesToAFileAreThinnedButTheLatestIsKept) {
  FILE* out = tmpfile();
  FILE* in = tmpfile();
  ASSERT_TRUE(out && in);
  {
    instari::ConsoleUi ui(out, in);
    for (int i = 1; i <= 1000; ++i) {
      ui.Progress().status = "CopyFile [" + std::to_string(i) + "]\na\nb";
      ui.RefreshStatus();
    }
    ui.MessageBox("done", "Setup", 0);
    ui.Progress().status = "last";
    ui.RefreshStatus();
  }
  const std::string text = TextAndClose(out, in);
  EXPECT_EQ(text.find("  0%  CopyFile [1] a b\n"), 0u) << text;
  EXPECT_NE(text.find("  0%  CopyFile [1000] a b\n--- Setup ---\ndone\n"), std::string::npos)
      << text;
  EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 100);
  EXPECT_EQ(text.substr(text.size() - 11), "  0%  last\n");  // written when the UI goes
}
