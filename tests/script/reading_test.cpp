// Reading scripts: statements per line, includes, comments, the two passes.

#include <gtest/gtest.h>

#include "harness.h"

using instari::ScriptedUi;
using scripttest::Harness;

TEST(Reading, SemicolonsSplitWithTheSameLineNumberAndKeepTheMeaning) {
  Harness h;
  h.Run(
      "x = 1\n"
      "a = 'it''s'; b = 'c:\\\\new' ; c = 'tab\\there';\n");
  const auto& p = h.in.Program();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].text, "x = 1");
  EXPECT_EQ(p[1].text, "a = 'it''s' ");
  EXPECT_EQ(p[2].text, "b = 'c:\\\\new' ");
  EXPECT_EQ(p[3].text, "c = 'tab\\there' ");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(p[i].lineNumber, 2);
  EXPECT_EQ(h.F("a"), "it's");
  EXPECT_EQ(h.F("b"), "c:\\new");
  EXPECT_EQ(h.F("c"), "tab\there");
  EXPECT_TRUE(h.Reports().empty());
}

TEST(Reading, CommentsTabsAndEof) {
  Harness h;
  h.Run(
      "\t\tx = 1   // trailing note\n"
      "// a whole comment line\n"
      "   \n"
      "  /*\n"
      "y = 2\n"
      "'text' y = 3\n"
      "  */\n"
      "z = 3\n"
      "EOF\n"
      "w = 4\n");
  const auto& p = h.in.Program();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].text, "x = 1   // trailing note");
  EXPECT_EQ(p[1].text, "z = 3");
  EXPECT_EQ(p[1].lineNumber, 8);
  EXPECT_EQ(h.F("x"), "1");
  EXPECT_EQ(h.F("y"), "<none>");
  EXPECT_EQ(h.F("w"), "<none>");
}

TEST(Reading, SlashStarWithTextIsAStatementNotAComment) {
  Harness h;
  h.Run("/* note */\nx = 1\n");
  ASSERT_EQ(h.in.Program().size(), 2u);
  EXPECT_EQ(h.in.Program()[0].text, "/* note */");
  // both passes report it as unknown; the next line still runs
  EXPECT_EQ(h.Errors(), (std::vector<std::string>{"Kommando unbekannt.", "Kommando unbekannt."}));
  EXPECT_EQ(h.F("x"), "1");
}

TEST(Reading, IncludesCarryTheIncludeLineNumber) {
  Harness h;
  pxtest::WriteFile(pxtest::TestRoot() + "/part.inf", "a = 1\nb = q + 1\n");
  h.Run("x = 1\ninclude 'part.inf'\ny = 2\n");
  const auto& p = h.in.Program();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[1].text, "a = 1");
  EXPECT_EQ(p[1].lineNumber, 2);
  EXPECT_EQ(p[2].lineNumber, 2);
  EXPECT_EQ(p[3].lineNumber, 3);
  ASSERT_EQ(h.Reports().size(), 1u);
  EXPECT_NE(h.Reports()[0].find("     02:   b = q + 1\n>>>>>> Field/Constant not defined\n"),
            std::string::npos);
  EXPECT_EQ(h.F("y"), "2");
}

TEST(Reading, UnclosedBlockCommentInAnIncludeHidesTheRest) {
  Harness h;
  pxtest::WriteFile(pxtest::TestRoot() + "/part.inf", "a = 1\n/*\nb = 2\n");
  h.Run("include 'part.inf'\ny = 2\n*/\nz = 3\n");
  EXPECT_EQ(h.F("a"), "1");
  EXPECT_EQ(h.F("b"), "<none>");
  EXPECT_EQ(h.F("y"), "<none>");
  EXPECT_EQ(h.F("z"), "3");
}

TEST(Reading, FailedIncludeStopsReadingButWhatWasReadRuns) {
  Harness h;
  h.Run("x = 1\ninclude 'missing.inf'\ny = 2\n");
  ASSERT_EQ(h.ui.Messages().size(), 1u);
  EXPECT_EQ(h.ui.Messages()[0].text.rfind("Error open file: missing.inf\n[", 0), 0u);
  EXPECT_EQ(h.F("x"), "1");
  EXPECT_EQ(h.F("y"), "<none>");
  EXPECT_EQ(h.exitCode, 0);
}

TEST(Reading, SelfIncludeIsBounded) {
  Harness h;
  h.Run("x = 1\ninclude 'setup.inf'\n");
  EXPECT_EQ(h.F("x"), "1");
  ASSERT_FALSE(h.ui.Messages().empty());
  EXPECT_NE(h.ui.Messages()[0].text.find("include nested too deeply"), std::string::npos);
}

TEST(Reading, IncludeWithoutLiteralIsAnOrdinaryStatement) {
  Harness h;
  h.Run("include part\n");
  ASSERT_EQ(h.in.Program().size(), 1u);
  EXPECT_EQ(h.Errors(), (std::vector<std::string>{"Kommando unbekannt.", "Kommando unbekannt."}));
}

TEST(Reading, InzScriptsAreNotReadAndMissingScriptsEndTheRun) {
  Harness h;
  EXPECT_EQ(h.Run("x = 1\n", "setup.inz"), 0);
  EXPECT_TRUE(h.in.Program().empty());
  EXPECT_EQ(h.F("__InstariFileName__"), "setup.inz");
  EXPECT_EQ(h.F("__Memory__"), "64");  // the predefined fields are there

  Harness m;
  ASSERT_EQ(chdir(pxtest::TestRoot().c_str()), 0);
  EXPECT_EQ(m.in.RunScript({"instari", "nothere.inf"}), 2);
  ASSERT_EQ(m.ui.Messages().size(), 1u);
  EXPECT_EQ(m.ui.Messages()[0].text.rfind("Error open file: nothere.inf\n[", 0), 0u);
  std::vector<std::string> statuses = m.ui.Statuses();
  EXPECT_EQ(statuses, std::vector<std::string>{"Read Inf-File: nothere.inf"});
}

TEST(Reading, MoreThanFortyTokensEndsTheProcessWithCodeOne) {
  Harness h;
  std::string line = "x = 1";
  for (int i = 0; i < 19; ++i) line += " + 1";  // 3 + 38 = 41 tokens
  EXPECT_EQ(h.Run("y = 1\n" + line + "\nz = 1\n"), 1);
  ASSERT_EQ(h.ui.Messages().size(), 1u);
  EXPECT_EQ(h.ui.Messages()[0].text, "zu viele Parameter je Zeile");
  EXPECT_EQ(h.F("y"), "<none>");  // nothing ran

  Harness ok;
  std::string forty = "x = 1";
  for (int i = 0; i < 18; ++i) forty += " + 1";
  EXPECT_EQ(ok.Run(forty + "\n"), 0);
  EXPECT_EQ(ok.F("x"), "19");
}

TEST(Reading, LongLinesAreReadInPieces) {
  Harness h;
  std::string comment = "// " + std::string(700, 'c');
  h.Run(comment + "\nx = 1\n");
  // the second piece of the comment line is a statement of its own
  ASSERT_EQ(h.in.Program().size(), 2u);
  EXPECT_EQ(h.in.Program()[0].lineNumber, 2);
  EXPECT_EQ(h.in.Program()[1].lineNumber, 3);
}

TEST(Reading, StatusTextsAndProgressOfBothPasses) {
  Harness h;
  h.Run("x = 'a%%b'\ny   =   x\nz = 1\nexit\nw = 1\n");
  std::vector<ScriptedUi::Shown> s;
  for (const auto& e : h.ui.shown)
    if (e.kind == ScriptedUi::Shown::kStatus) s.push_back(e);
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(s[0].text, "Read Inf-File: setup.inf");
  EXPECT_EQ(s[1].text, "Syntax-Check");
  EXPECT_EQ(s[2].text, "x = a%b");
  EXPECT_EQ(s[2].overall, 0);
  EXPECT_EQ(s[3].text, "y = x");
  EXPECT_EQ(s[3].overall, 20);
  EXPECT_EQ(s[4].text, "z = 1");
  EXPECT_EQ(s[4].overall, 40);
  EXPECT_EQ(s[5].text, "exit");
  EXPECT_EQ(s[5].overall, 60);
  EXPECT_EQ(h.F("w"), "<none>");
}
