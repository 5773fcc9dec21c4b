// The string functions of the script language and makefields.

#include <algorithm>

#include "platform/utf8.h"

#include "instari/script/interpreter.h"

namespace instari::script {

namespace {

// Results of the padding and trimming functions fit a 1000-character buffer.
constexpr size_t kWorkLimit = 999;

bool Op(const TokenBuffer& t, int i) { return Interpreter::IsOperand(t.kinds[i]); }
bool Id(const TokenBuffer& t, int i) { return t.kinds[i] == kIdentifier; }

// "F = keyword ..." with exactly n tokens.
bool FunctionShape(const TokenBuffer& t, int n) { return t.count == n && Id(t, 0); }

std::string Cut(std::string s) {
  if (s.size() > kWorkLimit) s = std::string(platform::Utf8Prefix(s, kWorkLimit));
  return s;
}

Outcome Done(Interpreter& in, const std::string& target, const std::string& value) {
  in.SetField(target, value);
  in.SetSuccess();
  return Outcome::kDone;
}

Outcome NotNumeric(Interpreter& in, const std::string& what) {
  in.ReportError("Wert: '" + what + "' ist nicht numerisch.");
  return Outcome::kDone;
}

Outcome StrLen(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 4) || !Op(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  return Done(in, t.texts[0], std::to_string(x->size()));
}

Outcome StrChrEither(Interpreter& in, TokenBuffer& t, bool last) {
  if (!FunctionShape(t, 5) || !Op(t, 3) || t.kinds[4] != kLiteral) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  size_t pos = std::string::npos;
  if (!t.texts[4].empty()) pos = last ? x->rfind(t.texts[4][0]) : x->find(t.texts[4][0]);
  return Done(in, t.texts[0], std::to_string(pos == std::string::npos ? 0 : pos + 1));
}
Outcome StrChr(Interpreter& in, TokenBuffer& t) { return StrChrEither(in, t, false); }
Outcome StrRChr(Interpreter& in, TokenBuffer& t) { return StrChrEither(in, t, true); }

Outcome StrCat(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || !Id(t, 1) || !Op(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  const std::string* f = in.GetField(t.texts[1]);
  if (!f) return in.ReportError("Feld: '" + t.texts[1] + "' ist nicht definiert."), Outcome::kDone;
  std::string value = *f;
  std::optional<std::string> x = in.OperandValue(t, 2);
  if (!x) return Outcome::kDone;
  return Done(in, t.texts[1], value + *x);
}

Outcome CaseChange(Interpreter& in, TokenBuffer& t, bool upper) {
  if (t.count != 2 || !Id(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  const std::string* f = in.GetField(t.texts[1]);
  if (!f) return in.ReportError("Feld: '" + t.texts[1] + "' ist nicht definiert."), Outcome::kDone;
  // by character, as the system's case tables do: not only A-Z
  return Done(in, t.texts[1], platform::Utf8ChangeCase(*f, upper));
}
Outcome StrLower(Interpreter& in, TokenBuffer& t) { return CaseChange(in, t, false); }
Outcome StrUpper(Interpreter& in, TokenBuffer& t) { return CaseChange(in, t, true); }

Outcome Trim(Interpreter& in, TokenBuffer& t, bool left) {
  if (!FunctionShape(t, 4) || !Id(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> g = in.OperandValue(t, 3);
  if (!g) return Outcome::kDone;
  std::string v = *g;
  if (left) {
    v.erase(0, std::min(v.find_first_not_of(' '), v.size()));
  } else {
    size_t last = v.find_last_not_of(' ');
    v.resize(last == std::string::npos ? 0 : last + 1);
    v = Cut(v);
  }
  return Done(in, t.texts[0], v);
}
Outcome StrTrimLeft(Interpreter& in, TokenBuffer& t) { return Trim(in, t, true); }
Outcome StrTrimRight(Interpreter& in, TokenBuffer& t) { return Trim(in, t, false); }

Outcome MakeLen(Interpreter& in, TokenBuffer& t, bool left) {
  if (!FunctionShape(t, 5) || !Id(t, 3) || !Op(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> g = in.OperandValue(t, 3);
  if (!g) return Outcome::kDone;
  std::optional<std::string> n = in.OperandValue(t, 4);
  if (!n) return Outcome::kDone;
  if (!IsNumeric(*n)) return NotNumeric(in, t.texts[4]);
  long long want = LeadingInteger(*n);
  size_t length = want < 0 ? 0 : static_cast<size_t>(std::min<long long>(want, kWorkLimit));
  std::string v = *g;
  if (left) {
    if (v.size() < length) v.insert(0, length - v.size(), ' ');
    v = Cut(v);
  } else if (v.size() > length) {
    v = std::string(platform::Utf8Prefix(v, length));
  } else {
    v.append(length - v.size(), ' ');
  }
  return Done(in, t.texts[0], v);
}
Outcome StrMakeLen(Interpreter& in, TokenBuffer& t) { return MakeLen(in, t, false); }
Outcome StrMakeLenLeft(Interpreter& in, TokenBuffer& t) { return MakeLen(in, t, true); }

Outcome Mid(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 6) || !Op(t, 3) || !Op(t, 4) || !Op(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  std::optional<std::string> start = in.OperandValue(t, 4);
  if (!start) return Outcome::kDone;
  std::optional<std::string> len = in.OperandValue(t, 5);
  if (!len) return Outcome::kDone;
  long long s = LeadingInteger(*start), n = LeadingInteger(*len);
  // a negative position or length would reach outside the text
  if (s <= 0)
    return in.ReportError("Wert: '" + t.texts[4] + "' darf nicht Null sein."), Outcome::kDone;
  if (n <= 0)
    return in.ReportError("Wert: '" + t.texts[5] + "' darf nicht Null sein."), Outcome::kDone;
  std::string r;
  if (static_cast<unsigned long long>(s) <= x->size())
    r = x->substr(static_cast<size_t>(s - 1), static_cast<size_t>(n));
  return Done(in, t.texts[0], r);
}

Outcome Translate(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 6) || !Id(t, 3) || !Op(t, 4) || !Op(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> g = in.OperandValue(t, 3);
  if (!g) return Outcome::kDone;
  std::optional<std::string> from = in.OperandValue(t, 4);
  if (!from) return Outcome::kDone;
  std::optional<std::string> to = in.OperandValue(t, 5);
  if (!to) return Outcome::kDone;
  if (from->size() != to->size())
    return in.ReportError("Translate-Strings m\xC3\xBCssen gleich lang sein."), Outcome::kDone;
  std::string v = *g;
  for (char& c : v) {
    size_t p = from->find(c);
    if (p != std::string::npos) c = (*to)[p];
  }
  return Done(in, t.texts[0], v);
}

Outcome TranslateString(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 6) || !Id(t, 3) || !Op(t, 4) || !Op(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> g = in.OperandValue(t, 3);
  if (!g) return Outcome::kDone;
  std::optional<std::string> search = in.OperandValue(t, 4);
  if (!search) return Outcome::kDone;
  std::optional<std::string> replace = in.OperandValue(t, 5);
  if (!replace) return Outcome::kDone;
  std::string v = *g;
  if (!search->empty()) {
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = v.find(*search, pos)) != std::string::npos; pos = hit + search->size())
      out += v.substr(pos, hit - pos) + *replace;
    out += v.substr(pos);
    v = std::move(out);
  }
  return Done(in, t.texts[0], v);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Outcome MakeFields(Interpreter& in, TokenBuffer& t) {
  if (t.count != 2 || !Op(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  std::string list = *x;
  std::replace(list.begin(), list.end(), '+', ' ');
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t amp = list.find('&', pos);
    std::string part = list.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
    size_t eq = part.find('=');
    if (eq != std::string::npos && eq > 0) {
      std::string value;
      for (size_t i = eq + 1; i < part.size(); ++i) {
        int hi = -1, lo = -1;
        if (part[i] == '%' && i + 2 < part.size()) {
          hi = HexDigit(part[i + 1]);
          lo = HexDigit(part[i + 2]);
        }
        if (hi >= 0 && lo >= 0) {
          value += static_cast<char>(hi * 16 + lo);
          i += 2;
        } else {
          value += part[i];
        }
      }
      in.SetField(part.substr(0, eq), value);
    }
    if (amp == std::string::npos) break;
    pos = amp + 1;
  }
  in.SetSuccess();
  return Outcome::kDone;
}

}  // namespace

void AddStringCommands(CommandTable& table) {
  table.AddFunction(kw_strlen, StrLen);
  table.AddFunction(kw_strchr, StrChr);
  table.AddFunction(kw_strrchr, StrRChr);
  table.AddFunction(kw_strtrimleft, StrTrimLeft);
  table.AddFunction(kw_strtrimright, StrTrimRight);
  table.AddFunction(kw_strmakelen, StrMakeLen);
  table.AddFunction(kw_strmakelenleft, StrMakeLenLeft);
  table.AddFunction(kw_mid, Mid);
  table.AddFunction(kw_translate, Translate);
  table.AddFunction(kw_translatestring, TranslateString);
  table.AddStatement(kw_strcat, StrCat);
  table.AddStatement(kw_strlower, StrLower);
  table.AddStatement(kw_strupper, StrUpper);
  table.AddStatement(kw_makefields, MakeFields);
}

}  // namespace instari::script
