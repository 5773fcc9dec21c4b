// DDE command texts: any bytes parse or are refused without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/progman.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  auto commands = platform::ParseDdeCommands(text);
  if (commands) {
    for (const auto& c : *commands)
      if (c.name.empty()) abort();
  }
  return 0;
}
