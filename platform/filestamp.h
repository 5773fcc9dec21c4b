#pragma once
// What a kept reading of a file or folder is checked against: the reading
// stays good while the stamp is exactly as it was when read.

#include <sys/stat.h>
#include <time.h>

namespace platform {

struct FileStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};

  static FileStamp Of(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  }
  bool Matches(const struct stat& st) const {
    return dev == st.st_dev && ino == st.st_ino && size == st.st_size && Same(mtime, st.st_mtim) &&
           Same(ctime, st.st_ctim);
  }
  // Both times already in the past at now (CLOCK_REALTIME_COARSE, taken
  // before reading): a change in the clock tick of the reading could leave
  // them as they were, so a reading that is not settled must not be kept.
  bool SettledBefore(const struct timespec& now) const {
    return Earlier(mtime, now) && Earlier(ctime, now);
  }

 private:
  static bool Same(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  }
  static bool Earlier(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
  }
};

}  // namespace platform
