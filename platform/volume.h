#pragma once
// Drives as volumes: the size and free space of the file system a drive's
// directory lies on, and that file system's label where the system knows
// one.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct DiskSpace {
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;  // what an unprivileged caller may still use
};

// statvfs of the host directory; nullopt when it cannot be asked.
std::optional<DiskSpace> DiskSpaceOf(const std::string& hostPath);

// The label of the file system that holds hostPath: the entry of
// byLabelDir (normally /dev/disk/by-label) that leads to the mounted
// device, found through mountInfo (normally /proc/self/mountinfo). nullopt
// when there is none, as for most virtual file systems.
std::optional<std::string> VolumeLabelOf(const std::string& hostPath,
                                         const std::string& mountInfo = "/proc/self/mountinfo",
                                         const std::string& byLabelDir = "/dev/disk/by-label");

}  // namespace platform
