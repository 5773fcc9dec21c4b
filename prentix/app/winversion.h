#pragma once
// The Windows version the capture program decides by (the tray icon needs
// major version 4). Linux reports itself as the NT platform with the kernel's
// major.minor; TERVOLA_WINVER overrides that ("3.10", "4.0-95", "4.0-nt") so
// the older paths can be reached on any machine.

#include <optional>
#include <string_view>

namespace prentix {

struct WindowsVersion {
  int major = 0;
  int minor = 0;
  bool nt = false;     // VER_PLATFORM_WIN32_NT
  bool win95 = false;  // VER_PLATFORM_WIN32_WINDOWS
};

// "major.minor" with an optional "-95" or "-nt"; without a suffix 4 and
// above count as NT, below 4 as Windows 3.x. nullopt when malformed.
std::optional<WindowsVersion> ParseWindowsVersion(std::string_view text);

// TERVOLA_WINVER when set and well formed, else NT with uname's release.
WindowsVersion CurrentWindowsVersion();

}  // namespace prentix
