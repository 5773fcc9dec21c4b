#include "platform/filetime.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>
#include <string>

#include "common/testutil.h"

using namespace platform;

namespace {

FileTime At(uint16_t y, uint16_t mo, uint16_t d, uint16_t h, uint16_t mi, uint16_t s,
            uint16_t ms = 0) {
  SystemTime st;
  st.year = y;
  st.month = mo;
  st.day = d;
  st.hour = h;
  st.minute = mi;
  st.second = s;
  st.milliseconds = ms;
  FileTime ft = 0;
  EXPECT_TRUE(SystemTimeToFileTime(st, &ft)) << y << "-" << mo << "-" << d;
  return ft;
}

// Sets TZ for one test and puts the old value back.
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTz() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

}  // namespace

TEST(FileTime, EpochsAndKnownInstants) {
  SystemTime st;
  ASSERT_TRUE(FileTimeToSystemTime(0, &st));
  EXPECT_EQ(st.year, 1601);
  EXPECT_EQ(st.month, 1);
  EXPECT_EQ(st.day, 1);
  EXPECT_EQ(st.dayOfWeek, 1);  // a Monday
  EXPECT_EQ(st.hour + st.minute + st.second + st.milliseconds, 0);

  EXPECT_EQ(kUnixEpochAsFileTime, 11644473600ULL * 10000000ULL);
  ASSERT_TRUE(FileTimeToSystemTime(kUnixEpochAsFileTime, &st));
  EXPECT_EQ(st.year, 1970);
  EXPECT_EQ(st.dayOfWeek, 4);  // a Thursday
  EXPECT_EQ(At(1970, 1, 1, 0, 0, 0), kUnixEpochAsFileTime);

  // 2000-02-29 12:34:56.789 UTC is Unix time 951827696
  const FileTime leap = At(2000, 2, 29, 12, 34, 56, 789);
  EXPECT_EQ(leap, 951827696ULL * 10000000ULL + 7890000ULL + kUnixEpochAsFileTime);
  ASSERT_TRUE(FileTimeToSystemTime(leap + 9999, &st));  // below a millisecond is dropped
  EXPECT_EQ(st.year, 2000);
  EXPECT_EQ(st.month, 2);
  EXPECT_EQ(st.day, 29);
  EXPECT_EQ(st.dayOfWeek, 2);  // a Tuesday
  EXPECT_EQ(st.hour, 12);
  EXPECT_EQ(st.minute, 34);
  EXPECT_EQ(st.second, 56);
  EXPECT_EQ(st.milliseconds, 789);

  // the top of the range and beyond
  EXPECT_TRUE(FileTimeToSystemTime(0x7FFFFFFFFFFFFFFFULL, &st));
  EXPECT_EQ(st.year, 30828);
  EXPECT_FALSE(FileTimeToSystemTime(0x8000000000000000ULL, &st));

  // fields out of range are refused
  SystemTime bad;
  FileTime ft;
  bad = {};
  bad.year = 1900, bad.month = 2, bad.day = 29;  // 1900 is no leap year
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
  bad.year = 2000;
  EXPECT_TRUE(SystemTimeToFileTime(bad, &ft));
  bad.day = 30;
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
  bad.day = 1, bad.month = 13;
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
  bad.month = 0;
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
  bad.month = 1, bad.hour = 24;
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
  bad.hour = 0, bad.milliseconds = 1000;
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
  bad.milliseconds = 0, bad.year = 1600;
  EXPECT_FALSE(SystemTimeToFileTime(bad, &ft));
}

TEST(FileTime, CalendarAgreesWithTheCLibraryOverCenturies) {
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<int64_t> secs(-11644473600LL, 253402300799LL);  // 1601..9999
  for (int i = 0; i < 20000; ++i) {
    const time_t t = secs(rng);
    struct tm tm;
    ASSERT_TRUE(gmtime_r(&t, &tm));
    const FileTime ft = FileTimeFromTimespec({t, 0});
    SystemTime st;
    ASSERT_TRUE(FileTimeToSystemTime(ft, &st));
    ASSERT_EQ(st.year, tm.tm_year + 1900) << t;
    ASSERT_EQ(st.month, tm.tm_mon + 1) << t;
    ASSERT_EQ(st.day, tm.tm_mday) << t;
    ASSERT_EQ(st.dayOfWeek, tm.tm_wday) << t;
    ASSERT_EQ(st.hour, tm.tm_hour) << t;
    ASSERT_EQ(st.minute, tm.tm_min) << t;
    ASSERT_EQ(st.second, tm.tm_sec) << t;
    FileTime back;
    ASSERT_TRUE(SystemTimeToFileTime(st, &back));
    ASSERT_EQ(back, ft);
    ASSERT_EQ(TimespecFromFileTime(ft).tv_sec, t);
  }
  // before 1970 the seconds go down and the nanoseconds stay positive
  const timespec ts = TimespecFromFileTime(kUnixEpochAsFileTime - 5000000);  // -0.5 s
  EXPECT_EQ(ts.tv_sec, -1);
  EXPECT_EQ(ts.tv_nsec, 500000000);
  EXPECT_EQ(FileTimeFromTimespec(ts), kUnixEpochAsFileTime - 5000000);
  EXPECT_EQ(FileTimeFromTimespec({-11644473601LL, 0}), 0u);  // before 1601: clamped
}

TEST(FileTime, DosDateAndTimeAtTwoSecondResolution) {
  uint16_t date = 0, time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(At(2023, 6, 15, 13, 45, 37, 900), &date, &time));
  EXPECT_EQ(date, (43 << 9) | (6 << 5) | 15);
  EXPECT_EQ(time, (13 << 11) | (45 << 5) | 18);
  FileTime back;
  ASSERT_TRUE(DosDateTimeToFileTime(date, time, &back));
  EXPECT_EQ(back, At(2023, 6, 15, 13, 45, 36));  // odd second and fraction gone

  // two times within one even second give the same words; the next even
  // second gives larger ones
  uint16_t d1, t1, d2, t2, d3, t3;
  ASSERT_TRUE(FileTimeToDosDateTime(At(2001, 1, 1, 12, 0, 0, 500), &d1, &t1));
  ASSERT_TRUE(FileTimeToDosDateTime(At(2001, 1, 1, 12, 0, 1, 900), &d2, &t2));
  ASSERT_TRUE(FileTimeToDosDateTime(At(2001, 1, 1, 12, 0, 2), &d3, &t3));
  EXPECT_EQ(d1, d2);
  EXPECT_EQ(t1, t2);
  EXPECT_EQ(d3, d1);
  EXPECT_GT(t3, t1);

  // every even second of a few days survives the round trip exactly
  for (FileTime ft = At(2099, 12, 30, 0, 0, 0); ft < At(2100, 1, 2, 0, 0, 0);
       ft += 2 * kFileTimeTicksPerSecond * 97) {
    ASSERT_TRUE(FileTimeToDosDateTime(ft, &date, &time));
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &back));
    ASSERT_EQ(back, ft);
  }

  // the range the 7-bit year can hold
  ASSERT_TRUE(FileTimeToDosDateTime(At(1980, 1, 1, 0, 0, 0), &date, &time));
  EXPECT_EQ(date, 0x0021);
  EXPECT_EQ(time, 0);
  ASSERT_TRUE(FileTimeToDosDateTime(At(2107, 12, 31, 23, 59, 59), &date, &time));
  EXPECT_EQ(date, (127 << 9) | (12 << 5) | 31);
  EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
  date = time = 0x1234;
  EXPECT_FALSE(FileTimeToDosDateTime(At(1979, 12, 31, 23, 59, 59), &date, &time));
  EXPECT_FALSE(FileTimeToDosDateTime(At(1601, 1, 1, 0, 0, 0), &date, &time));
  EXPECT_FALSE(FileTimeToDosDateTime(At(2108, 1, 1, 0, 0, 0), &date, &time));
  EXPECT_EQ(date, 0x1234);  // untouched on failure

  // words that name no real time
  const uint16_t okDate = (20 << 9) | (2 << 5) | 28;
  EXPECT_TRUE(DosDateTimeToFileTime(okDate, 0, &back));
  EXPECT_FALSE(DosDateTimeToFileTime((20 << 9) | (0 << 5) | 1, 0, &back));   // month 0
  EXPECT_FALSE(DosDateTimeToFileTime((20 << 9) | (13 << 5) | 1, 0, &back));  // month 13
  EXPECT_FALSE(DosDateTimeToFileTime((20 << 9) | (1 << 5) | 0, 0, &back));   // day 0
  EXPECT_FALSE(DosDateTimeToFileTime((21 << 9) | (2 << 5) | 29, 0, &back));  // 2001-02-29
  EXPECT_TRUE(DosDateTimeToFileTime((20 << 9) | (2 << 5) | 29, 0, &back));   // 2000-02-29
  EXPECT_FALSE(DosDateTimeToFileTime(okDate, 24 << 11, &back));
  EXPECT_FALSE(DosDateTimeToFileTime(okDate, 60 << 5, &back));
  EXPECT_FALSE(DosDateTimeToFileTime(okDate, 30, &back));  // 60 seconds
}

TEST(FileTime, LocalTimeUsesTheOffsetOfThatInstant) {
  ScopedTz tz("CET-1CEST,M3.5.0,M10.5.0/3");
  FileTime local, utc;
  const FileTime winter = At(2023, 1, 15, 12, 0, 0, 250);
  ASSERT_TRUE(FileTimeToLocalFileTime(winter, &local));
  EXPECT_EQ(local, At(2023, 1, 15, 13, 0, 0, 250));
  ASSERT_TRUE(LocalFileTimeToFileTime(local, &utc));
  EXPECT_EQ(utc, winter);

  const FileTime summer = At(2023, 7, 15, 12, 0, 0);
  ASSERT_TRUE(FileTimeToLocalFileTime(summer, &local));
  EXPECT_EQ(local, At(2023, 7, 15, 14, 0, 0));
  ASSERT_TRUE(LocalFileTimeToFileTime(local, &utc));
  EXPECT_EQ(utc, summer);

  // the night of the change in autumn
  ASSERT_TRUE(FileTimeToLocalFileTime(At(2023, 10, 29, 0, 30, 0), &local));
  EXPECT_EQ(local, At(2023, 10, 29, 2, 30, 0));
  ASSERT_TRUE(FileTimeToLocalFileTime(At(2023, 10, 29, 1, 30, 0), &local));
  EXPECT_EQ(local, At(2023, 10, 29, 2, 30, 0));

  // a zone west of Greenwich before 1970
  ScopedTz ny("EST5");
  ASSERT_TRUE(FileTimeToLocalFileTime(At(1969, 7, 20, 20, 17, 40), &local));
  EXPECT_EQ(local, At(1969, 7, 20, 15, 17, 40));
  ASSERT_TRUE(LocalFileTimeToFileTime(local, &utc));
  EXPECT_EQ(utc, At(1969, 7, 20, 20, 17, 40));
  // local time before 1601 in UTC cannot be had
  EXPECT_FALSE(FileTimeToLocalFileTime(0, &local));
}

TEST(FileTime, SetTimesAreReadBackAndCreationIsLeftAlone) {
  const std::string path = pxtest::TestRoot() + "/tmp/stamp.txt";
  ASSERT_TRUE(pxtest::WriteFile(path, "data"));
  FileTimes before;
  ASSERT_TRUE(GetFileTimes(path, &before));
  struct statx sx;
  ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx), 0);
  const bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0;

  const FileTime creation = At(1999, 1, 1, 0, 0, 0);
  const FileTime access = At(2010, 5, 6, 7, 8, 9, 123) + 4567;
  const FileTime write = At(2001, 2, 3, 4, 5, 6, 700);
  ASSERT_TRUE(SetFileTimes(path, &creation, &access, &write));
  FileTimes after;
  ASSERT_TRUE(GetFileTimes(path, &after));
  EXPECT_EQ(after.lastAccess, access);
  EXPECT_EQ(after.lastWrite, write);
  EXPECT_NE(after.creation, creation);
  if (hasBirth) {
    EXPECT_EQ(after.creation, before.creation);
  }
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(FileTimeFromTimespec(st.st_mtim), write);  // what other tools see

  // a null pointer or a zero time leaves that time as it is
  const FileTime write2 = At(2002, 2, 2, 2, 2, 2);
  const FileTime zero = 0;
  ASSERT_TRUE(SetFileTimes(path, nullptr, &zero, &write2));
  ASSERT_TRUE(GetFileTimes(path, &after));
  EXPECT_EQ(after.lastAccess, access);
  EXPECT_EQ(after.lastWrite, write2);
  ASSERT_TRUE(SetFileTimes(path, nullptr, &write, nullptr));
  ASSERT_TRUE(GetFileTimes(path, &after));
  EXPECT_EQ(after.lastAccess, write);
  EXPECT_EQ(after.lastWrite, write2);

  // the same on open descriptors, before 1970 too
  const int fd = open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  const FileTime old = At(1960, 3, 4, 5, 6, 7, 890);
  ASSERT_TRUE(SetFileTimes(fd, nullptr, &old, &old));
  FileTimes viaFd;
  ASSERT_TRUE(GetFileTimes(fd, &viaFd));
  close(fd);
  EXPECT_EQ(viaFd.lastWrite, old);
  EXPECT_EQ(viaFd.lastAccess, old);
  ASSERT_TRUE(GetFileTimes(path, &after));
  EXPECT_EQ(after.lastWrite, old);

  errno = 0;
  EXPECT_FALSE(GetFileTimes(path + ".missing", &after));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(SetFileTimes(path + ".missing", nullptr, &write, &write));
  EXPECT_FALSE(GetFileTimes(-1, &after));
}
