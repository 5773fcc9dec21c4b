#include <locale.h>
#include <wctype.h>

#include <cctype>
#include "platform/utf8.h"

namespace platform {

std::string_view Utf8Prefix(std::string_view s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  size_t end = maxBytes;
  // step back over continuation bytes to the lead byte of the cut character
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

namespace {

// Decodes one character; 0 bytes when it is no valid UTF-8.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t* c) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  size_t n = b < 0x80             ? 1
             : (b & 0xE0) == 0xC0 ? 2
             : (b & 0xF0) == 0xE0 ? 3
             : (b & 0xF8) == 0xF0 ? 4
                                  : 0;
  if (n == 0 || i + n > s.size() || (n == 2 && b < 0xC2)) return 0;
  char32_t v = n == 1 ? b : b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    v = v << 6 | (t & 0x3F);
  }
  *c = v;
  return n;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf8ChangeCase(std::string_view s, bool upper) {
  // the case tables of Unicode, whatever locale the program runs in
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t c = 0;
    size_t n = DecodeUtf8(s, i, &c);
    if (n == 0) {
      out += s[i++];
      continue;
    }
    wint_t w = static_cast<wint_t>(c);
    if (utf8) {
      w = upper ? towupper_l(w, utf8) : towlower_l(w, utf8);
    } else if (c < 0x80) {
      w = upper ? toupper(static_cast<int>(c)) : tolower(static_cast<int>(c));
    }
    AppendUtf8(out, static_cast<uint32_t>(w));
    i += n;
  }
  return out;
}

}  // namespace platform
