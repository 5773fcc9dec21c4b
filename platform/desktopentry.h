#pragma once
// Values of freedesktop desktop entries (.desktop files): the escapes of a
// string value, and one argument of an Exec line.

#include <string>
#include <string_view>

namespace platform {

// A string value with backslash, newline, tab and carriage return escaped.
std::string DesktopEntryValue(std::string_view s);

// One argument of an Exec key, quoted where the rules ask and with "%"
// doubled (no field code); the whole line still goes through
// DesktopEntryValue.
std::string DesktopExecArgument(std::string_view arg);

}  // namespace platform
