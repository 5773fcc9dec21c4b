#pragma once
// Starting with the desktop: an entry in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart, ~/.config/autostart), which every desktop
// that follows the freedesktop rules reads at login.

#include <string>

namespace prentix {

std::string AutostartPath();
bool AutostartEnabled();
// The entry that starts the program at programPath.
std::string AutostartEntry(const std::string& programPath);
// Writes the entry or removes it; false when that failed.
bool SetAutostart(bool on, const std::string& programPath);

}  // namespace prentix
