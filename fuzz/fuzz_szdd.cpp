// SZDD reader: any bytes give a result and never more bytes than the
// header states; the streaming copy agrees with the buffer expansion.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/lzexpand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string out;
  platform::LzResult r = platform::ExpandSzddBuffer(bytes, &out);
  auto header = platform::ParseSzddHeader(bytes);
  if (!header && r != platform::LzResult::kBadData) abort();
  if (header && out.size() > header->expandedSize) abort();
  if (r == platform::LzResult::kOk && out.size() != header->expandedSize) abort();
  if (header) (void)platform::ExpandedName("A:\\X.EX_", *header);

  int fds[2];
  if (size < 60000 && pipe(fds) == 0) {
    // the pipe holds the whole input, so writing first cannot block
    if (write(fds[1], data, size) == static_cast<ssize_t>(size)) {
      close(fds[1]);
      std::string streamed;
      uint64_t written = 0;
      platform::LzResult s = platform::LzCopy(
          fds[0],
          [&](const char* d, size_t n) {
            streamed.append(d, n);
            return true;
          },
          &written);
      if (written != streamed.size()) abort();
      if (header && (s != r || streamed != out)) abort();
      if (!header && streamed != bytes) abort();
    } else {
      close(fds[1]);
    }
    close(fds[0]);
  }

  // file to file, with the size told right and told wrong
  for (uint64_t told : {static_cast<uint64_t>(size), static_cast<uint64_t>(size / 2)}) {
    int in = memfd_create("in", MFD_CLOEXEC);
    int outFd = memfd_create("out", MFD_CLOEXEC);
    if (in >= 0 && outFd >= 0 && write(in, data, size) == static_cast<ssize_t>(size) &&
        lseek(in, 0, SEEK_SET) == 0) {
      uint64_t written = 0;
      platform::LzResult f = platform::LzCopyToFd(in, outFd, &written, told);
      std::string copied(written, '\0');
      if (pread(outFd, copied.data(), copied.size(), 0) != static_cast<ssize_t>(copied.size()))
        abort();
      if (header && (f != r || copied != out)) abort();
      if (!header && (f != platform::LzResult::kOk || copied != bytes)) abort();
    }
    if (in >= 0) close(in);
    if (outFd >= 0) close(outFd);
  }
  return 0;
}
