#pragma once
// File times the Windows way: FILETIME counts 100-nanosecond intervals since
// 1601-01-01 00:00 UTC. Read from statx, written with utimensat/futimens,
// converted to calendar fields (UTC or local) and to the packed 16-bit DOS
// date and time.

#include <sys/stat.h>
#include <time.h>

#include <cstdint>
#include <string>

namespace platform {

using FileTime = uint64_t;

// 1970-01-01 00:00 UTC as a FileTime (11644473600 s).
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ULL;

// Calendar fields in the layout of SYSTEMTIME. dayOfWeek is 0 = Sunday; it is
// filled by the conversions from FileTime and ignored by those to FileTime.
struct SystemTime {
  uint16_t year = 0;   // 1601..30827
  uint16_t month = 0;  // 1..12
  uint16_t dayOfWeek = 0;
  uint16_t day = 0;  // 1..31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// The three times of a file; creation is the birth time where the file
// system records one, else the inode change time.
struct FileTimes {
  FileTime creation = 0;
  FileTime lastAccess = 0;
  FileTime lastWrite = 0;
};

// --- Unix <-> FileTime ----------------------------------------------------

// Times before 1601 clamp to 0; the sub-100 ns part is dropped.
FileTime FileTimeFromTimespec(const struct timespec& ts);
FileTime FileTimeFromStatxTimestamp(const struct statx_timestamp& ts);
// Seconds before 1970 come out negative with tv_nsec in 0..999999999.
struct timespec TimespecFromFileTime(FileTime ft);

// --- calendar conversions (the names and results of the Win32 calls) ------

// False for values with the top bit set, as Win32 refuses them.
bool FileTimeToSystemTime(FileTime ft, SystemTime* st);
// False for fields out of range (month 13, 30 February, hour 24, year
// outside 1601..30827, ...); dayOfWeek is not checked.
bool SystemTimeToFileTime(const SystemTime& st, FileTime* ft);

// UTC to local and back with the time zone rules of the C library (TZ). The
// offset is the one in force at that instant, not the current one as Win32
// does, so a summer file keeps its summer time in winter. Local times that a
// clock change skips or repeats are resolved as mktime resolves them.
bool FileTimeToLocalFileTime(FileTime utc, FileTime* local);
bool LocalFileTimeToFileTime(FileTime local, FileTime* utc);

// DOS date: (year-1980) << 9 | month << 5 | day; DOS time: hour << 11 |
// minute << 5 | second / 2. The odd second and the fraction are dropped, so
// two times within one even second give the same words. Fails for years
// before 1980 and after 2107, which the 7-bit year cannot hold. No time zone
// is applied: pass a local FileTime for a local DOS time.
bool FileTimeToDosDateTime(FileTime ft, uint16_t* dosDate, uint16_t* dosTime);
// Fails for fields out of range (month 0 or 13, day 0, 30 February, hour 24,
// minute 60, seconds 60 and 62).
bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FileTime* ft);

// --- reading and setting a file's times -----------------------------------

FileTimes FileTimesFromStatx(const struct statx& st);

// By host path, following symbolic links; false with errno on failure.
bool GetFileTimes(const std::string& hostPath, FileTimes* times);
// By open descriptor, the counterpart of GetFileTime on a handle.
bool GetFileTimes(int fd, FileTimes* times);

// Sets the last-access and last-write times (SetFileTime). A null pointer or
// a zero time leaves that time as it is, as on Win32. The creation time
// cannot be set on Linux and is ignored; it may move instead: where the file
// system has no birth time, the creation time reads as the change time, and
// setting times changes that to now. False with errno on failure.
bool SetFileTimes(const std::string& hostPath, const FileTime* creation, const FileTime* lastAccess,
                  const FileTime* lastWrite);
bool SetFileTimes(int fd, const FileTime* creation, const FileTime* lastAccess,
                  const FileTime* lastWrite);

}  // namespace platform
