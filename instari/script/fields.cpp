#include "instari/script/fields.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace instari::script {

const std::string* FieldStore::Find(std::string_view name) const {
  for (const auto& f : fields_)
    if (f.first == name) return &f.second;
  return nullptr;
}

std::string* FieldStore::Find(std::string_view name) {
  for (auto& f : fields_)
    if (f.first == name) return &f.second;
  return nullptr;
}

void FieldStore::Set(std::string_view name, std::string_view value) {
  if (std::string* v = Find(name)) {
    v->assign(value);
    return;
  }
  fields_.emplace_back(std::string(name), std::string(value));
}

bool IsNumeric(std::string_view v) {
  size_t i = 0;
  while (i < v.size() && v[i] == ' ') ++i;
  if (i < v.size() && v[i] == '-') ++i;
  for (; i < v.size(); ++i)
    if (v[i] < '0' || v[i] > '9') return false;
  return true;
}

double NumericValue(std::string_view v) {
  size_t i = 0;
  while (i < v.size() && v[i] == ' ') ++i;
  bool negative = i < v.size() && v[i] == '-';
  if (negative) ++i;
  double d = 0;
  // past the double range the text means infinity, as the C library reads
  // it, not 0; the arithmetic on it then reports the overflow
  if (i < v.size() &&
      std::from_chars(v.data() + i, v.data() + v.size(), d).ec == std::errc::result_out_of_range)
    d = HUGE_VAL;
  return negative ? -d : d;
}

long long LeadingInteger(std::string_view v) {
  size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
  long long r = 0;
  const long long limit = std::numeric_limits<long long>::max() / 10;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    if (r > limit) {
      r = std::numeric_limits<long long>::max();
      continue;
    }
    r = r * 10 + (v[i] - '0');
  }
  return negative ? -r : r;
}

std::string FormatWhole(double value) {
  char buffer[400];
  // halves away from zero (5/2 is "3"), as the C library of the original
  // platform formats them, not to even
  snprintf(buffer, sizeof buffer, "%.0f", std::isfinite(value) ? std::round(value) : value);
  if (buffer[0] == '-' && buffer[1] == '0' && buffer[2] == 0) return "0";
  return buffer;
}

long long ToInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<long long>::max();
  if (value <= -9.2e18) return std::numeric_limits<long long>::min();
  return static_cast<long long>(value);
}

int32_t ToInt32(double value) {
  // wraps like the 32-bit conversion it stands for, without undefined behaviour
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ToInt64(value))));
}

}  // namespace instari::script
