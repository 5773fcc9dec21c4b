#include "prentix/app/winversion.h"

#include <stdlib.h>
#include <sys/utsname.h>

#include <charconv>
#include <string>

namespace prentix {

namespace {

// Leading decimal digits of text (at least one), advancing text past them.
std::optional<int> TakeNumber(std::string_view& text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data() || text.front() == '-') return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text) {
  WindowsVersion v;
  std::optional<int> major = TakeNumber(text);
  if (!major || text.empty() || text.front() != '.') return std::nullopt;
  text.remove_prefix(1);
  std::optional<int> minor = TakeNumber(text);
  if (!minor) return std::nullopt;
  v.major = *major;
  v.minor = *minor;
  if (text.empty()) {
    v.nt = v.major >= 4;
  } else if (EqualsIgnoringCase(text, "-nt")) {
    v.nt = true;
  } else if (EqualsIgnoringCase(text, "-95")) {
    v.win95 = true;
  } else {
    return std::nullopt;
  }
  return v;
}

WindowsVersion CurrentWindowsVersion() {
  if (const char* env = getenv("TERVOLA_WINVER"); env && *env)
    if (std::optional<WindowsVersion> v = ParseWindowsVersion(env)) return *v;
  WindowsVersion v;
  v.nt = true;
  utsname u{};
  if (uname(&u) == 0) {
    std::string_view release = u.release;
    if (std::optional<int> major = TakeNumber(release)) {
      v.major = *major;
      if (!release.empty() && release.front() == '.') {
        release.remove_prefix(1);
        v.minor = TakeNumber(release).value_or(0);
      }
    }
  }
  return v;
}

}  // namespace prentix
