// Whether an installed file must be replaced, by time and size, and the
// times of files: TesteFileDatum and its family, SetzeFileDatum,
// GetFileDatum.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/failtext.h"
#include "instari/ixstdf32/filedates.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/filetime.h"
#include "platform/findfile.h"
#include "platform/paths.h"

using namespace ixstdf;

namespace {

// The common start: both files found, or the result -1 / -2 with its text.
// The lookups stay in *p for a copy that follows.
bool FindBoth(const char* source, const char* target, LookedUp* p, int* result) {
  ClearError();
  p->source = platform::LookUpFile(source ? source : "");
  if (!p->source.data) {
    SetSystemErrno(p->source.error);
    Fail(ErrorText("TesteFileDatum, Fehler open Datei: %s", source ? source : "").c_str());
    *result = -1;
    return false;
  }
  p->target = platform::LookUpFile(target ? target : "");
  if (!p->target.data) {
    SetSystemErrno(p->target.error);
    Fail(ErrorText("TesteFileDatum, Fehler open Datei: %s", target ? target : "").c_str());
    *result = -2;
    return false;
  }
  return true;
}

uint32_t Size32(const platform::FileLookup& f) { return static_cast<uint32_t>(f.data->size); }
platform::FileTime Written(const platform::FileLookup& f) { return f.data->lastWriteTime; }

// Down to the even second; a time the calendar cannot hold stays as it is.
platform::FileTime EvenSecond(platform::FileTime t) {
  platform::SystemTime st;
  if (!platform::FileTimeToSystemTime(t, &st)) return t;
  st.milliseconds = 0;
  st.second &= ~1u;
  platform::FileTime out;
  return platform::SystemTimeToFileTime(st, &out) ? out : t;
}

int Equal(const char* text) {
  StoreError(0, text);
  return 0;
}

int Differ(const char* text) {
  Fail(text);
  return 1;
}

// Steps shared by USize and LOSize: time first, size on a tie.
int ByDosTime(const LookedUp& p) {
  uint16_t sd, stime, td, ttime;
  if (platform::FileTimeToDosDateTime(Written(p.source), &sd, &stime) &&
      platform::FileTimeToDosDateTime(Written(p.target), &td, &ttime)) {
    if (sd < td || (sd == td && stime < ttime))
      return Equal("TesteFileDatum: Datum kleiner oder gleich");
    if (sd == td && stime == ttime && Size32(p.source) == Size32(p.target))
      return Equal("TesteFileDatum: Datum + Größe gleich");
  }
  return Differ("TesteFileDatum:  Dateien unterschiedlich");
}

}  // namespace

int ixstdf::TesteFileDatumKeeping(const char* source, const char* target, LookedUp* p) {
  int result = 0;
  if (!FindBoth(source, target, p, &result)) return result;
  if (Size32(p->source) == 0) return Differ("TesteFileDatum: Von-Datei Größe = 0");
  if (Size32(p->target) == 0) return Differ("TesteFileDatum: Nach-Datei Größe = 0");
  if (EvenSecond(Written(p->source)) <= EvenSecond(Written(p->target)))
    return Equal("TesteFileDatum: Dateien sind gleich !");
  return Differ("TesteFileDatum: von-Datei ist neuer !");
}

extern "C" {

int TesteFileDatum(const char* source, const char* target) {
  LookedUp p;
  return ixstdf::TesteFileDatumKeeping(source, target, &p);
}

int TesteFileDatumUSize(const char* source, const char* target) {
  int result = 0;
  LookedUp p;
  if (!FindBoth(source, target, &p, &result)) return result;
  return ByDosTime(p);
}

int TesteFileDatumLOSize(const char* source, const char* target) {
  int result = 0;
  LookedUp p;
  if (!FindBoth(source, target, &p, &result)) return result;
  if (Size32(p.source) != Size32(p.target))
    return Differ("TesteFileDatum: Dateigröße unterschiedlich");
  return ByDosTime(p);
}

int TesteFileDatumOSize(const char* source, const char* target) {
  int result = 0;
  LookedUp p;
  if (!FindBoth(source, target, &p, &result)) return result;
  if (Size32(p.source) != Size32(p.target))
    return Differ("TesteFileDatum: Dateigröße unterschiedlich");
  uint16_t sd, stime, td, ttime;
  if (platform::FileTimeToDosDateTime(Written(p.source), &sd, &stime) &&
      platform::FileTimeToDosDateTime(Written(p.target), &td, &ttime) && sd == td &&
      stime == ttime)
    return Equal("TesteFileDatum: Datum + Größe gleich");
  return Differ("TesteFileDatum:  Dateien unterschiedlich");
}

int SetzeFileDatum(const char* source, const char* target) {
  ClearError();
  const char* s = source ? source : "";
  const char* t = target ? target : "";
  std::string sourceHost = platform::HostPath(s);
  int fd = sourceHost.empty() ? -1 : open(sourceHost.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetSystemErrno(sourceHost.empty() ? ENOENT : errno);
    return Fail(ErrorText("SetzteFileDatum, Fehler open Datei: %s", s).c_str());
  }
  platform::FileTimes times;
  bool got = platform::GetFileTimes(fd, &times);
  int saved = errno;
  if (!got) {
    close(fd);
    SetSystemErrno(saved);
    return Fail(ErrorText("SetzteFileDatum, Fehler GetFileTime Datei: %s", s).c_str());
  }
  if (close(fd) != 0) {
    SetSystemErrno(errno);
    return Fail(ErrorText("SetzteFileDatum, Fehler CloseHandle Datei: %s", s).c_str());
  }
  std::string targetHost = platform::HostPath(t);
  fd = targetHost.empty() ? -1 : open(targetHost.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    SetSystemErrno(targetHost.empty() ? ENOENT : errno);
    return Fail(ErrorText("SetzteFileDatum, Fehler open Datei: %s", t).c_str());
  }
  bool set = platform::SetFileTimes(fd, &times.creation, &times.lastAccess, &times.lastWrite);
  saved = errno;
  if (!set) {
    close(fd);
    SetSystemErrno(saved);
    return Fail(ErrorText("SetzteFileDatum, Fehler SetFileTime Datei: %s", t).c_str());
  }
  if (close(fd) != 0) {
    SetSystemErrno(errno);
    return Fail(ErrorText("SetzteFileDatum, Fehler CloseHandle Datei: %s", t).c_str());
  }
  return 0;
}

char* GetFileDatum(const char* file, int which) {
  static ResultBuffer<24> result;
  static char zero[] = "0";
  ClearError();
  const char* f = file ? file : "";
  auto found = platform::FindFirstMatch(f);
  if (!found || which < 1 || which > 3) {
    if (!found) SetSystemErrno(errno);
    Fail(ErrorText("GetFileDatum, Fehler open Datei: %s", f).c_str());
    return zero;
  }
  platform::FileTime t = which == 1   ? found->creationTime
                         : which == 2 ? found->lastAccessTime
                                      : found->lastWriteTime;
  platform::FileTime local;
  platform::SystemTime st;
  if (!platform::FileTimeToLocalFileTime(t, &local) ||
      !platform::FileTimeToSystemTime(local, &st)) {
    Fail(ErrorText("GetFileDatum, Fehler open Datei: %s", f).c_str());
    return zero;
  }
  char text[64];
  snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", st.year, st.month, st.day, st.hour,
           st.minute, st.second);
  return result.SetText(text);
}

}  // extern "C"
