#include "platform/lzexpand.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr size_t kRingSize = 4096;
constexpr size_t kChunk = 1 << 16;

// Reads a descriptor or a buffer byte by byte through a block buffer.
class ByteReader {
 public:
  ByteReader(int fd, std::string_view pending) : fd_(fd), pending_(pending) {}
  explicit ByteReader(std::string_view all) : fd_(-1), pending_(all) {}

  // 0..255, -1 at the end, -2 on a read error.
  int Next() {
    if (pos_ == len_ && !Refill()) return failed_ ? -2 : -1;
    return static_cast<unsigned char>(data_[pos_++]);
  }

 private:
  bool Refill() {
    if (!pending_.empty()) {
      data_ = pending_.data();
      len_ = pending_.size();
      pos_ = 0;
      pending_ = {};
      return true;
    }
    if (fd_ < 0) return false;
    buffer_.resize(kChunk);
    ssize_t n;
    do {
      n = read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) failed_ = true;
    if (n <= 0) return false;
    data_ = buffer_.data();
    len_ = static_cast<size_t>(n);
    pos_ = 0;
    return true;
  }

  int fd_;
  std::string_view pending_;
  std::vector<char> buffer_;
  const char* data_ = nullptr;
  size_t len_ = 0, pos_ = 0;
  bool failed_ = false;
};

// Collects output and hands it to the sink in blocks.
class BlockWriter {
 public:
  explicit BlockWriter(const LzSink& sink) : sink_(sink) { buffer_.reserve(kChunk); }
  bool Put(char c) {
    buffer_.push_back(c);
    return buffer_.size() < kChunk || Flush();
  }
  bool Flush() {
    if (buffer_.empty()) return true;
    bool ok = sink_(buffer_.data(), buffer_.size());
    written_ += buffer_.size();
    buffer_.clear();
    return ok;
  }
  uint64_t Written() const { return written_ + buffer_.size(); }

 private:
  const LzSink& sink_;
  std::vector<char> buffer_;
  uint64_t written_ = 0;
};

LzResult Expand(ByteReader& in, const SzddHeader& header, const LzSink& sink, uint64_t* written) {
  unsigned char ring[kRingSize];
  memset(ring, ' ', sizeof ring);
  size_t pos = kRingSize - 16;
  BlockWriter out(sink);
  LzResult result = LzResult::kOk;
  // The stated size is the end: some compressors put a stray item after
  // the last byte, and a hostile file must not make us write more.
  uint64_t left = header.expandedSize;
  bool more = left > 0;
  auto emit = [&](unsigned char c) {
    ring[pos] = c;
    pos = (pos + 1) & (kRingSize - 1);
    if (!out.Put(static_cast<char>(c))) {
      result = LzResult::kWriteError;
      more = false;
    }
    if (--left == 0) more = false;
  };
  while (more) {
    int flags = in.Next();
    if (flags < 0) {
      if (flags == -2) result = LzResult::kReadError;
      break;
    }
    for (int bit = 0; bit < 8 && more; ++bit) {
      if (flags & (1 << bit)) {
        int c = in.Next();
        if (c < 0) {
          if (c == -2) result = LzResult::kReadError;
          more = false;
          break;
        }
        emit(static_cast<unsigned char>(c));
      } else {
        int a = in.Next();
        int b = a < 0 ? a : in.Next();
        if (a < 0 || b < 0) {
          if (a == -2 || b == -2) result = LzResult::kReadError;
          more = false;
          break;
        }
        size_t from = static_cast<size_t>(a) | (static_cast<size_t>(b & 0xF0) << 4);
        int length = (b & 0x0F) + 3;
        for (int i = 0; i < length && more; ++i) emit(ring[(from + i) & (kRingSize - 1)]);
      }
    }
  }
  if (!out.Flush() && result == LzResult::kOk) result = LzResult::kWriteError;
  *written = out.Written();
  if (result == LzResult::kOk && *written != header.expandedSize) result = LzResult::kBadData;
  return result;
}

bool WriteAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = ENOSPC;
      return false;
    }
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Reads up to the header's size from the start of the source.
bool ReadHead(int fd, std::string* head) {
  head->resize(kSzddHeaderSize);
  size_t got = 0;
  while (got < kSzddHeaderSize) {
    ssize_t n = read(fd, head->data() + got, kSzddHeaderSize - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  head->resize(got);
  return true;
}

}  // namespace

std::optional<SzddHeader> ParseSzddHeader(std::string_view first) {
  if (first.size() < kSzddHeaderSize || memcmp(first.data(), kMagic, sizeof kMagic) != 0 ||
      first[8] != 'A')
    return std::nullopt;
  SzddHeader h;
  h.lastChar = first[9];
  for (int i = 0; i < 4; ++i)
    h.expandedSize |= static_cast<uint32_t>(static_cast<unsigned char>(first[10 + i])) << (8 * i);
  return h;
}

std::string ExpandedName(std::string_view name, const SzddHeader& header) {
  std::string result(name);
  if (result.empty() || result.back() != '_' || header.lastChar == 0) return result;
  // the case of the letters of the name itself, not of its directory
  size_t base = result.find_last_of("/\\");
  base = base == std::string::npos ? 0 : base + 1;
  bool anyLower = false, anyUpper = false;
  for (size_t i = base; i + 1 < result.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(result[i]);
    anyLower |= islower(c) != 0;
    anyUpper |= isupper(c) != 0;
  }
  unsigned char last = static_cast<unsigned char>(header.lastChar);
  if (anyUpper && !anyLower)
    last = static_cast<unsigned char>(toupper(last));
  else if (anyLower && !anyUpper)
    last = static_cast<unsigned char>(tolower(last));
  result.back() = static_cast<char>(last);
  return result;
}

LzResult ExpandSzddBuffer(std::string_view compressed, std::string* out) {
  out->clear();
  auto header = ParseSzddHeader(compressed);
  if (!header) return LzResult::kBadData;
  ByteReader in(compressed.substr(kSzddHeaderSize));
  uint64_t written = 0;
  LzSink sink = [out](const char* d, size_t n) {
    out->append(d, n);
    return true;
  };
  return Expand(in, *header, sink, &written);
}

LzResult LzCopy(int sourceFd, const LzSink& sink, uint64_t* written) {
  *written = 0;
  std::string head;
  if (!ReadHead(sourceFd, &head)) return LzResult::kReadError;
  if (auto header = ParseSzddHeader(head)) {
    ByteReader in(sourceFd, {});
    return Expand(in, *header, sink, written);
  }
  if (!head.empty() && !sink(head.data(), head.size())) return LzResult::kWriteError;
  *written = head.size();
  std::vector<char> buffer(kChunk);
  for (;;) {
    ssize_t n = read(sourceFd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LzResult::kReadError;
    if (n == 0) return LzResult::kOk;
    if (!sink(buffer.data(), static_cast<size_t>(n))) return LzResult::kWriteError;
    *written += static_cast<uint64_t>(n);
  }
}

LzResult LzCopyToFd(int sourceFd, int targetFd, uint64_t* written, uint64_t size) {
  *written = 0;
  LzSink sink = [targetFd](const char* d, size_t n) { return WriteAll(targetFd, d, n); };
  if (size < kChunk) {
    // Asking for a byte more than the size: a shorter answer is the whole
    // file, in one call instead of a header read and a copy to the end.
    static thread_local std::vector<char> whole(kChunk + 1);
    ssize_t n;
    do {
      n = pread(sourceFd, whole.data(), size + 1, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno != ESPIPE) return LzResult::kReadError;
    if (n >= 0 && static_cast<uint64_t>(n) <= size) {
      std::string_view all(whole.data(), static_cast<size_t>(n));
      if (auto header = ParseSzddHeader(all)) {
        ByteReader in(all.substr(kSzddHeaderSize));
        return Expand(in, *header, sink, written);
      }
      if (!WriteAll(targetFd, all.data(), all.size())) return LzResult::kWriteError;
      *written = all.size();
      return LzResult::kOk;
    }
    // grown meanwhile, or not a file: the general way from the start
  }
  std::string head;
  if (!ReadHead(sourceFd, &head)) return LzResult::kReadError;
  if (auto header = ParseSzddHeader(head)) {
    ByteReader in(sourceFd, {});
    return Expand(in, *header, sink, written);
  }
  if (head.size() == kSzddHeaderSize) {
    // A plain file: the kernel copies it from its first byte, so both sides
    // stay page-aligned, without the bytes passing through user space.
    off_t in = 0, out = 0;
    for (;;) {
      ssize_t n = copy_file_range(sourceFd, &in, targetFd, &out, 1 << 30, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && out == 0 &&
          (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
           errno == ESPIPE))
        break;  // not here: the copy below
      if (n < 0)
        return errno == ENOSPC || errno == EFBIG || errno == EDQUOT ? LzResult::kWriteError
                                                                    : LzResult::kReadError;
      *written = static_cast<uint64_t>(out);
      if (n == 0) return LzResult::kOk;
    }
  }
  if (!WriteAll(targetFd, head.data(), head.size())) return LzResult::kWriteError;
  *written = head.size();
  if (head.size() < kSzddHeaderSize) return LzResult::kOk;
  bool kernelCopy = true;
  for (;;) {
    ssize_t n;
    if (kernelCopy) {
      n = copy_file_range(sourceFd, nullptr, targetFd, nullptr, 1 << 30, 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernelCopy = false;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0)
        return errno == ENOSPC || errno == EFBIG || errno == EDQUOT ? LzResult::kWriteError
                                                                    : LzResult::kReadError;
      if (n == 0) break;
      *written += static_cast<uint64_t>(n);
      continue;
    }
    static thread_local std::vector<char> buffer(1 << 20);
    n = read(sourceFd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LzResult::kReadError;
    if (n == 0) break;
    if (!WriteAll(targetFd, buffer.data(), static_cast<size_t>(n))) return LzResult::kWriteError;
    *written += static_cast<uint64_t>(n);
  }
  return LzResult::kOk;
}

std::optional<std::string> GetExpandedName(const std::string& hostPath, std::string_view name) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string head;
  bool ok = ReadHead(fd, &head);
  int saved = errno;
  close(fd);
  if (!ok) {
    errno = saved;
    return std::nullopt;
  }
  auto header = ParseSzddHeader(head);
  return header ? ExpandedName(name, *header) : std::string(name);
}

}  // namespace platform
