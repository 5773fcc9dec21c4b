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
#include "tests/platform/wildcard_reference.h"

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
  if (pattern.size() <= 256 && name.size() <= 256 &&
      got != pxtest::ReferenceWildcardMatch(pattern, name))
    abort();
  // the same text as both pattern and name always matches itself when it
  // holds no '?' or '*' at all
  if (!platform::HasWildcards(pattern) && !platform::MatchesDosWildcard(pattern, pattern)) abort();
  return 0;
}
