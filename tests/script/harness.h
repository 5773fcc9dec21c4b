#pragma once
// Runs script texts through the interpreter with fixed system facts and the
// scripted UI, and reads back fields and reports.

#include <unistd.h>

#include <string>
#include <vector>

#include "common/testutil.h"
#include "instari/script/interpreter.h"
#include "instari/ui/scriptedui.h"

namespace scripttest {

struct FakeFacts : instari::script::SystemFacts {
  std::string country = "DEU";
  int language = 7;
  instari::NumberLocale numbers{",", "."};
  instari::script::KeysHeld keys;
  instari::script::WindowsVersionInfo version{4, 0, false, true, false};
  uint64_t memory = 64ull << 20;
  std::string hostname = "buildhost";
  std::optional<std::string> user = std::string("Anna");
  std::tm now{};
  uint64_t ticks = 123456;
  int hostnameCalls = 0;

  FakeFacts() {
    now.tm_year = 97;
    now.tm_mon = 9;
    now.tm_mday = 17;
    now.tm_hour = 9;
    now.tm_min = 10;
    now.tm_sec = 26;
    now.tm_wday = 5;
    now.tm_yday = 289;
  }
  std::string CountryAbbreviation() override { return country; }
  int LanguageId() override { return language; }
  instari::NumberLocale Numbers() override { return numbers; }
  instari::script::KeysHeld KeysDown() override { return keys; }
  instari::script::WindowsVersionInfo Version() override { return version; }
  std::string WindowsDirectory() override { return "/win"; }
  std::string SystemDirectory() override { return "/win/system"; }
  std::string DllName() override { return "ixstdf32"; }
  std::string DllVersion() override { return "2.1"; }
  std::string CpuModel() override { return "Model: 5, Stepping: 2"; }
  std::string BsBuild() override { return "Build: 1381"; }
  std::string CpuType() override { return "Intel Pentium"; }
  std::string FolderPath(int id) override { return "/folder" + std::to_string(id); }
  uint64_t PhysicalMemoryBytes() override { return memory; }
  std::string IpAdresse() override { return "10.0.0.7"; }
  std::string Netzadapter() override { return "00a0c9123456"; }
  std::string Hostname() override {
    ++hostnameCalls;
    return hostname;
  }
  std::optional<std::string> NetworkUserName() override { return user; }
  std::tm LocalTime() override { return now; }
  uint64_t MillisecondsSinceStart() override { return ticks; }
};

struct Harness {
  FakeFacts facts;
  instari::ScriptedUi ui;
  instari::script::Interpreter in{ui, facts};
  int exitCode = -1;

  // Writes the script as name in the test directory and runs it from there.
  int Run(const std::string& script, const std::string& name = "setup.inf") {
    pxtest::WriteFile(pxtest::TestRoot() + "/" + name, script);
    if (chdir(pxtest::TestRoot().c_str()) != 0) return -1;
    exitCode = in.RunScript({"instari", name});
    return exitCode;
  }
  // A field's value, "<none>" when there is no such field.
  std::string F(const std::string& name) {
    const std::string* v = in.Fields().Find(name);
    return v ? *v : "<none>";
  }
  std::vector<std::string> Reports() const {
    std::vector<std::string> r;
    for (const auto& m : ui.Messages()) r.push_back(m.text);
    return r;
  }
  // The ">>>>>> " lines of all reports, in order.
  std::vector<std::string> Errors() const {
    std::vector<std::string> r;
    for (const auto& m : ui.Messages()) {
      size_t at = m.text.find(">>>>>> ");
      if (at == std::string::npos) {
        r.push_back(m.text);
        continue;
      }
      size_t end = m.text.find('\n', at);
      r.push_back(m.text.substr(at + 7, end - at - 7));
    }
    return r;
  }
};

}  // namespace scripttest
