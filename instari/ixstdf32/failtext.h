#pragma once
// Error texts with a file name in them.

#include <cstdarg>
#include <cstdio>
#include <string>

#include "instari/ixstdf32/errorstate.h"
#include "platform/utf8.h"

namespace ixstdf {

// printf-style text cut to what the error text holds, so that a long file
// name shortens the text instead of having it refused.
__attribute__((format(printf, 1, 2))) inline std::string ErrorText(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  return std::string(platform::Utf8Prefix(buffer, kErrorTextSize - 1));
}

// The longest name a path may have, terminating zero included, as MAX_PATH.
inline constexpr size_t kMaxPath = 260;

}  // namespace ixstdf
