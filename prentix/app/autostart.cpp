#include "prentix/app/autostart.h"

#include <unistd.h>

#include <cerrno>

#include "platform/desktopentry.h"
#include "platform/fileio.h"
#include "platform/paths.h"

namespace prentix {

std::string AutostartPath() { return platform::ConfigHome() + "/autostart/prentix.desktop"; }

bool AutostartEnabled() { return access(AutostartPath().c_str(), F_OK) == 0; }

std::string AutostartEntry(const std::string& programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Prentix\n"
         "Comment=Print what is on the screen at the press of a key\n"
         "Exec=" +
         platform::DesktopEntryValue(platform::DesktopExecArgument(programPath)) +
         "\n"
         "Icon=prentix\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool SetAutostart(bool on, const std::string& programPath) {
  const std::string path = AutostartPath();
  if (!on) return unlink(path.c_str()) == 0 || errno == ENOENT;
  if (!platform::MakeDirectories(path.substr(0, path.rfind('/')))) return false;
  return platform::ReplaceFile(path, AutostartEntry(programPath));
}

}  // namespace prentix
