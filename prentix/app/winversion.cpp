#include "prentix/app/winversion.h"

#include "platform/sysinfo.h"

namespace prentix {

namespace {

WindowsVersion FromPlatform(const platform::WindowsVersionInfo& v) {
  WindowsVersion out;
  out.major = static_cast<int>(v.major);
  out.minor = static_cast<int>(v.minor);
  out.nt = v.platform == platform::WinPlatform::NT;
  out.win95 = v.platform == platform::WinPlatform::Windows && v.major >= 4;
  return out;
}

}  // namespace

std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text) {
  auto v = platform::ParseWindowsVersion(text);
  if (!v) return std::nullopt;
  return FromPlatform(*v);
}

WindowsVersion CurrentWindowsVersion() { return FromPlatform(platform::WindowsVersion()); }

}  // namespace prentix
