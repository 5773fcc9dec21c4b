#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/apptest.h"

namespace {

using apptest::AppTest;
using apptest::LogMessages;

// A format that is not a literal, past the compiler's format check.
void LogFormatV(const char* format, ...) {
  va_list args;
  va_start(args, format);
  prentix::VTraceLog(format, args);
  va_end(args);
}
void LogFormat(const std::string& format) { LogFormatV(format.c_str()); }

TEST_F(AppTest, TimeStampCountsYearsFrom1900) {
  std::tm t{};
  t.tm_year = 97;
  t.tm_mon = 9;
  t.tm_mday = 17;
  t.tm_hour = 15;
  t.tm_min = 42;
  t.tm_sec = 32;
  EXPECT_EQ(prentix::TraceTimeStamp(t), "97-10-17 15:42:32");
  t = std::tm{};
  t.tm_year = 126;
  t.tm_mday = 2;
  t.tm_hour = 3;
  t.tm_min = 4;
  t.tm_sec = 5;
  EXPECT_EQ(prentix::TraceTimeStamp(t), "126-01-02 03:04:05");
}

TEST_F(AppTest, TraceLogLinesFlushTruncateAndReopen) {
  const std::string path = pxtest::TestRoot() + "/trace.log";
  ASSERT_TRUE(pxtest::WriteFile(path, "old content of an earlier run\n"));

  prentix::TraceLog("nothing: logging is off\n");
  EXPECT_FALSE(prentix::TraceLogOpen());
  EXPECT_EQ(pxtest::ReadFile(path), "old content of an earlier run\n");

  prentix::LiveSettings().Logging = path;
  prentix::TraceLog("OnPrintWindow() hWndSelect %s\n", "ok");
  EXPECT_TRUE(prentix::TraceLogOpen());
  // on disk at once, the old content gone
  EXPECT_EQ(LogMessages(pxtest::ReadFile(path)),
            std::vector<std::string>{"OnPrintWindow() hWndSelect ok\n"});
  prentix::TraceLog("%d%% of %s, %x\n", 50, "Grüße", 255u);
  EXPECT_EQ(LogMessages(pxtest::ReadFile(path)),
            (std::vector<std::string>{"OnPrintWindow() hWndSelect ok\n", "50% of Grüße, ff\n"}));

  // a message far longer than the format is written whole
  std::string longText(5000, 'x');
  prentix::TraceLog("long %s end\n", longText.c_str());
  EXPECT_EQ(LogMessages(pxtest::ReadFile(path)).back(), "long " + longText + " end\n");

  // close: the next line starts an empty file
  prentix::CloseTraceLog();
  EXPECT_FALSE(prentix::TraceLogOpen());
  prentix::TraceLog("after close\n");
  EXPECT_EQ(LogMessages(pxtest::ReadFile(path)), std::vector<std::string>{"after close\n"});
  // closed for a viewer: the lines are kept, once
  prentix::CloseTraceLog(true);
  prentix::TraceLog("after the viewer\n");
  EXPECT_EQ(LogMessages(pxtest::ReadFile(path)),
            (std::vector<std::string>{"after close\n", "after the viewer\n"}));
  prentix::CloseTraceLog();
  prentix::TraceLog("new\n");
  EXPECT_EQ(LogMessages(pxtest::ReadFile(path)), std::vector<std::string>{"new\n"});
  prentix::CloseTraceLog();

  // a DOS path goes through the drive table
  ASSERT_TRUE(pxtest::WriteFile(pxtest::TestRoot() + "/windows/win.ini",
                                "[Drives]\nD=" + pxtest::TestRoot() + "\n"));
  prentix::LiveSettings().Logging = "D:\\dos.log";
  prentix::TraceLog("dos\n");
  EXPECT_EQ(LogMessages(pxtest::ReadFile(pxtest::TestRoot() + "/dos.log")),
            std::vector<std::string>{"dos\n"});
}

TEST_F(AppTest, FormatsLongerThan1024WriteOnlyTheTimeStamp) {
  const std::string path = pxtest::TestRoot() + "/trace.log";
  prentix::LiveSettings().Logging = path;
  LogFormat(std::string(1023, 'a') + "\n");  // 1024: written
  LogFormat(std::string(1024, 'b') + "\n");  // 1025: time stamp and blank only
  prentix::TraceLog("next\n");
  std::string log = pxtest::ReadFile(path);
  std::vector<std::string> messages = LogMessages(log);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], std::string(1023, 'a') + "\n");
  // the cut line and the next share one line: "stamp stamp next"
  EXPECT_EQ(log.find('b'), std::string::npos);
  EXPECT_EQ(LogMessages(messages[1]), std::vector<std::string>{"next\n"});
}

TEST_F(AppTest, LogThatCannotBeCreatedStaysOffSilently) {
  const std::string dir = pxtest::TestRoot() + "/missing";
  prentix::LiveSettings().Logging = dir + "/prentix.log";
  prentix::TraceLog("first\n");
  EXPECT_TRUE(prentix::TraceLogFailed());
  EXPECT_FALSE(prentix::TraceLogOpen());
  EXPECT_FALSE(std::filesystem::exists(dir));

  // off for the rest of the run, even once the directory is there
  ASSERT_TRUE(std::filesystem::create_directory(dir));
  prentix::TraceLog("second\n");
  prentix::CloseTraceLog();
  prentix::TraceLog("third\n");
  EXPECT_FALSE(std::filesystem::exists(dir + "/prentix.log"));

  // a new run tries again
  prentix::ResetTraceLog();
  prentix::TraceLog("fourth\n");
  EXPECT_EQ(LogMessages(pxtest::ReadFile(dir + "/prentix.log")),
            std::vector<std::string>{"fourth\n"});

  // an unmapped drive and a directory as the path fail the same way
  prentix::ResetTraceLog();
  prentix::LiveSettings().Logging = "Q:\\prentix.log";
  prentix::TraceLog("x\n");
  EXPECT_TRUE(prentix::TraceLogFailed());
  prentix::ResetTraceLog();
  prentix::LiveSettings().Logging = dir;
  prentix::TraceLog("x\n");
  EXPECT_TRUE(prentix::TraceLogFailed());
}

}  // namespace
