#include "platform/fileio.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctype.h>
#include <dirent.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "platform/dircache.h"

namespace platform {

namespace {

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// What a temporary name's tail ".tmp-..." says about its writer: the process
// id where the name carries one (ours do), 0 for the six random characters
// alone (earlier versions), -1 for a name that is none of ours.
long TempWriter(std::string_view name) {
  if (name.size() < 2 || name[0] != '.') return -1;
  size_t at = name.rfind(".tmp-");
  if (at == std::string_view::npos || at == 0) return -1;
  std::string_view tail = name.substr(at + 5);
  auto alnum = [](std::string_view s) {
    for (char c : s)
      if (!isalnum(static_cast<unsigned char>(c))) return false;
    return true;
  };
  if (tail.size() == 6 && alnum(tail)) return 0;
  size_t dash = tail.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash > 9) return -1;
  long pid = 0;
  for (char c : tail.substr(0, dash)) {
    if (c < '0' || c > '9') return -1;
    pid = pid * 10 + (c - '0');
  }
  std::string_view rest = tail.substr(dash + 1);
  return !rest.empty() && alnum(rest) && pid > 0 ? pid : -1;
}

}  // namespace

bool IsStaleTemporary(const std::string& dir, std::string_view name, time_t now) {
  long writer = TempWriter(name);
  if (writer < 0) return false;
  struct stat st;
  const std::string path = dir + "/" + std::string(name);
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) return false;
  // a writer that lives may still finish; one without a number is given an
  // hour, far longer than any writer stays idle
  if (writer > 0) return kill(static_cast<pid_t>(writer), 0) != 0 && errno == ESRCH;
  return now - st.st_mtime > 3600;
}

void SweepStaleTemporaries(const std::string& dir) {
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!swept.insert(dir).second) return;
  }
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const time_t now = time(nullptr);
  std::vector<std::string> stale;
  while (struct dirent* e = readdir(d)) {
    if (e->d_name[0] == '.' && IsStaleTemporary(dir, e->d_name, now)) stale.push_back(e->d_name);
  }
  closedir(d);
  for (const std::string& name : stale) unlink((dir + "/" + name).c_str());
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      close(fd);
      errno = saved;
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return out;
}

bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string target = path;
  char real[PATH_MAX];
  struct stat lst;
  if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && realpath(path.c_str(), real))
    target = real;
  struct stat st;
  const mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  PendingFile out;
  return out.Create(target, mode) && WriteAll(out.Fd(), bytes) && fdatasync(out.Fd()) == 0 &&
         out.Commit();
}

bool PendingFile::Create(const std::string& target, mode_t mode) {
  return Start(target, mode, false, Known::kNothing);
}

bool PendingFile::CreateNew(const std::string& target, mode_t mode, const struct stat* dirStat) {
  dirKnown_ = dirStat != nullptr;
  if (dirStat) dirStat_ = *dirStat;
  return Start(target, mode, false, Known::kMissing);
}

bool PendingFile::CreateNamed(const std::string& target, mode_t mode) {
  return Start(target, mode, true, Known::kNothing);
}

bool PendingFile::Start(const std::string& target, mode_t mode, bool named, Known known) {
  struct stat st;
  const bool exists = known == Known::kNothing && stat(target.c_str(), &st) == 0;
  if ((!target.empty() && target.back() == '/') || (exists && S_ISDIR(st.st_mode))) {
    errno = EISDIR;
    return false;
  }
  const std::string dir = DirectoryOf(target);
  // what a killed writer of ours (or of an earlier version) left here goes
  SweepStaleTemporaries(dir);
  // linking an unnamed file in goes through /proc without special rights
  static const bool canLink = access("/proc/self/fd", X_OK) == 0;
  if (!named && canLink) {
    // A file without a name until it is complete, so nothing half-written
    // is ever seen under any name, and a killed writer leaves nothing behind.
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode & 0777);
    if (fd >= 0) {
      target_ = target;
      fd_ = fd;
      unnamed_ = true;
      replacing_ = exists;
      // the creation mask may have taken bits the caller asked for
      static const mode_t mask = CurrentUmask();
      if ((mode & mask) != 0 || (mode & ~mode_t{0777}) != 0) fchmod(fd_, mode);
      return true;
    }
    // file systems without unnamed files take the named way
  }
  size_t slash = target.rfind('/');
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // the writer's number in the name tells the next writer whether it lives
  std::string tmpl = dir + "/." + base + ".tmp-" + std::to_string(getpid()) + "-XXXXXX";
  DirectoryEdit edit(dir);
  int fd = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  edit.Done(std::string_view(tmpl).substr(dir.size() + 1), {});
  target_ = target;
  temp_ = tmpl;
  fd_ = fd;
  fchmod(fd_, mode);
  return true;
}

bool PendingFile::Close() {
  // an unnamed file would vanish with its descriptor: Commit closes it
  if (fd_ < 0 || unnamed_) return true;
  int fd = fd_;
  fd_ = -1;
  return close(fd) == 0;
}

namespace {

// Gives the unnamed file fd the name path: straight from the descriptor
// where the kernel allows that (to the file's opener since Linux 6.10, to
// privileged callers before), else through /proc, which is slower.
bool LinkDescriptor(int fd, const std::string& path) {
  static std::atomic<int> direct{0};  // 1 works, -1 refused, 0 not tried yet
  if (direct.load(std::memory_order_relaxed) >= 0) {
    if (linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
      direct.store(1, std::memory_order_relaxed);
      return true;
    }
    // a refusal shows as ENOENT (or EPERM); once it has worked, ENOENT is real
    if ((errno != ENOENT && errno != EPERM) || direct.load(std::memory_order_relaxed) == 1)
      return false;
    direct.store(-1, std::memory_order_relaxed);
  }
  char proc[64];
  snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return linkat(AT_FDCWD, proc, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

bool PendingFile::LinkUnnamed() {
  const std::string dir = DirectoryOf(target_);
  const std::string name = target_.substr(target_.rfind('/') + 1);
  if (!replacing_) {
    DirectoryEdit edit(dir, dirKnown_ ? &dirStat_ : nullptr);
    if (LinkDescriptor(fd_, target_)) {
      edit.Done(name, {});
      return true;
    }
    if (errno != EEXIST) return false;
  }
  // A target to replace (or one that appeared meanwhile): a name for the
  // moment of one rename over it.
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    snprintf(suffix, sizeof suffix, ".tmp-%d-%d", static_cast<int>(getpid()), attempt);
    std::string temp = dir + "/." + name + suffix;
    if (!LinkDescriptor(fd_, temp)) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (rename(temp.c_str(), target_.c_str()) == 0) return true;
    int saved = errno;
    unlink(temp.c_str());
    errno = saved;
    return false;
  }
  errno = EEXIST;
  return false;
}

bool PendingFile::Commit() {
  if (unnamed_) {
    if (fd_ < 0 || !LinkUnnamed()) return false;
    unnamed_ = false;
    int fd = std::exchange(fd_, -1);
    return close(fd) == 0;
  }
  if (temp_.empty() || !Close()) return false;
  const std::string dir = DirectoryOf(target_);
  DirectoryEdit edit(dir);
  if (rename(temp_.c_str(), target_.c_str()) != 0) return false;
  edit.Done(std::string_view(target_).substr(target_.rfind('/') + 1),
            std::string_view(temp_).substr(temp_.rfind('/') + 1));
  temp_.clear();
  return true;
}

PendingFile::~PendingFile() {
  int saved = errno;
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
  errno = saved;
}

int UniqueFd::Close() {
  int r = fd_ >= 0 ? close(fd_) : 0;
  fd_ = -1;
  return r;
}

mode_t CurrentUmask() {
  // read, not set and reset: another thread may be creating files meanwhile
  if (auto status = ReadWholeFile("/proc/self/status")) {
    size_t at = status->find("Umask:");
    if (at != std::string::npos)
      return static_cast<mode_t>(strtoul(status->c_str() + at + 6, nullptr, 8));
  }
  return 022;
}

DirectoryLock::DirectoryLock(const std::string& filePath) {
  fd_ = open(DirectoryOf(filePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd_);
      fd_ = -1;
      return;
    }
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

}  // namespace platform
