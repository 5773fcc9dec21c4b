#include "prentix/image/cfile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace prentix {

CFile::~CFile() { CFile::Close(); }

bool CFile::Open(const std::string& path, unsigned flags) {
  Close();
  int oflags = O_CLOEXEC;
  if (flags & modeReadWrite)
    oflags |= O_RDWR;
  else if (flags & modeWrite)
    oflags |= O_WRONLY;
  else
    oflags |= O_RDONLY;
  if (flags & modeCreate) oflags |= O_CREAT | O_TRUNC;
  int fd;
  do {
    fd = ::open(path.c_str(), oflags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  fd_ = fd;
  path_ = path;
  return true;
}

void CFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint32_t CFile::Read(void* dst, uint32_t n) {
  if (fd_ < 0) return 0;
  auto* p = static_cast<char*>(dst);
  uint32_t done = 0;
  while (done < n) {
    ssize_t r = ::read(fd_, p + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<uint32_t>(r);
  }
  return done;
}

bool CFile::Write(const void* src, uint32_t n) {
  if (fd_ < 0) return false;
  auto* p = static_cast<const char*>(src);
  uint32_t done = 0;
  while (done < n) {
    ssize_t w = ::write(fd_, p + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<uint32_t>(w);
  }
  return true;
}

uint64_t CFile::GetLength() const {
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

uint64_t CFile::GetPosition() const {
  if (fd_ < 0) return 0;
  off_t pos = lseek(fd_, 0, SEEK_CUR);
  return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

bool CFile::Seek(uint64_t position) {
  return fd_ >= 0 && lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0;
}

CMemFile::CMemFile(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

bool CMemFile::Open(const std::string&, unsigned) { return false; }

uint32_t CMemFile::Read(void* dst, uint32_t n) {
  size_t take = std::min<size_t>(n, data_.size() - std::min(pos_, data_.size()));
  if (take) std::memcpy(dst, data_.data() + pos_, take);
  pos_ += take;
  return static_cast<uint32_t>(take);
}

bool CMemFile::Write(const void* src, uint32_t n) {
  if (data_.size() < pos_ + n) data_.resize(pos_ + n);
  if (n) std::memcpy(data_.data() + pos_, src, n);
  pos_ += n;
  return true;
}

bool CMemFile::Seek(uint64_t position) {
  if (position > data_.size()) return false;
  pos_ = static_cast<size_t>(position);
  return true;
}

}  // namespace prentix
