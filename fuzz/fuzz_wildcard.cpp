// DOS wildcard matcher: any pattern and name, however many stars, match in
// bounded time without reading outside either, and agree with a plain table
// of the same rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/findfile.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool Reference(const std::string& p, const std::string& n) {
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
        r = more && Lower(p[j]) == Lower(n[i]) && m[i + 1][j + 1];
      m[i][j] = r;
    }
  }
  return m[0][0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // pattern and name are split at the first zero byte, else in the middle
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t cut = all.find('\0');
  std::string pattern, name;
  if (cut == all.npos) {
    pattern = std::string(all.substr(0, size / 2));
    name = std::string(all.substr(size / 2));
  } else {
    pattern = std::string(all.substr(0, cut));
    name = std::string(all.substr(cut + 1));
  }
  const bool got = platform::MatchesDosWildcard(pattern, name);
  if (pattern.size() <= 256 && name.size() <= 256 && got != Reference(pattern, name)) abort();
  // the same text as both pattern and name always matches itself when it
  // holds no '?' or '*' at all
  if (!platform::HasWildcards(pattern) && !platform::MatchesDosWildcard(pattern, pattern)) abort();
  return 0;
}
