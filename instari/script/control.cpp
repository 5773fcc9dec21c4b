// if/else/endif, while/endwhile/break/continue, goto, and the statement
// display switches.

#include <cstring>

#include "instari/script/interpreter.h"

namespace instari::script {

namespace {

int Count(const Interpreter& in) { return static_cast<int>(in.Program().size()); }

// The statement closing the block opened at from (kinds open/close),
// nested pairs counted; -1 when there is none.
int FindForward(const Interpreter& in, int from, int open, int close) {
  int depth = 0;
  for (int i = from + 1; i < Count(in); ++i) {
    int k = in.Program()[i].firstToken;
    if (k == open) {
      ++depth;
    } else if (k == close) {
      if (depth == 0) return i;
      --depth;
    }
  }
  return -1;
}

bool IsComparison(int kind) {
  return kind == kEqEq || kind == kNotEq || kind == kLessEq || kind == kGreaterEq || kind == '<' ||
         kind == '>';
}

bool Compare(const std::string& a, int op, const std::string& b) {
  int c = 0;
  if (IsNumeric(a) && IsNumeric(b)) {
    double x = NumericValue(a), y = NumericValue(b);
    c = x < y ? -1 : (x > y ? 1 : 0);
  } else {
    c = strcoll(a.c_str(), b.c_str());
  }
  switch (op) {
    case kEqEq:
      return c == 0;
    case kNotEq:
      return c != 0;
    case kLessEq:
      return c <= 0;
    case kGreaterEq:
      return c >= 0;
    case '<':
      return c < 0;
    default:
      return c > 0;
  }
}

Outcome If(Interpreter& in, TokenBuffer& t) {
  int index = in.CurrentIndex();
  Statement& s = in.Program()[index];
  if (s.endIndex < 0) {
    int end = FindForward(in, index, kw_if, kw_endif);
    if (end < 0) return in.ReportError("If ohne EndIf."), Outcome::kDone;
    s.endIndex = end;
    in.Program()[end].startIndex = index;
    int depth = 0;
    for (int i = index + 1; i < end; ++i) {
      int k = in.Program()[i].firstToken;
      if (k == kw_if) ++depth;
      if (k == kw_endif) --depth;
      if (k == kw_else && depth == 0) {
        s.elseIndex = i;
        in.Program()[i].endIndex = end;
        break;
      }
    }
  }
  bool compare = t.count == 4 && Interpreter::IsOperand(t.kinds[1]) && IsComparison(t.kinds[2]) &&
                 Interpreter::IsOperand(t.kinds[3]);
  bool plain = t.count == 2 && Interpreter::IsOperand(t.kinds[1]);
  bool negated = t.count == 3 && t.kinds[1] == '!' && Interpreter::IsOperand(t.kinds[2]);
  if (!compare && !plain && !negated) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;

  bool condition = false;
  if (compare) {
    std::optional<std::string> a = in.OperandValue(t, 1);
    if (!a) return Outcome::kDone;
    std::optional<std::string> b = in.OperandValue(t, 3);
    if (!b) return Outcome::kDone;
    condition = Compare(*a, t.kinds[2], *b);
  } else {
    std::optional<std::string> v = in.OperandValue(t, plain ? 1 : 2);
    if (!v) return Outcome::kDone;
    condition = (LeadingInteger(*v) != 0) == plain;
  }
  if (!condition) in.SetCurrentIndex(s.elseIndex >= 0 ? s.elseIndex : s.endIndex);
  return Outcome::kDone;
}

Outcome Else(Interpreter& in, TokenBuffer&) {
  const Statement& s = in.Program()[in.CurrentIndex()];
  if (s.endIndex < 0) return in.ReportError("Else ohne If."), Outcome::kDone;
  in.SetCurrentIndex(s.endIndex);  // in both passes
  return Outcome::kDone;
}

Outcome EndIf(Interpreter& in, TokenBuffer&) {
  if (in.Program()[in.CurrentIndex()].startIndex < 0) in.ReportError("EndIf ohne If.");
  return Outcome::kDone;
}

Outcome While(Interpreter& in, TokenBuffer& t) {
  int index = in.CurrentIndex();
  Statement& s = in.Program()[index];
  if (s.endIndex < 0) {
    int end = FindForward(in, index, kw_while, kw_endwhile);
    if (end < 0) return in.ReportError("While ohne EndWhile."), Outcome::kDone;
    s.endIndex = end;
    in.Program()[end].startIndex = index;
  }
  if (t.count != 2 || !Interpreter::IsOperand(t.kinds[1])) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> v = in.OperandValue(t, 1);
  if (!v) return Outcome::kDone;
  bool ends = v->empty() || ((*v)[0] >= '0' && (*v)[0] <= '9' && LeadingInteger(*v) < 1);
  if (ends) in.SetCurrentIndex(s.endIndex);
  return Outcome::kDone;
}

Outcome EndWhile(Interpreter& in, TokenBuffer&) {
  const Statement& s = in.Program()[in.CurrentIndex()];
  if (s.startIndex < 0) return in.ReportError("EndWhile ohne While."), Outcome::kDone;
  if (!in.Checking()) in.SetCurrentIndex(s.startIndex - 1);
  return Outcome::kDone;
}

Outcome Break(Interpreter& in, TokenBuffer&) {
  int index = in.CurrentIndex();
  Statement& s = in.Program()[index];
  if (s.endIndex < 0) {
    int end = FindForward(in, index, kw_while, kw_endwhile);
    if (end < 0) return in.ReportError("Break ohne EndWhile."), Outcome::kDone;
    s.endIndex = end;
  }
  if (!in.Checking()) in.SetCurrentIndex(s.endIndex);
  return Outcome::kDone;
}

Outcome Continue(Interpreter& in, TokenBuffer&) {
  int index = in.CurrentIndex();
  Statement& s = in.Program()[index];
  if (s.startIndex < 0) {
    int depth = 0;
    for (int i = index - 1; i >= 0; --i) {
      int k = in.Program()[i].firstToken;
      if (k == kw_endwhile) {
        ++depth;
      } else if (k == kw_while) {
        if (depth == 0) {
          s.startIndex = i;
          break;
        }
        --depth;
      }
    }
    if (s.startIndex < 0) return in.ReportError("Continue ohne While."), Outcome::kDone;
  }
  if (!in.Checking()) in.SetCurrentIndex(s.startIndex - 1);
  return Outcome::kDone;
}

Outcome Goto(Interpreter& in, TokenBuffer& t) {
  if (t.count != 2 || t.kinds[1] != kLabel) return Outcome::kNoMatch;
  const std::string& label = t.texts[1];
  for (int i = 0; i < Count(in); ++i) {
    if (in.Program()[i].text.compare(0, label.size(), label) == 0) {
      if (!in.Checking()) in.SetCurrentIndex(i);
      return Outcome::kDone;
    }
  }
  in.ReportError("Feld: '" + label + "' ist nicht definiert.");
  return Outcome::kDone;
}

Outcome DialogLoggingOn(Interpreter& in, TokenBuffer& t) {
  if (t.count != 1) return Outcome::kNoMatch;
  if (!in.Checking()) {
    in.SetDialogLogging(true);
    in.SetSuccess();
  }
  return Outcome::kDone;
}

Outcome DialogLoggingOff(Interpreter& in, TokenBuffer& t) {
  if (t.count > 2 || (t.count == 2 && !Interpreter::IsOperand(t.kinds[1])))
    return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  if (t.count == 2) {
    std::optional<std::string> v = in.OperandValue(t, 1);
    if (!v) return Outcome::kDone;
    in.Ui().Progress().status = *v;  // shown once
    in.Ui().RefreshStatus();
  }
  in.SetDialogLogging(false);
  in.SetSuccess();
  return Outcome::kDone;
}

}  // namespace

void AddControlCommands(CommandTable& table) {
  table.AddStatement(kw_if, If);
  table.AddStatement(kw_else, Else);
  table.AddStatement(kw_endif, EndIf);
  table.AddStatement(kw_while, While);
  table.AddStatement(kw_endwhile, EndWhile);
  table.AddStatement(kw_break, Break);
  table.AddStatement(kw_continue, Continue);
  table.AddStatement(kw_goto, Goto);
  table.AddStatement(kw_dialogloggingon, DialogLoggingOn);
  table.AddStatement(kw_dialogloggingoff, DialogLoggingOff);
}

}  // namespace instari::script
