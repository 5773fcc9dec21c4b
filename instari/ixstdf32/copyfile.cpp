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
#include "instari/ixstdf32/filedates.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/fileio.h"
#include "platform/lzexpand.h"
#include "platform/paths.h"
#include "platform/winerror.h"

using namespace ixstdf;

namespace {

// The new file's mode: an existing target keeps its own; a new one gets
// the usual mode with the source's execute bits, so programs stay runnable.
mode_t NewMode(const LookedUp& found) {
  if (found.target.data) return found.target.mode & 07777;
  static const mode_t mask = platform::CurrentUmask();
  return (0666 | (found.source.mode & 0111)) & ~mask;
}

bool TooLong(const char* name) { return strlen(name) >= kMaxPath; }

enum class CopyStep { kDone, kSourceOpen, kTargetCreate, kCopy };

// Opens, expands, and puts the result in place. found: what
// TesteFileDatum looked up for both names; *written: bytes written.
CopyStep CopyExpanding(const char* source, const char* target, const LookedUp& found,
                       uint64_t* written) {
  *written = 0;
  if (TooLong(source)) {
    errno = ENAMETOOLONG;
    return CopyStep::kSourceOpen;
  }
  // a folder opens on Linux, but not for expansion
  if (S_ISDIR(found.source.mode)) {
    errno = EISDIR;
    return CopyStep::kSourceOpen;
  }
  const std::string& sourceHost = found.source.hostPath;
  platform::UniqueFd in(sourceHost.empty() ? -1 : open(sourceHost.c_str(), O_RDONLY | O_CLOEXEC));
  if (sourceHost.empty()) errno = ENOENT;
  if (in.Get() < 0) return CopyStep::kSourceOpen;
  const std::string& targetHost = found.target.hostPath;
  if (TooLong(target) || targetHost.empty()) {
    errno = TooLong(target) ? ENAMETOOLONG : ENOENT;
    return CopyStep::kTargetCreate;
  }
  // The replacement is renamed over the target, which a read-only file
  // would not stop; opening it for writing would have failed.
  if (found.target.data && !found.target.data->IsDirectory() &&
      ((found.target.data->attributes & platform::FILE_ATTRIBUTE_READONLY) ||
       (access(targetHost.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)))) {
    if (found.target.data->attributes & platform::FILE_ATTRIBUTE_READONLY) errno = EACCES;
    return CopyStep::kTargetCreate;
  }
  platform::PendingFile out;
  // a target just found missing needs no second look
  const platform::FileLookup& t = found.target;
  if (t.data ? !out.Create(targetHost, NewMode(found))
             : !out.CreateNew(targetHost, NewMode(found), t.dirKnown ? &t.dirStat : nullptr))
    return CopyStep::kTargetCreate;
  const uint64_t size = S_ISREG(found.source.mode) ? found.source.data->size : UINT64_MAX;
  platform::LzResult r = platform::LzCopyToFd(in.Get(), out.Fd(), written, size);
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
  LookedUp found;
  int test = TesteFileDatumKeeping(s, t, &found);
  if (test == 0) return -2;
  if (test == -1) return -1;
  uint64_t written = 0;
  switch (CopyExpanding(s, t, found, &written)) {
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
  LookedUp found;
  int test = TesteFileDatumKeeping(s, target.c_str(), &found);
  if (test == 0) return -2;
  if (test == -1) return -1;
  uint64_t written = 0;
  switch (CopyExpanding(s, target.c_str(), found, &written)) {
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
