#pragma once
// The numeric expression evaluator of the script language.

#include <string_view>

namespace instari::script {

enum EvalCode {
  kEvalOk = 0,
  kEvalSyntax = 1,
  kEvalDivisionByZero = 2,
  kEvalNotSolvable = 3,
  kEvalNotDefined = 4,
  kEvalNoFunction = 5,
  kEvalMath = 6,
};

struct EvalResult {
  double value = 0;
  int code = kEvalOk;
};

// Evaluates text (no blanks; fields were substituted before). Never reports
// by itself: a non-zero code tells what went wrong. Nesting deeper than a
// fixed bound is a syntax error rather than a stack overflow.
EvalResult Evaluate(std::string_view text);

// "Syntax Error", "Division by zero Error", ... for a code.
const char* EvalErrorMessage(int code);

}  // namespace instari::script
