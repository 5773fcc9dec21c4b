#pragma once
// A clean process state for every test of the capture program's core: the
// settings records, the trace log and the language number are process-wide.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/lang/sprache.h"

namespace apptest {

class AppTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"LANG", "LC_ALL", "LC_MESSAGES", "PATH", "TERVOLA_WINVER"}) {
      const char* v = getenv(name);
      if (v) saved_[name] = v;
    }
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("TERVOLA_WINVER");
    setenv("LANG", "en_US.UTF-8", 1);
    Reset();
  }
  void TearDown() override {
    Reset();
    for (const char* name : {"LANG", "LC_ALL", "LC_MESSAGES", "PATH", "TERVOLA_WINVER"}) {
      auto it = saved_.find(name);
      if (it != saved_.end())
        setenv(name, it->second.c_str(), 1);
      else
        unsetenv(name);
    }
  }
  static void Reset() {
    prentix::ResetTraceLog();
    prentix::LiveSettings() = prentix::Settings();
    prentix::WorkingSettings() = prentix::Settings();
    prentix::ClearSettingsApplied();
    prentix::SetProfileName(prentix::kProfileName);
    prentix::Sprache = 0;
  }
  static std::string IniPath() { return pxtest::TestRoot() + "/windows/prentix.ini"; }
  static void WriteIni(const std::string& text) { ASSERT_TRUE(pxtest::WriteFile(IniPath(), text)); }

 private:
  std::map<std::string, std::string> saved_;
};

// Splits a log into its messages, each checked to start with a time stamp
// "yy-mm-dd hh:mm:ss " (years since 1900) and returned without it.
std::vector<std::string> LogMessages(const std::string& log);

}  // namespace apptest
