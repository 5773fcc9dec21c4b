#pragma once
// The DOS wildcard rules written out as a table over (name position,
// pattern position), independent of the two-pointer matcher under test;
// shared by the find-file tests and the wildcard fuzz target.

#include <string>
#include <vector>

namespace pxtest {

inline bool ReferenceWildcardMatch(const std::string& p, const std::string& n) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  const bool nameHasDot = n.find('.') != std::string::npos;
  std::vector<std::vector<char>> m(n.size() + 1, std::vector<char>(p.size() + 1, 0));
  m[n.size()][p.size()] = 1;
  for (size_t i = n.size() + 1; i-- > 0;) {
    for (size_t j = p.size(); j-- > 0;) {
      const bool more = i < n.size();
      bool r;
      if (p[j] == '*')
        r = m[i][j + 1] || (more && m[i + 1][j]);
      else if (p[j] == '?')
        r = more && m[i + 1][j + 1];
      else if (p[j] == '.')
        r = (more && n[i] == '.' && m[i + 1][j + 1]) || (!more && !nameHasDot && m[i][j + 1]);
      else
        r = more && lower(p[j]) == lower(n[i]) && m[i + 1][j + 1];
      m[i][j] = r;
    }
  }
  return m[0][0];
}

}  // namespace pxtest
