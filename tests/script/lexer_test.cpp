#include <gtest/gtest.h>

#include "instari/script/lexer.h"

using namespace instari::script;

namespace {

struct Lexed {
  std::vector<int> kinds;
  std::vector<std::string> texts;
  bool ok = true;
};

Lexed Lex(std::string_view text) {
  TokenBuffer buf;
  bool block = false;
  Lexed r;
  r.ok = Tokenize(text, buf, block);
  for (int i = 0; i < buf.count; ++i) {
    r.kinds.push_back(buf.kinds[i]);
    r.texts.push_back(buf.texts[i]);
  }
  EXPECT_EQ(buf.kinds[buf.count], kEol);
  return r;
}

}  // namespace

TEST(Lexer, KeywordsByCaseInsensitivePrefixInListOrder) {
  for (const char* text : {"if", "IF", "If", "iF"})
    EXPECT_EQ(Lex(text).kinds, std::vector<int>{kw_if});

  Lexed ifx = Lex("ifx = 1");
  EXPECT_EQ(ifx.kinds, (std::vector<int>{kw_if, kIdentifier, '=', kLiteral}));
  EXPECT_EQ(ifx.texts, (std::vector<std::string>{"if", "x", "=", "1"}));

  Lexed exitcode = Lex("exitcode");
  EXPECT_EQ(exitcode.kinds, (std::vector<int>{kw_exit, kIdentifier}));
  EXPECT_EQ(exitcode.texts[1], "code");

  // a longer keyword wins over its prefix, getdate comes after its family
  EXPECT_EQ(Lex("copydirrecursive").kinds[0], kw_copydirrecursive);
  EXPECT_EQ(Lex("copydir").kinds[0], kw_copydir);
  EXPECT_EQ(Lex("getdatedayofweek").kinds[0], kw_getdatedayofweek);
  EXPECT_EQ(Lex("getdateday").kinds[0], kw_getdateday);
  EXPECT_EQ(Lex("getdate").kinds[0], kw_getdate);
  EXPECT_EQ(Lex("execgroup").kinds[0], kw_execgroup);
  EXPECT_EQ(Lex("StrMakeLenLeft").kinds[0], kw_strmakelenleft);
  EXPECT_EQ(Lex("translatestring").kinds[0], kw_translatestring);
  EXPECT_EQ(Lex("translatefile").kinds[0], kw_translatefile);
  EXPECT_EQ(Lex("movefilebystartup").kinds[0], kw_movefilebystartup);

  // every keyword reads as itself, whole
  for (int k = kFirstKeyword; k < kFirstKeyword + kKeywordCount; ++k) {
    Lexed l = Lex(KeywordName(k));
    ASSERT_EQ(l.kinds.size(), 1u) << KeywordName(k);
    EXPECT_EQ(l.kinds[0], k) << KeywordName(k);
  }
  EXPECT_EQ(kKeywordCount, 105);
  // not at the start of a token: an ordinary name
  EXPECT_EQ(Lex("xif").kinds, std::vector<int>{kIdentifier});
}

TEST(Lexer, NumbersOperatorsAndIdentifiers) {
  Lexed a = Lex("x = 3.5");
  EXPECT_EQ(a.kinds, (std::vector<int>{kIdentifier, '=', kLiteral, kIdentifier}));
  EXPECT_EQ(a.texts, (std::vector<std::string>{"x", "=", "3", ".5"}));

  Lexed b = Lex("a -1");
  EXPECT_EQ(b.kinds, (std::vector<int>{kIdentifier, kLiteral}));
  EXPECT_EQ(b.texts[1], "-1");
  Lexed c = Lex("a - 1");
  EXPECT_EQ(c.kinds, (std::vector<int>{kIdentifier, '-', kLiteral}));

  Lexed cmp = Lex("if a==b != c <= d >= e < f > g");
  EXPECT_EQ(cmp.kinds, (std::vector<int>{kw_if, kIdentifier, kEqEq, kIdentifier, kNotEq,
                                         kIdentifier, kLessEq, kIdentifier, kGreaterEq, kIdentifier,
                                         '<', kIdentifier, '>', kIdentifier}));

  // blanks before '[' and inside brackets are dropped; operators still end
  Lexed sub = Lex("name [ 1 ] = list[ k ]x");
  EXPECT_EQ(sub.texts, (std::vector<std::string>{"name[1]", "=", "list[k]x"}));
  EXPECT_EQ(Lex("m[i+1]").texts, (std::vector<std::string>{"m[i", "+", "1", "]"}));

  // a label needs more than the colon; ',' is part of a name
  EXPECT_EQ(Lex(":end").kinds, std::vector<int>{kLabel});
  EXPECT_EQ(Lex(":").kinds, std::vector<int>{kIdentifier});
  EXPECT_EQ(Lex("a,b").texts, std::vector<std::string>{"a,b"});

  // "/* note */" on a line of its own is not a comment
  Lexed note = Lex("/* note */");
  EXPECT_EQ(note.kinds, (std::vector<int>{'/', '*', kIdentifier, kBlockComment}));
}

TEST(Lexer, Literals) {
  EXPECT_EQ(Lex("'it''s'").texts, std::vector<std::string>{"it's"});
  EXPECT_EQ(Lex(R"('c:\\new')").texts, std::vector<std::string>{"c:\\new"});
  EXPECT_EQ(Lex(R"('\a\b\f\n\r\t\v')").texts, std::vector<std::string>{"\a\b\f\n\r\t\v"});
  // an unknown escape keeps its backslash and the next character is read normally
  EXPECT_EQ(Lex(R"('c:\x')").texts, std::vector<std::string>{"c:\\x"});
  EXPECT_EQ(Lex(R"('a\' b)").texts, (std::vector<std::string>{"a\\", "b"}));
  EXPECT_EQ(Lex(R"('a\'' b)").texts, std::vector<std::string>{});  // \ then '' : never closed
  // an unclosed literal drops itself and everything after it
  Lexed open = Lex("x = 'abc y z");
  EXPECT_EQ(open.texts, (std::vector<std::string>{"x", "="}));
  // "//" ends the statement outside a literal only
  EXPECT_EQ(Lex("x = 'a//b' // note").texts, (std::vector<std::string>{"x", "=", "a//b"}));
  // a text is cut to its 1024-byte slot, never inside a character
  std::string longText = "'" + std::string(1022, 'a') + "\xC3\xA4" + "'";
  EXPECT_EQ(Lex(longText).texts[0], std::string(1022, 'a'));
}

TEST(Lexer, FortyTokensFitFortyOneDoNot) {
  std::string forty, fortyOne;
  for (int i = 0; i < 40; ++i) forty += "a ";
  fortyOne = forty + "b";
  Lexed ok = Lex(forty);
  EXPECT_TRUE(ok.ok);
  EXPECT_EQ(ok.kinds.size(), 40u);
  EXPECT_FALSE(Lex(fortyOne).ok);
}

TEST(Lexer, BlockCommentLines) {
  bool block = false;
  TokenBuffer buf;
  ASSERT_TRUE(Tokenize("/*", buf, block));
  EXPECT_TRUE(block);
  EXPECT_EQ(buf.kinds[0], kBlockComment);
  ASSERT_TRUE(Tokenize("copyfile 'a' 'b'", buf, block));
  EXPECT_EQ(buf.kinds[0], kBlockComment);
  EXPECT_EQ(buf.kinds[1], kEol);
  // literals are read before the flag is looked at; the reader drops the line
  ASSERT_TRUE(Tokenize("'a' x", buf, block));
  EXPECT_EQ(buf.kinds[0], kLiteral);
  EXPECT_EQ(buf.kinds[1], kBlockComment);
  ASSERT_TRUE(Tokenize("*/", buf, block));
  EXPECT_FALSE(block);
  ASSERT_TRUE(Tokenize("/* */", buf, block));
  EXPECT_FALSE(block);
}

TEST(Lexer, QuoteLiteralRoundTrips) {
  for (std::string text :
       {std::string("it's"), std::string("c:\\new"), std::string("\a\b\f\n\r\t\v"),
        std::string("''\\\\'"), std::string("50%")}) {
    bool block = false;
    TokenBuffer buf;
    ASSERT_TRUE(Tokenize(QuoteLiteral(text), buf, block));
    ASSERT_EQ(buf.count, 1);
    EXPECT_EQ(buf.texts[0], text);
  }
}
