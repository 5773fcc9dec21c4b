#include "platform/desktopentry.h"

namespace platform {

std::string DesktopEntryValue(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string DesktopExecArgument(std::string_view arg) {
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  bool quote = arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos;
  std::string out = quote ? "\"" : "";
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out.push_back('\\');
    if (c == '%') out.push_back('%');  // not a field code
    out.push_back(c);
  }
  if (quote) out.push_back('"');
  return out;
}

}  // namespace platform
