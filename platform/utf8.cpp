#include "platform/utf8.h"

namespace platform {

std::string_view Utf8Prefix(std::string_view s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  size_t end = maxBytes;
  // step back over continuation bytes to the lead byte of the cut character
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

}  // namespace platform
