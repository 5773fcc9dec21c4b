#include "platform/fileio.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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

}  // namespace

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

  std::string tmpl = DirectoryOf(target) + "/.tmp.XXXXXX";
  int fd = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  mode_t mode = 0644;
  if (stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fdatasync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok && rename(tmpl.c_str(), target.c_str()) == 0) return true;
  int saved = errno;
  unlink(tmpl.c_str());
  errno = saved;
  return false;
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
