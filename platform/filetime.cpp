#include "platform/filetime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <ctime>

namespace platform {

namespace {

constexpr int64_t kTicksPerSecond = static_cast<int64_t>(kFileTimeTicksPerSecond);
constexpr int64_t kTicksPerDay = 86400 * kTicksPerSecond;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDays1601To1970 = 134774;

// Proleptic Gregorian calendar over days since 1970-01-01 (the algorithms of
// H. Hinnant's "chrono-compatible low-level date algorithms"); exact for the
// whole FileTime range without going through time_t.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int64_t y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

// Calendar fields without range checks beyond what the arithmetic needs.
struct Civil {
  int64_t year;
  unsigned month, day, hour, minute, second;
  int64_t ticks;  // below the second
  unsigned dayOfWeek;
};

Civil SplitFileTime(FileTime ft) {
  const int64_t days = static_cast<int64_t>(ft / kTicksPerDay);
  int64_t rest = static_cast<int64_t>(ft % kTicksPerDay);
  Civil c;
  CivilFromDays(days - kDays1601To1970, &c.year, &c.month, &c.day);
  c.ticks = rest % kTicksPerSecond;
  rest /= kTicksPerSecond;
  c.second = static_cast<unsigned>(rest % 60);
  c.minute = static_cast<unsigned>(rest / 60 % 60);
  c.hour = static_cast<unsigned>(rest / 3600);
  c.dayOfWeek = static_cast<unsigned>((days + 1) % 7);  // 1601-01-01 was a Monday
  return c;
}

// Seconds since 1970 plus ticks into a FileTime; false outside its range.
bool FromUnixSeconds(__int128 seconds, int64_t ticks, FileTime* ft) {
  __int128 v = seconds * kTicksPerSecond + ticks + static_cast<__int128>(kUnixEpochAsFileTime);
  if (v < 0 || v > static_cast<__int128>(UINT64_MAX)) return false;
  *ft = static_cast<FileTime>(v);
  return true;
}

FileTime Clamped(__int128 seconds, int64_t ticks) {
  FileTime ft;
  if (FromUnixSeconds(seconds, ticks, &ft)) return ft;
  return seconds < 0 ? 0 : UINT64_MAX;
}

}  // namespace

FileTime FileTimeFromTimespec(const struct timespec& ts) {
  return Clamped(ts.tv_sec, ts.tv_nsec / 100);
}

FileTime FileTimeFromStatxTimestamp(const struct statx_timestamp& ts) {
  return Clamped(ts.tv_sec, ts.tv_nsec / 100);
}

struct timespec TimespecFromFileTime(FileTime ft) {
  struct timespec ts {};
  if (ft >= kUnixEpochAsFileTime) {
    const uint64_t d = ft - kUnixEpochAsFileTime;
    ts.tv_sec = static_cast<time_t>(d / kFileTimeTicksPerSecond);
    ts.tv_nsec = static_cast<long>(d % kFileTimeTicksPerSecond) * 100;
  } else {
    const uint64_t d = kUnixEpochAsFileTime - ft;
    ts.tv_sec = -static_cast<time_t>(d / kFileTimeTicksPerSecond);
    const uint64_t rem = d % kFileTimeTicksPerSecond;
    if (rem != 0) {
      ts.tv_sec -= 1;
      ts.tv_nsec = static_cast<long>(kFileTimeTicksPerSecond - rem) * 100;
    }
  }
  return ts;
}

bool FileTimeToSystemTime(FileTime ft, SystemTime* st) {
  if (ft > static_cast<FileTime>(INT64_MAX)) return false;
  const Civil c = SplitFileTime(ft);
  st->year = static_cast<uint16_t>(c.year);
  st->month = static_cast<uint16_t>(c.month);
  st->dayOfWeek = static_cast<uint16_t>(c.dayOfWeek);
  st->day = static_cast<uint16_t>(c.day);
  st->hour = static_cast<uint16_t>(c.hour);
  st->minute = static_cast<uint16_t>(c.minute);
  st->second = static_cast<uint16_t>(c.second);
  st->milliseconds = static_cast<uint16_t>(c.ticks / 10000);
  return true;
}

bool SystemTimeToFileTime(const SystemTime& st, FileTime* ft) {
  if (st.year < 1601 || st.year > 30827 || st.month < 1 || st.month > 12 || st.day < 1 ||
      st.day > DaysInMonth(st.year, st.month) || st.hour > 23 || st.minute > 59 || st.second > 59 ||
      st.milliseconds > 999)
    return false;
  const int64_t days = DaysFromCivil(st.year, st.month, st.day) + kDays1601To1970;
  const int64_t seconds = days * 86400 + st.hour * 3600 + st.minute * 60 + st.second;
  *ft = static_cast<FileTime>(seconds * kTicksPerSecond + st.milliseconds * int64_t{10000});
  return true;
}

bool FileTimeToLocalFileTime(FileTime utc, FileTime* local) {
  const struct timespec ts = TimespecFromFileTime(utc);
  tzset();  // localtime_r need not look at TZ again by itself
  struct tm tm;
  const time_t t = ts.tv_sec;
  if (!localtime_r(&t, &tm)) return false;
  return FromUnixSeconds(static_cast<__int128>(ts.tv_sec) + tm.tm_gmtoff, ts.tv_nsec / 100, local);
}

bool LocalFileTimeToFileTime(FileTime local, FileTime* utc) {
  if (local > static_cast<FileTime>(INT64_MAX)) return false;
  const Civil c = SplitFileTime(local);
  struct tm tm {};
  tm.tm_year = static_cast<int>(c.year - 1900);
  tm.tm_mon = static_cast<int>(c.month - 1);
  tm.tm_mday = static_cast<int>(c.day);
  tm.tm_hour = static_cast<int>(c.hour);
  tm.tm_min = static_cast<int>(c.minute);
  tm.tm_sec = static_cast<int>(c.second);
  tm.tm_isdst = -1;
  errno = 0;
  const time_t t = mktime(&tm);
  if (t == static_cast<time_t>(-1) && errno != 0) return false;
  return FromUnixSeconds(t, c.ticks, utc);
}

bool FileTimeToDosDateTime(FileTime ft, uint16_t* dosDate, uint16_t* dosTime) {
  SystemTime st;
  if (!FileTimeToSystemTime(ft, &st) || st.year < 1980 || st.year > 2107) return false;
  *dosDate = static_cast<uint16_t>((st.year - 1980) << 9 | st.month << 5 | st.day);
  *dosTime = static_cast<uint16_t>(st.hour << 11 | st.minute << 5 | st.second / 2);
  return true;
}

bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FileTime* ft) {
  SystemTime st;
  st.year = static_cast<uint16_t>(1980 + (dosDate >> 9));
  st.month = static_cast<uint16_t>(dosDate >> 5 & 0x0F);
  st.day = static_cast<uint16_t>(dosDate & 0x1F);
  st.hour = static_cast<uint16_t>(dosTime >> 11);
  st.minute = static_cast<uint16_t>(dosTime >> 5 & 0x3F);
  st.second = static_cast<uint16_t>((dosTime & 0x1F) * 2);
  return SystemTimeToFileTime(st, ft);
}

FileTimes FileTimesFromStatx(const struct statx& st) {
  FileTimes t;
  t.creation =
      FileTimeFromStatxTimestamp((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime);
  t.lastAccess = FileTimeFromStatxTimestamp(st.stx_atime);
  t.lastWrite = FileTimeFromStatxTimestamp(st.stx_mtime);
  return t;
}

namespace {

bool StatxTimes(int dirfd, const char* path, int flags, FileTimes* times) {
  struct statx st;
  if (statx(dirfd, path, flags | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
    return false;
  *times = FileTimesFromStatx(st);
  return true;
}

// UTIME_OMIT for a time that is not to change.
void ToUtimens(const FileTime* lastAccess, const FileTime* lastWrite, struct timespec ts[2]) {
  const FileTime* in[2] = {lastAccess, lastWrite};
  for (int i = 0; i < 2; ++i) {
    if (in[i] && *in[i] != 0) {
      ts[i] = TimespecFromFileTime(*in[i]);
    } else {
      ts[i].tv_sec = 0;
      ts[i].tv_nsec = UTIME_OMIT;
    }
  }
}

}  // namespace

bool GetFileTimes(const std::string& hostPath, FileTimes* times) {
  return StatxTimes(AT_FDCWD, hostPath.c_str(), 0, times);
}

bool GetFileTimes(int fd, FileTimes* times) { return StatxTimes(fd, "", AT_EMPTY_PATH, times); }

bool SetFileTimes(const std::string& hostPath, const FileTime* /*creation*/,
                  const FileTime* lastAccess, const FileTime* lastWrite) {
  struct timespec ts[2];
  ToUtimens(lastAccess, lastWrite, ts);
  return utimensat(AT_FDCWD, hostPath.c_str(), ts, 0) == 0;
}

bool SetFileTimes(int fd, const FileTime* /*creation*/, const FileTime* lastAccess,
                  const FileTime* lastWrite) {
  struct timespec ts[2];
  ToUtimens(lastAccess, lastWrite, ts);
  return futimens(fd, ts) == 0;
}

}  // namespace platform
