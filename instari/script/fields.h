#pragma once
// Script fields: (name, text) pairs with exact, case-sensitive names, and
// the rules for reading their texts as numbers.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace instari::script {

class FieldStore {
 public:
  // The field's value, nullptr when there is none. Valid until the next Set.
  const std::string* Find(std::string_view name) const;
  std::string* Find(std::string_view name);
  void Set(std::string_view name, std::string_view value);
  void Clear() { fields_.clear(); }
  size_t Size() const { return fields_.size(); }
  const std::vector<std::pair<std::string, std::string>>& All() const { return fields_; }

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

// Optional leading blanks, an optional '-', then decimal digits only (an
// empty rest is 0).
bool IsNumeric(std::string_view value);
// The number of a numeric value.
double NumericValue(std::string_view value);
// The leading decimal integer as atoi reads it: blanks, a sign, digits;
// 0 when there is none. Saturates instead of overflowing.
long long LeadingInteger(std::string_view value);
// A number as stored in a field: no decimals ("%.0f"), never "-0".
std::string FormatWhole(double value);

// Saturating conversions for the integer operators.
long long ToInt64(double value);
int32_t ToInt32(double value);

}  // namespace instari::script
