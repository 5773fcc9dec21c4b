#include "platform/volume.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

// Labels in /dev/disk/by-label escape blanks and slashes as \x20, \x2f.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      unsigned v = 0;
      if (sscanf(s.c_str() + i + 2, "%2x", &v) == 1) {
        out += static_cast<char>(v);
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// The mount source (a device path) of the file system with that device
// number, from a mountinfo text.
std::optional<std::string> MountSource(const std::string& mountInfo, dev_t dev) {
  std::ifstream in(mountInfo);
  std::string line;
  char want[32];
  snprintf(want, sizeof want, "%u:%u", major(dev), minor(dev));
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, devno;
    fields >> id >> parent >> devno;
    if (devno != want) continue;
    size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type, source;
    tail >> type >> source;
    if (!source.empty() && source[0] == '/') return source;
  }
  return std::nullopt;
}

}  // namespace

std::optional<DiskSpace> DiskSpaceOf(const std::string& hostPath) {
  struct statvfs st;
  if (hostPath.empty() || statvfs(hostPath.c_str(), &st) != 0) return std::nullopt;
  DiskSpace d;
  d.totalBytes = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
  d.freeBytes = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
  return d;
}

std::optional<std::string> VolumeLabelOf(const std::string& hostPath, const std::string& mountInfo,
                                         const std::string& byLabelDir) {
  struct stat st;
  if (hostPath.empty() || stat(hostPath.c_str(), &st) != 0) return std::nullopt;
  std::optional<std::string> source = MountSource(mountInfo, st.st_dev);
  if (!source) return std::nullopt;
  char real[PATH_MAX];
  std::string device = realpath(source->c_str(), real) ? real : *source;
  DIR* d = opendir(byLabelDir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> label;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::string link = byLabelDir + "/" + e->d_name;
    if (realpath(link.c_str(), real) && device == real) {
      label = Unescape(e->d_name);
      break;
    }
  }
  closedir(d);
  return label;
}

}  // namespace platform
