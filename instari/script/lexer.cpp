#include "instari/script/lexer.h"

#include <array>
#include <cstring>
#include <vector>

#include "platform/utf8.h"

namespace instari::script {

namespace {

#define INSTARI_KW_NAME(name) #name,
const char* const kKeywordNames[] = {INSTARI_KEYWORDS(INSTARI_KW_NAME)};
#undef INSTARI_KW_NAME
static_assert(sizeof kKeywordNames / sizeof kKeywordNames[0] == 105);

inline char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool IsOperator(char c) { return c != 0 && strchr("!%&()*+-/;<=>^|", c) != nullptr; }

// Keyword indices by first letter, in the order of the list, so that only
// the few candidates for a letter are compared.
const std::array<std::vector<int>, 26>& KeywordsByLetter() {
  static const std::array<std::vector<int>, 26> table = [] {
    std::array<std::vector<int>, 26> t;
    for (int i = 0; i < kKeywordCount; ++i) t[kKeywordNames[i][0] - 'a'].push_back(i);
    return t;
  }();
  return table;
}

bool StartsWithIgnoringCase(std::string_view text, size_t at, const char* word) {
  size_t n = strlen(word);
  if (text.size() - at < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(text[at + i]) != word[i]) return false;
  return true;
}

std::string Slot(std::string s) {
  if (s.size() >= kTokenSize) s = std::string(platform::Utf8Prefix(s, kTokenSize - 1));
  return s;
}

}  // namespace

const char* KeywordName(int kind) {
  return IsKeyword(kind) ? kKeywordNames[kind - kFirstKeyword] : "";
}

std::optional<Token> NextToken(std::string_view text, size_t& cursor, bool& blockComment) {
  size_t n = text.size();
  while (cursor < n && text[cursor] == ' ') ++cursor;
  // a line ends at its newline; the reader cuts there, others may not
  if (cursor >= n || text[cursor] == '\n') {
    cursor = n;
    return std::nullopt;
  }
  char c = text[cursor];

  if (c == '\'') {
    std::string value;
    size_t i = cursor + 1;
    while (i < n) {
      char d = text[i];
      if (d == '\'') {
        if (i + 1 < n && text[i + 1] == '\'') {
          value += '\'';
          i += 2;
          continue;
        }
        cursor = i + 1;
        return Token{kLiteral, Slot(std::move(value))};
      }
      if (d == '\\' && i + 1 < n) {
        char e = text[i + 1];
        const char* escapes = "\\abfnrtv";
        const char* codes = "\\\a\b\f\n\r\t\v";
        if (const char* p = strchr(escapes, e); p && e != 0) {
          value += codes[p - escapes];
          i += 2;
          continue;
        }
      }
      value += d;
      ++i;
    }
    cursor = n;  // not closed: dropped with the rest of the statement
    return std::nullopt;
  }

  bool digit = c >= '0' && c <= '9';
  if (digit || (c == '-' && cursor + 1 < n && text[cursor + 1] >= '0' && text[cursor + 1] <= '9')) {
    size_t i = cursor + 1;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i;
    Token t{kLiteral, Slot(std::string(text.substr(cursor, i - cursor)))};
    cursor = i;
    return t;
  }

  if (c == '/' && cursor + 1 < n && text[cursor + 1] == '/') {
    cursor = n;
    return Token{kEol, "//"};
  }

  std::string_view rest = text.substr(cursor);
  if (rest == "/*") {
    blockComment = true;
    cursor = n;
    return Token{kBlockComment, "/*"};
  }
  if (rest == "*/") {
    blockComment = false;
    cursor = n;
    return Token{kBlockComment, "*/"};
  }
  if (blockComment) {
    cursor = n;
    return Token{kBlockComment, std::string(platform::Utf8Prefix(rest, kTokenSize - 1))};
  }

  static const struct {
    const char* text;
    int kind;
  } kComparisons[] = {{"==", kEqEq}, {"!=", kNotEq}, {"<=", kLessEq}, {">=", kGreaterEq}};
  for (const auto& op : kComparisons) {
    if (StartsWithIgnoringCase(text, cursor, op.text)) {
      cursor += 2;
      return Token{op.kind, op.text};
    }
  }
  char first = Lower(c);
  if (first >= 'a' && first <= 'z') {
    for (int k : KeywordsByLetter()[first - 'a']) {
      if (StartsWithIgnoringCase(text, cursor, kKeywordNames[k])) {
        size_t len = strlen(kKeywordNames[k]);
        Token t{kFirstKeyword + k, std::string(text.substr(cursor, len))};
        cursor += len;
        return t;
      }
    }
  }

  if (IsOperator(c)) {
    ++cursor;
    return Token{static_cast<unsigned char>(c), std::string(1, c)};
  }

  std::string name;
  bool inBrackets = false;
  size_t i = cursor;
  while (i < n) {
    char d = text[i];
    if (d == '\n' || IsOperator(d)) break;
    if (d == ' ') {
      if (inBrackets) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < n && text[j] == ' ') ++j;
      if (j < n && text[j] == '[') {
        i = j;
        continue;
      }
      break;
    }
    if (d == '[') inBrackets = true;
    if (d == ']') inBrackets = false;
    name += d;
    ++i;
  }
  cursor = i;
  int kind = name.size() > 1 && name[0] == ':' ? kLabel : kIdentifier;
  return Token{kind, Slot(std::move(name))};
}

bool Tokenize(std::string_view text, TokenBuffer& buf, bool& blockComment) {
  buf.count = 0;
  buf.kinds[0] = kEol;
  buf.texts[0].clear();
  size_t cursor = 0;
  while (std::optional<Token> t = NextToken(text, cursor, blockComment)) {
    if (t->kind == kEol) {
      buf.texts[buf.count] = std::move(t->text);
      break;
    }
    if (buf.count == kMaxTokens) return false;
    buf.kinds[buf.count] = t->kind;
    buf.texts[buf.count] = std::move(t->text);
    buf.grouped[buf.count] = false;
    ++buf.count;
    buf.kinds[buf.count] = kEol;
  }
  if (buf.count < kMaxTokens + 1 && buf.kinds[buf.count] == kEol && buf.texts[buf.count] != "//")
    buf.texts[buf.count].clear();
  return true;
}

std::string QuoteLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    switch (c) {
      case '\'':
        out += "''";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\a':
        out += "\\a";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\v':
        out += "\\v";
        break;
      default:
        out += c;
    }
  }
  out += '\'';
  return out;
}

}  // namespace instari::script
