#include "instari/script/evaluate.h"

#include <charconv>
#include <cmath>
#include <string>

#include "instari/script/fields.h"

namespace instari::script {

namespace {

constexpr int kMaxDepth = 200;

enum OpId { kPow, kMul, kDiv, kMod, kAdd, kSub, kLess, kGreater, kEq, kNe, kLe, kGe, kAnd, kOr };

struct Op {
  OpId id = kAdd;
  int priority = 0;
  size_t length = 0;
};

bool ReadOperator(std::string_view t, size_t i, Op& op) {
  if (i >= t.size()) return false;
  if (i + 1 < t.size()) {
    std::string_view two = t.substr(i, 2);
    static const struct {
      const char* text;
      OpId id;
      int priority;
    } kTwo[] = {{"&&", kAnd, 11}, {"||", kOr, 12}, {"==", kEq, 7},
                {"!=", kNe, 7},   {"<=", kLe, 7},  {">=", kGe, 7}};
    for (const auto& o : kTwo) {
      if (two == o.text) {
        op = {o.id, o.priority, 2};
        return true;
      }
    }
  }
  switch (t[i]) {
    case '^':
      op = {kPow, 2, 1};
      return true;
    case '*':
      op = {kMul, 3, 1};
      return true;
    case '/':
      op = {kDiv, 3, 1};
      return true;
    case '%':
      op = {kMod, 3, 1};
      return true;
    case '+':
      op = {kAdd, 4, 1};
      return true;
    case '-':
      op = {kSub, 4, 1};
      return true;
    case '<':
      op = {kLess, 6, 1};
      return true;
    case '>':
      op = {kGreater, 6, 1};
      return true;
    case '=':
      op = {kEq, 7, 1};
      return true;
  }
  return false;
}

// Index of the ')' that closes the '(' at i; npos when it is missing.
size_t MatchingParen(std::string_view t, size_t i) {
  int depth = 0;
  for (size_t j = i; j < t.size(); ++j) {
    if (t[j] == '(') ++depth;
    if (t[j] == ')' && --depth == 0) return j;
  }
  return std::string_view::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int Expression(std::string_view t, double& out, int depth);

int Function(std::string_view name, double x, double& out) {
  if (name == "sin") {
    out = std::sin(x);
  } else if (name == "cos") {
    out = std::cos(x);
  } else if (name == "tan") {
    out = std::tan(x);
  } else if (name == "asin" || name == "acos") {
    if (x < -1 || x > 1) return kEvalMath;
    out = name == "asin" ? std::asin(x) : std::acos(x);
  } else if (name == "atan") {
    out = std::atan(x);
  } else if (name == "exp") {
    out = std::exp(x);
  } else if (name == "lg" || name == "ln") {
    if (x <= 0) return kEvalMath;
    out = name == "lg" ? std::log10(x) : std::log(x);
  } else if (name == "sqrt") {
    if (x < 0) return kEvalNotSolvable;
    out = std::sqrt(x);
  } else if (name == "round") {
    out = std::floor(x + 0.5);
  } else if (name == "apx") {
    double n = std::floor(x + 0.5);
    out = (x - 1e-8 < n && n < x + 1e-8) ? n : x;
  } else {
    return kEvalNoFunction;
  }
  return kEvalOk;
}

int Operand(std::string_view t, size_t& pos, double& out, int depth) {
  if (depth > kMaxDepth || pos >= t.size()) return kEvalSyntax;
  char c = t[pos];
  if (c == '(') {
    size_t close = MatchingParen(t, pos);
    if (close == std::string_view::npos) return kEvalSyntax;
    int code = Expression(t.substr(pos + 1, close - pos - 1), out, depth + 1);
    pos = close + 1;
    return code;
  }
  if (c == '!') {
    ++pos;
    double v = 0;
    int code = Operand(t, pos, v, depth + 1);
    out = v == 0 ? 1 : 0;
    return code;
  }
  if (IsDigit(c)) {
    size_t end = pos;
    int points = 0;
    while (end < t.size() && (IsDigit(t[end]) || t[end] == '.')) points += t[end++] == '.';
    if (points > 1) return kEvalSyntax;
    std::string number(t.substr(pos, end - pos));
    if (number.back() == '.') number.pop_back();
    // a number past the double range is an overflow like any other
    if (std::from_chars(number.data(), number.data() + number.size(), out).ec != std::errc())
      return kEvalMath;
    pos = end;
    return kEvalOk;
  }
  if (IsLetter(c)) {
    size_t end = pos;
    while (end < t.size() && (IsLetter(t[end]) || IsDigit(t[end]))) ++end;
    std::string_view name = t.substr(pos, end - pos);
    if (end >= t.size() || t[end] != '(') return kEvalNotDefined;
    size_t close = MatchingParen(t, end);
    if (close == std::string_view::npos) return kEvalSyntax;
    double probe = 0;
    if (Function(name, 0.5, probe) == kEvalNoFunction) return kEvalNoFunction;
    double arg = 0;
    int code = Expression(t.substr(end + 1, close - end - 1), arg, depth + 1);
    if (code != kEvalOk) return code;
    pos = close + 1;
    code = Function(name, arg, out);
    if (code == kEvalOk && !std::isfinite(out)) return kEvalMath;
    return code;
  }
  return kEvalSyntax;
}

int Combine(double& value, const Op& op, double rhs) {
  switch (op.id) {
    case kPow:
      if (value < 0 && rhs != std::floor(rhs)) return kEvalNotSolvable;
      if (value == 0 && rhs < 0) return kEvalDivisionByZero;
      value = std::pow(value, rhs);
      break;
    case kMul:
      value *= rhs;
      break;
    case kDiv:
      if (rhs == 0) return kEvalDivisionByZero;
      value /= rhs;
      break;
    case kMod: {
      long long a = ToInt64(value), b = ToInt64(rhs);
      if (b == 0) return kEvalDivisionByZero;
      value = b == -1 ? 0 : static_cast<double>(a % b);
      break;
    }
    case kAdd:
      value += rhs;
      break;
    case kSub:
      value -= rhs;
      break;
    case kLess:
      value = value < rhs;
      break;
    case kGreater:
      value = value > rhs;
      break;
    case kEq:
      value = value == rhs;
      break;
    case kNe:
      value = value != rhs;
      break;
    case kLe:
      value = value <= rhs;
      break;
    case kGe:
      value = value >= rhs;
      break;
    case kAnd:
      value = value != 0 && rhs != 0;
      break;
    case kOr:
      value = value != 0 || rhs != 0;
      break;
  }
  return std::isfinite(value) ? kEvalOk : kEvalMath;
}

int Expression(std::string_view t, double& out, int depth) {
  if (depth > kMaxDepth || t.empty()) return kEvalSyntax;
  size_t n = t.size();
  size_t pos = 0;
  double value = 0;
  Op pending;
  if (t[0] == '+' || t[0] == '-') {
    ReadOperator(t, 0, pending);
    pos = 1;
  } else {
    int code = Operand(t, pos, value, depth);
    if (code != kEvalOk) return code;
    if (pos == n) {
      out = value;
      return kEvalOk;
    }
    if (!ReadOperator(t, pos, pending)) return kEvalSyntax;
    pos += pending.length;
  }
  for (;;) {
    // the right operand runs over every operator that binds tighter
    size_t end = pos;
    while (end < n) {
      if (t[end] == '(') {
        size_t close = MatchingParen(t, end);
        if (close == std::string_view::npos) return kEvalSyntax;
        end = close + 1;
        continue;
      }
      Op next;
      if (ReadOperator(t, end, next)) {
        if (next.priority >= pending.priority) break;
        end += next.length;
        continue;
      }
      ++end;
    }
    if (end == pos) return kEvalSyntax;
    double rhs = 0;
    int code = Expression(t.substr(pos, end - pos), rhs, depth + 1);
    if (code != kEvalOk) return code;
    code = Combine(value, pending, rhs);
    if (code != kEvalOk) return code;
    if (end == n) {
      out = value;
      return kEvalOk;
    }
    ReadOperator(t, end, pending);
    pos = end + pending.length;
  }
}

}  // namespace

EvalResult Evaluate(std::string_view text) {
  EvalResult r;
  r.code = Expression(text, r.value, 0);
  if (r.code != kEvalOk) r.value = 0;
  return r;
}

const char* EvalErrorMessage(int code) {
  switch (code) {
    case kEvalSyntax:
      return "Syntax Error";
    case kEvalDivisionByZero:
      return "Division by zero Error";
    case kEvalNotSolvable:
      return "Not solvable in |R Error";
    case kEvalNotDefined:
      return "Field/Constant not defined";
    case kEvalNoFunction:
      return "Function not defined";
    case kEvalMath:
      return "Mathematical error";
  }
  return "Unknown error";
}

}  // namespace instari::script
