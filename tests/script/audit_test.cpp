// What a script author runs into at the edges: an unclosed comment, a log
// handle already closed, numbers past the double range, translations,
// halves, bare browse kinds; and a run with no one to answer its errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>

#include "harness.h"

using scripttest::Harness;

namespace {

std::string P(const std::string& rel) { return pxtest::TestRoot() + "/" + rel; }

}  // namespace

TEST(Audit, EdgesReportWhatWentWrong) {
  const std::string big = "1" + std::string(400, '0');
  const struct {
    const char* what;
    std::string script;
    std::vector<std::string> errors;
    const char* field;
    std::string value;
  } cases[] = {
      {"unclosed comment: named once, what came before runs",
       "x = 'ran'\n/*\ny = 'hidden'\n",
       {"Kommentar ab Zeile 2 wird nicht mit */ beendet."},
       "x",
       "ran"},
      {"closed comment hides its lines", "/*\nx = 'no'\n*/\nx = 'yes'\n", {}, "x", "yes"},
      {"closed log handle is reported, nothing is copied",
       "log = fopen 'l.txt' 'w'\nfclose log\nput = fopen 'a.txt' 'w'\nfclose put\n"
       "copyfile 'a.txt' 'b.txt' log\nmkdir 'd' log\nr = __Error__\n",
       {"Log-Datei: 'log' ist nicht geöffnet.", "Log-Datei: 'log' ist nicht geöffnet."},
       "r",
       "1"},
      {"a log handle of 0 still means no log",
       "z = '0'\nmkdir 'd' z\nr = __Error__\n",
       {},
       "r",
       "0"},
      {"number text past the double range: ++",
       "x = '" + big + "'\nx++\n",
       {"Mathematical error"},
       "x",
       big},
      {"... op= overflow as in an expression",
       "x = '1" + std::string(300, '0') + "'\ny = x\ny *= x\nz = x * x\n",
       {"Mathematical error", "Mathematical error"},
       "y",
       "1" + std::string(300, '0')},
      {"... in an expression",
       "x = '" + big + "'\ny = x + 1\n",
       {"Mathematical error"},
       "y",
       "<none>"},
      {"translate maps each character once",
       "s = 'aabc'\nr = translate s 'ab' 'bc'\n",
       {},
       "r",
       "bbcc"},
      {"halves round away from zero", "x = 5 / 2\n", {}, "x", "3"},
      {"negative halves too", "x = 0 - 5 / 2\n", {}, "x", "-3"},
      {"op= halves", "x = 1\nx /= 2\n", {}, "x", "1"},
      {"below a half stays", "x = 7 / 3\n", {}, "x", "2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    h.Run(c.script);
    EXPECT_EQ(h.Errors(), c.errors);
    EXPECT_EQ(h.F(c.field), c.value);
  }
  // the translation of a file follows the same rule
  {
    pxtest::WriteFile(P("t.in"), "aabc");
    Harness h;
    h.Run("translatefile 't.in' 't.out' 'ab' 'bc'\n");
    EXPECT_EQ(pxtest::ReadFile(P("t.out")), "bbcc");
  }
  // a browse kind written bare, as getfiledate's; a field still gives its value
  {
    Harness h;
    h.Run(
        "b = wizardpagebrowse 3 DIR 'a' NO\nkind = 'GROUP'\nb = wizardpagebrowse 3 kind 'b' NO\n"
        "b = wizardpagebrowse 3 OTHER 'c' NO\n");
    EXPECT_TRUE(h.Errors().empty());
    ASSERT_EQ(h.ui.pages.size(), 3u);
    EXPECT_EQ(h.ui.pages[0].browseMode, 1);
    EXPECT_EQ(h.ui.pages[1].browseMode, 2);
    EXPECT_EQ(h.ui.pages[2].browseMode, 0);
  }
}

// The program with no terminal and no answers: a loop whose condition names
// a field that is not there fails on every round; the run ends by itself.
TEST(Audit, UnattendedRunAlwaysEnds) {
  const std::string instari = std::string(PX_BUILD_DIR) + "/instari/instari";
  pxtest::WriteFile(P("loop.inf"),
                    "count = 0\nwhile (cont < 3)\n  count = count + 1\nendwhile\nx = 'end'\n");
  const struct {
    const char* option;
    int reports;
  } cases[] = {{"", 10}, {"--on-error=continue", 10}, {"--on-error=stop", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    std::filesystem::remove(P("windows/instari.err"));
    std::string command = "cd '" + pxtest::TestRoot() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 '" + instari +
                          "' --console " + c.option + " loop.inf </dev/null >out.txt 2>&1";
    auto start = std::chrono::steady_clock::now();
    int status = system(command.c_str());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_LT(seconds, 5.0);
    std::string log = pxtest::ReadFile(P("windows/instari.err"));
    size_t reports = 0;
    for (size_t at = 0; (at = log.find(">>>>>> Kommando unbekannt.", at)) != std::string::npos;
         ++at)
      ++reports;
    EXPECT_EQ(reports, static_cast<size_t>(c.reports));
    EXPECT_LT(log.size(), 16u * 1024);
    std::string out = pxtest::ReadFile(P("out.txt"));
    std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
    EXPECT_EQ(last.rfind("instari: stopped", 0), 0u) << last;
    EXPECT_NE(last.find("line 2"), std::string::npos) << last;
  }
}
