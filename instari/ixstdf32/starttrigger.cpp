#include "instari/ixstdf32/starttrigger.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/desktopentry.h"
#include "platform/fileio.h"
#include "platform/paths.h"

namespace ixstdf {

namespace {

// Root without WINDIR works on the machine's Windows directory, which the
// boot unit (running as root, no WINDIR) finds again. TERVOLA_SYSROOT puts
// the machine's files under a staging or test root.
bool ForMachine() { return geteuid() == 0 && !getenv("WINDIR"); }

std::string SysRoot() {
  const char* r = getenv("TERVOLA_SYSROOT");
  return r && *r == '/' ? std::string(r) : std::string();
}

// A stable short name for a Windows directory, so two of them queueing at
// once each keep their own entry.
std::string DirectoryTag(const std::string& dir) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : dir) h = (h ^ c) * 1099511628211ull;
  char tag[24];
  snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(h));
  return tag;
}

// The program that carries the queue out: ourselves when we are instari,
// else instari from PATH (the library may sit in another program).
std::string InstariProgram() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    const char* base = strrchr(exe, '/');
    if (base && strcmp(base + 1, "instari") == 0) return exe;
  }
  return "instari";
}

}  // namespace

std::string StartTriggerPath() {
  if (ForMachine()) return SysRoot() + "/var/lib/instari/apply-pending-renames";
  std::string name = "instari-pending-renames";
  if (getenv("WINDIR")) name += "-" + DirectoryTag(platform::WindowsDirectory());
  return platform::ConfigHome() + "/autostart/" + name + ".desktop";
}

bool EnsureStartTrigger() {
  std::string path = StartTriggerPath();
  std::string text;
  if (ForMachine()) {
    text = "# instari --apply-pending-renames runs at the next boot while this file exists\n";
  } else {
    std::string exec;
    if (getenv("WINDIR"))
      exec = "env " + platform::DesktopExecArgument("WINDIR=" + platform::WindowsDirectory()) + " ";
    exec += platform::DesktopExecArgument(InstariProgram()) + " --apply-pending-renames";
    text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Finish an installation\n"
        "Comment=Carries out the file replacements an installation left for the next start\n"
        "Exec=" +
        platform::DesktopEntryValue(exec) +
        "\n"
        "NoDisplay=true\n"
        "Terminal=false\n";
  }
  if (auto old = platform::ReadWholeFile(path); old && *old == text) return true;
  size_t slash = path.rfind('/');
  if (!platform::MakeDirectories(path.substr(0, slash))) return false;
  return platform::ReplaceFile(path, text);
}

void RemoveStartTrigger() { unlink(StartTriggerPath().c_str()); }

}  // namespace ixstdf
