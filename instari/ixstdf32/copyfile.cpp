// Copies that expand LZ-compressed sources: IxCopyFile and
// IxCopyFileNoName.
//
// The copy goes into a temporary file beside the target, renamed over the
// target only when every byte arrived, so a copy that fails part-way (disk
// full, source gone, bad compressed data) leaves an installed file as it
// was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/failtext.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/fileio.h"
#include "platform/lzexpand.h"
#include "platform/paths.h"
#include "platform/winerror.h"

using namespace ixstdf;

namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// The new file's mode: an existing target keeps its own; a new one gets
// the usual mode with the source's execute bits, so programs stay runnable.
mode_t NewMode(int sourceFd, const std::string& targetHost) {
  struct stat st {};
  if (stat(targetHost.c_str(), &st) == 0) return st.st_mode & 07777;
  static const mode_t mask = platform::CurrentUmask();
  mode_t mode = 0666;
  if (fstat(sourceFd, &st) == 0) mode |= st.st_mode & 0111;
  return mode & ~mask;
}

int OpenSource(const std::string& host) {
  if (host.empty()) {
    errno = ENOENT;
    return -1;
  }
  return open(host.c_str(), O_RDONLY | O_CLOEXEC);
}

bool TooLong(const char* name) { return strlen(name) >= kMaxPath; }

enum class CopyStep { kDone, kSourceOpen, kTargetCreate, kCopy };

// Opens, expands, and puts the result in place. *written: bytes written.
CopyStep CopyExpanding(const char* source, const char* target, uint64_t* written) {
  *written = 0;
  if (TooLong(source)) {
    errno = ENAMETOOLONG;
    return CopyStep::kSourceOpen;
  }
  Fd in(OpenSource(platform::HostPath(source)));
  if (in.Get() < 0) return CopyStep::kSourceOpen;
  std::string targetHost = TooLong(target) ? std::string() : platform::HostPath(target);
  if (targetHost.empty()) {
    errno = TooLong(target) ? ENAMETOOLONG : ENOENT;
    return CopyStep::kTargetCreate;
  }
  platform::PendingFile out;
  if (!out.Create(targetHost, NewMode(in.Get(), targetHost))) return CopyStep::kTargetCreate;
  platform::LzResult r = platform::LzCopyToFd(in.Get(), out.Fd(), written);
  if (r == platform::LzResult::kBadData) errno = EILSEQ;
  if (r != platform::LzResult::kOk || *written == 0 || !out.Commit()) return CopyStep::kCopy;
  return CopyStep::kDone;
}

}  // namespace

extern "C" {

int IxCopyFile(const char* source, const char* target) {
  ClearError();
  const char* s = source ? source : "";
  const char* t = target ? target : "";
  int test = TesteFileDatum(s, t);
  if (test == 0) return -2;
  if (test == -1) return -1;
  uint64_t written = 0;
  switch (CopyExpanding(s, t, &written)) {
    case CopyStep::kDone:
      return written > INT_MAX ? INT_MAX : static_cast<int>(written);
    case CopyStep::kSourceOpen:
      SetSystemErrno(errno);
      Fail(ErrorText("Datei %s kann nicht geöffnet werden", s).c_str());
      return 0;
    case CopyStep::kTargetCreate:
      SetSystemErrno(errno);
      Fail(ErrorText("Datei %s kann nicht erstellt werden", t).c_str());
      return 0;
    case CopyStep::kCopy:
      if (written > 0) SetSystemErrno(errno);
      Fail(ErrorText("Fehler beim Kopieren (Länge) von %s --> %s", s, t).c_str());
      return 0;
  }
  return 0;
}

int IxCopyFileNoName(const char* source, const char* targetDirectory) {
  ClearError();
  const char* s = source ? source : "";
  std::string target = targetDirectory ? targetDirectory : "";
  if (target.size() >= kMaxPath) {
    SetSystemError(platform::ERROR_FILENAME_EXCED_RANGE);
    Fail(ErrorText("Datei %s kann nicht erstellt werden", target.c_str()).c_str());
    return 0;
  }
  std::string sourceHost = TooLong(s) ? std::string() : platform::HostPath(s);
  auto expanded = sourceHost.empty() ? std::nullopt : platform::GetExpandedName(sourceHost, s);
  if (!expanded) {
    Fail(ErrorText("Wohin-Dateiname von %s kann nicht ermittelt werden", s).c_str());
    return 0;
  }
  // the name behind the last separator, joined with a backslash (a
  // forward slash separates too, as host paths use it)
  size_t slash = expanded->find_last_of("\\/");
  if (slash == std::string::npos) {
    Fail(ErrorText("Datei %s kann nicht geöffnet werden", s).c_str());
    return 0;
  }
  target += "\\" + expanded->substr(slash + 1);
  if (target.size() >= kMaxPath) {
    SetSystemError(platform::ERROR_FILENAME_EXCED_RANGE);
    Fail(ErrorText("Datei %s kann nicht erstellt werden", target.c_str()).c_str());
    return 0;
  }
  int test = TesteFileDatum(s, target.c_str());
  if (test == 0) return -2;
  if (test == -1) return -1;
  uint64_t written = 0;
  switch (CopyExpanding(s, target.c_str(), &written)) {
    case CopyStep::kDone:
      return 1;
    case CopyStep::kSourceOpen:
      Fail(ErrorText("Datei %s kann nicht geöffnet werden", s).c_str());
      return 0;
    case CopyStep::kTargetCreate:
      Fail(ErrorText("Datei %s kann nicht erstellt werden", target.c_str()).c_str());
      return 0;
    case CopyStep::kCopy:
      Fail(ErrorText("Fehler beim kopieren von %s --> %s", s, target.c_str()).c_str());
      return 0;
  }
  return 0;
}

}  // extern "C"
