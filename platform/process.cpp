#include "platform/process.h"

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstring>

namespace platform {

namespace {

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return u;
}

}  // namespace

std::vector<std::string> ProcessExecutables() {
  std::vector<std::string> result;
  DIR* d = opendir("/proc");
  if (!d) return result;
  while (dirent* e = readdir(d)) {
    const char* name = e->d_name;
    if (!*name || strspn(name, "0123456789") != strlen(name)) continue;
    std::string link = std::string("/proc/") + name + "/exe";
    char target[PATH_MAX];
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    std::string exe(target, static_cast<size_t>(n));
    // a program replaced on disk since it started still counts as itself
    static constexpr std::string_view kDeleted = " (deleted)";
    if (exe.size() > kDeleted.size() && exe.ends_with(kDeleted))
      exe.resize(exe.size() - kDeleted.size());
    result.push_back(std::move(exe));
  }
  closedir(d);
  return result;
}

bool IsProgramRunning(std::string_view path) {
  if (path.empty()) return false;
  std::string wanted = Upper(path);
  for (const std::string& exe : ProcessExecutables())
    if (Upper(exe) == wanted) return true;
  return false;
}

}  // namespace platform
