#pragma once
// Cutting one statement of an installation script into tokens.

#include <optional>
#include <string>
#include <string_view>

namespace instari::script {

// The keywords in the order they are tried: a longer keyword always comes
// before a shorter one that is its prefix.
#define INSTARI_KEYWORDS(X)                                                                        \
  X(addnetworkconnection)                                                                          \
  X(break)                                                                                         \
  X(cancelnetworkconnection)                                                                       \
  X(cd)                                                                                            \
  X(changefilevalue)                                                                               \
  X(cmpdirdeleterecursive) X(cmpdirdelete) X(continue) X(copydirrecursive) X(copydir) X(           \
      copyfile) X(createbackground) X(createitem) X(deletefile) X(deletedir) X(deleteregistry)     \
      X(dialogloggingoff) X(dialogloggingon) X(dialogout) X(dialog) X(else) X(endif) X(            \
          endwhile) X(eof) X(execgroup) X(exec) X(exit) X(fclose) X(fgets) X(findfileclose)        \
          X(findfirstfile) X(findnextfile) X(fopen) X(fputs) X(fread) X(getdatedayofweek) X(       \
              getdatedayofyear) X(getdateday) X(getdatehour) X(getdateminute) X(getdatemonth)      \
              X(getdatesecond) X(getdateyear) X(getdate) X(getdisksizefree) X(getdisksize) X(      \
                  getdiskname) X(getenvironmentvariable) X(getfiledateday) X(getfiledatehour)      \
                  X(getfiledateminute) X(getfiledatemonth) X(getfiledatesecond) X(getfiledateyear) \
                      X(getfiledate) X(getfilesize) X(getinifile) X(getregistryall) X(getregistry) \
                          X(gettime) X(getversion) X(goto) X(if) X(include) X(lzcopydirrecursive)  \
                              X(lzcopydir) X(lzcopyfile) X(makefields) X(messagebox) X(mid)        \
                                  X(mkdir) X(movefilebystartup) X(movefile) X(pwd) X(rmdir) X(     \
                                      scanfile) X(selectdir) X(selectfile) X(selectprogramgroup)   \
                                      X(sendmail) X(setfiledate) X(setinifile) X(setregistryall)   \
                                          X(setregistry) X(sleep) X(strcat) X(strchr) X(strlen)    \
                                              X(strlower) X(strmakelenleft) X(strmakelen)          \
                                                  X(strrchr) X(strupper) X(strtrimleft)            \
                                                      X(strtrimright) X(testfiledate) X(testfile)  \
                                                          X(translatefile) X(translatestring)      \
                                                              X(translate) X(while)                \
                                                                  X(wizardcreate) X(wizardclose)   \
                                                                      X(wizardpagetext)            \
                                                                          X(wizardpagebrowse)

// Token kinds. One-character operators are their own character code.
enum TokenKind : int {
  kEol = 0,  // end of the statement, also from "//"
  kBlockComment = 1,
  kIdentifier = 2,
  kLabel = 3,
  kLiteral = 4,
  kEqEq = 5,
  kNotEq = 6,
  kLessEq = 7,
  kGreaterEq = 8,
  kFirstKeyword = 200,
};

#define INSTARI_KW_ENUM(name) kw_##name,
enum Keyword : int { kw_first_ = kFirstKeyword - 1, INSTARI_KEYWORDS(INSTARI_KW_ENUM) kw_end_ };
#undef INSTARI_KW_ENUM

constexpr int kKeywordCount = static_cast<int>(kw_end_) - static_cast<int>(kFirstKeyword);
inline bool IsKeyword(int kind) { return kind >= kFirstKeyword && kind < kw_end_; }
// "copyfile" for kw_copyfile; "" for anything else.
const char* KeywordName(int kind);

// Each token text lives in a slot of this many bytes, the terminator included.
constexpr size_t kTokenSize = 1024;
constexpr int kMaxTokens = 40;

struct Token {
  int kind = kEol;
  std::string text;
};

// The lexer: the token at cursor, moving cursor past it; nothing at the end
// of the text or after a literal that is not closed. blockComment is the
// reader's block-comment flag, set by a "/*" line and cleared by "*/".
std::optional<Token> NextToken(std::string_view text, size_t& cursor, bool& blockComment);

// One statement's tokens; kinds end with a kEol entry.
struct TokenBuffer {
  int kinds[kMaxTokens + 1] = {};
  std::string texts[kMaxTokens + 1];
  // set on a literal that a parenthesis group was folded into
  bool grouped[kMaxTokens + 1] = {};
  int count = 0;
};

// Fills buf from text; false when the statement has more than kMaxTokens
// tokens (buf then holds the first kMaxTokens).
bool Tokenize(std::string_view text, TokenBuffer& buf, bool& blockComment);

// A literal's text as it has to be written in a script to mean the same:
// quotes, backslashes and control characters escaped, in single quotes.
std::string QuoteLiteral(std::string_view text);

}  // namespace instari::script
