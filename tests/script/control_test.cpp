// Conditions, loops, jumps and the error report.

#include <gtest/gtest.h>

#include "harness.h"
#include "instari/ui/installerui.h"

using scripttest::Harness;

TEST(Conditions, ShapesAndComparisons) {
  Harness h;
  h.Run(
      "if 1\n r1 = 'yes'\nendif\n"  // an if as the very first statement
      "a = 'abc'\n"
      "if a\n r2 = 'true'\nelse\n r2 = 'false'\nendif\n"
      "if ! a\n r3 = 'neg'\nendif\n"
      "if '10' < '9'\n r4 = 'num-less'\nelse\n r4 = 'num-not-less'\nendif\n"
      "if 'b' > 'a'\n r5 = 'text'\nendif\n"
      "x = 1\nb = 2\n"
      "if (x == 1) && (b == 2)\n r6 = 'group'\nendif\n"
      "if (x < 0)\n r7 = 'wrong'\nelse\n r7 = 'right'\nendif\n"
      "if '' == 0\n r8 = 'empty-is-zero'\nendif\n"
      "if -3\n r9 = 'negative-true'\nendif\n"
      "if x != b\n if x >= 1\n  r10 = 'nested'\n else\n  r10 = 'inner-else'\n endif\nendif\n"
      "if x <= 0\n r11 = 'no'\nendif\n"
      "if nofield == 1\n r12 = 'body-runs-after-report'\nendif\n");
  EXPECT_EQ(h.F("r1"), "yes");
  EXPECT_EQ(h.F("r2"), "false");
  EXPECT_EQ(h.F("r3"), "neg");
  EXPECT_EQ(h.F("r4"), "num-not-less");
  EXPECT_EQ(h.F("r5"), "text");
  EXPECT_EQ(h.F("r6"), "group");
  EXPECT_EQ(h.F("r7"), "right");
  EXPECT_EQ(h.F("r8"), "empty-is-zero");
  EXPECT_EQ(h.F("r9"), "negative-true");
  EXPECT_EQ(h.F("r10"), "nested");
  EXPECT_EQ(h.F("r11"), "<none>");
  EXPECT_EQ(h.F("r12"), "body-runs-after-report");
  EXPECT_EQ(h.Errors(), std::vector<std::string>{"Feld: 'nofield' ist nicht definiert."});
}

TEST(Conditions, StructureErrorsInBothPasses) {
  Harness h;
  h.Run("if 1\nx = 1\n");
  EXPECT_EQ(h.Errors(), (std::vector<std::string>{"If ohne EndIf.", "If ohne EndIf."}));
  EXPECT_EQ(h.F("x"), "1");  // OK: the run goes on after the report

  Harness e;
  e.Run("else\nendif\n");
  EXPECT_EQ(e.Errors(), (std::vector<std::string>{"Else ohne If.", "EndIf ohne If.",
                                                  "Else ohne If.", "EndIf ohne If."}));

  // the syntax pass jumps over the else branch
  Harness s;
  s.Run("if 1\nx = 1\nelse\ncopyfile\nendif\n");
  EXPECT_TRUE(s.Errors().empty());
  // a bad shape of if is an unknown command
  Harness b;
  b.Run("if 1 2\nendif\n");
  EXPECT_EQ(b.Errors(), (std::vector<std::string>{"Kommando unbekannt.", "Kommando unbekannt."}));
}

TEST(Loops, WhileConditionsBreakAndContinue) {
  Harness h;
  h.Run(
      "v = 'abc'\nn = 0\n"
      "while v\n n++\n if n == 3\n  v = '0'\n endif\nendwhile\n"
      "m = '-1'\nk = 0\n"
      "while m\n k++\n if k == 2\n  break\n endif\nendwhile\n"
      "e = ''\nwhile e\n never = 1\nendwhile\n"
      "z = '0abc'\nwhile z\n never2 = 1\nendwhile\n"
      // break leaves only the inner loop
      "i = 0\nouter = 0\ninner = 0\n"
      "while 1\n i++\n if i > 3\n  break\n endif\n outer++\n"
      " j = 0\n while 1\n  j++\n  if j > 2\n   break\n  endif\n  inner++\n endwhile\nendwhile\n"
      // continue after a complete inner loop goes back to the outer while
      "c = 0\nskipped = 0\nafter = 0\n"
      "while (c < 3)\n c++\n q = 1\n while q\n  q = 0\n endwhile\n"
      " if c == 2\n  continue\n endif\n after++\nendwhile\n");
  EXPECT_EQ(h.F("n"), "3");
  EXPECT_EQ(h.F("k"), "2");
  EXPECT_EQ(h.F("never"), "<none>");
  EXPECT_EQ(h.F("never2"), "<none>");
  EXPECT_EQ(h.F("outer"), "3");
  EXPECT_EQ(h.F("inner"), "6");
  EXPECT_EQ(h.F("c"), "3");
  EXPECT_EQ(h.F("after"), "2");
  EXPECT_TRUE(h.Errors().empty());
}

TEST(Loops, WhileAtTheStartAndStructureErrors) {
  // a while as the very first statement: endwhile goes back to index 0
  Harness h;
  h.Run("while __ARGC__\n __ARGC__--\n t = 'x'\n strcat t '+'\nendwhile\n");
  EXPECT_EQ(h.F("__ARGC__"), "0");
  EXPECT_EQ(h.F("t"), "x+");
  EXPECT_TRUE(h.Errors().empty());
  Harness w;
  w.Run("while 1\nx = 1\n");
  EXPECT_EQ(w.Errors(), (std::vector<std::string>{"While ohne EndWhile.", "While ohne EndWhile."}));
  Harness e;
  e.Run("endwhile\nbreak\ncontinue\n");
  EXPECT_EQ(e.Errors(), (std::vector<std::string>{"EndWhile ohne While.", "Break ohne EndWhile.",
                                                  "Continue ohne While.", "EndWhile ohne While.",
                                                  "Break ohne EndWhile.", "Continue ohne While."}));
  Harness c;
  c.Run("n = 3\nt = 0\nwhile n\n n--\n t++\nendwhile\n");
  EXPECT_EQ(c.F("t"), "3");
}

TEST(Jumps, GotoLabelsAndExit) {
  Harness h;
  h.Run(
      "goto :end\nskipped = 1\n:endless\nalso = 1\n:end\nafter = 1\n"
      "goto :nowhere\nlast = 1\nexit\nnotrun = 1\n");
  // ":end" is found by prefix from the start: that is ":endless"
  EXPECT_EQ(h.F("skipped"), "<none>");
  EXPECT_EQ(h.F("also"), "1");
  EXPECT_EQ(h.F("after"), "1");
  EXPECT_EQ(h.F("last"), "1");
  EXPECT_EQ(h.F("notrun"), "<none>");
  EXPECT_EQ(h.Errors(), (std::vector<std::string>{"Feld: ':nowhere' ist nicht definiert.",
                                                  "Feld: ':nowhere' ist nicht definiert."}));
  EXPECT_EQ(h.exitCode, 0);

  Harness x;
  x.Run("exitcode\nnotrun = 1\n");
  EXPECT_EQ(x.F("notrun"), "<none>");
}

TEST(Commands, UnknownCommandsAndWrongShapesAreReportedNotFaked) {
  Harness h;
  // known keywords in a shape they do not have, and a word that is no command;
  // an assignment of the wrong shape is taken for an expression, which fails
  // only when it runs
  h.Run("createitem 'a' 'b'\nx = getfilesize\nfoo bar\nx = 1\n");
  EXPECT_EQ(h.Errors(), (std::vector<std::string>{
                            "Kommando unbekannt.", "Kommando unbekannt.", "Kommando unbekannt.",
                            "Field/Constant not defined", "Kommando unbekannt."}));
  EXPECT_EQ(h.F("__error__"), "0");
  EXPECT_EQ(h.F("__Error__"), "1");
  Harness m;
  m.Run("copyfile\n");
  EXPECT_EQ(m.Errors(), (std::vector<std::string>{"Kommando unbekannt.", "Kommando unbekannt."}));
}

TEST(ErrorReport, ExactTextLogAndButtons) {
  Harness h;
  std::string script;
  for (int i = 1; i <= 9; ++i) script += "// line " + std::to_string(i) + "\n";
  script += "x = 1\ny = 2\nz = q + 1\nendif\n";
  h.Run(script);
  std::vector<std::string> reports = h.Reports();
  ASSERT_EQ(reports.size(), 3u);  // endif in the syntax pass, then z and endif in the run pass
  EXPECT_EQ(reports[1],
            "Runtime-Error: setup.inf\n"
            "\n"
            "     10:   x = 1\n"
            "     11:   y = 2\n"
            "     12:   z = q + 1\n"
            ">>>>>> Field/Constant not defined\n"
            "     13:   endif\n");
  EXPECT_EQ(reports[0].rfind("Syntax-Check: setup.inf\n\n", 0), 0u);
  const auto messages = h.ui.Messages();  // a copy: keep it alive while m is used
  ASSERT_GE(messages.size(), 2u);
  const auto& m = messages[1];
  EXPECT_EQ(m.caption, "Instari");
  EXPECT_EQ(m.style, instari::mb::kOkCancel | instari::mb::kIconQuestion);

  std::string log = pxtest::ReadFile(pxtest::TestRoot() + "/windows/instari.err");
  EXPECT_EQ(log, "97-10-17 09:10:26\n" + reports[0] + "\n" + "97-10-17 09:10:26\n" + reports[1] +
                     "\n" + "97-10-17 09:10:26\n" + reports[2] + "\n");
}

TEST(ErrorReport, ContextWindowAndAppending) {
  Harness h;
  std::string script;
  for (int i = 0; i < 20; ++i) script += "a" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  script += "bad = q\n";
  for (int i = 0; i < 5; ++i) script += "b" + std::to_string(i) + " = 1\n";
  pxtest::WriteFile(pxtest::TestRoot() + "/windows/instari.err", "old\n");
  h.facts.now.tm_year = 101;  // 2001
  h.Run(script);
  ASSERT_EQ(h.Reports().size(), 1u);
  EXPECT_EQ(h.Reports()[0],
            "Runtime-Error: setup.inf\n\n"
            "     16:   a15 = 15\n     17:   a16 = 16\n     18:   a17 = 17\n"
            "     19:   a18 = 18\n     20:   a19 = 19\n     21:   bad = q\n"
            ">>>>>> Feld: 'q' ist nicht definiert.\n"
            "     22:   b0 = 1\n     23:   b1 = 1\n");
  std::string log = pxtest::ReadFile(pxtest::TestRoot() + "/windows/instari.err");
  EXPECT_EQ(log, "old\n101-10-17 09:10:26\n" + h.Reports()[0] + "\n");
}

TEST(ErrorReport, CancelEndsTheRunWithCodeOne) {
  Harness h;
  h.ui.buttons = {instari::id::kOk, instari::id::kCancel};
  EXPECT_EQ(h.Run("a = q\nb = r\nc = 1\n"), 1);
  EXPECT_EQ(h.Errors().size(), 2u);
  EXPECT_EQ(h.F("c"), "<none>");
  // after OK the flags carry the failure
  Harness ok;
  ok.Run("a = q\n");
  EXPECT_EQ(ok.F("__error__"), "0");
  EXPECT_EQ(ok.F("__Error__"), "1");
}

TEST(Display, DialogLoggingSwitchesTheStatementDisplay) {
  Harness h;
  h.Run("a = 1\ndialogloggingoff 'busy'\nb = 2\ndialogloggingon\nc = 3\n");
  EXPECT_EQ(h.ui.Statuses(),
            (std::vector<std::string>{"Read Inf-File: setup.inf", "Syntax-Check", "a = 1",
                                      "dialogloggingoff busy", "busy", "c = 3"}));
}
