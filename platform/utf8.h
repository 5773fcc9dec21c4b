#pragma once
// Byte-length cuts of UTF-8 text that never split a character.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The longest prefix of s of at most maxBytes bytes that ends on a
// character boundary.
std::string_view Utf8Prefix(std::string_view s, size_t maxBytes);

// The same for a fixed-size C buffer of the Win32 kind: at most size-1
// bytes, as the terminating zero needs the last one. size 0 gives "".
inline std::string Utf8ForBuffer(std::string_view s, size_t size) {
  return size == 0 ? std::string() : std::string(Utf8Prefix(s, size - 1));
}

// Appends the code point as UTF-8.
void AppendUtf8(std::string& out, uint32_t c);

// Upper or lower case by character, as the Windows calls cased the letters
// of their code page (here UTF-8: ü, é, ñ too). Bytes that are no valid
// UTF-8 stay as they are.
std::string Utf8ChangeCase(std::string_view s, bool upper);

}  // namespace platform
