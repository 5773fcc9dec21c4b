#pragma once
// The facts about the machine that the predefined fields show. The
// interpreter asks only this interface, so a test can hand it a machine of
// its own.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "instari/ui/texts.h"

namespace instari::script {

struct WindowsVersionInfo {
  int major = 0;
  int minor = 0;
  bool win95 = false;  // the platform tests, in the order the fields apply them
  bool winNT = false;
  bool winFW = false;
};

struct KeysHeld {
  bool shift = false;
  bool alt = false;
  bool control = false;
};

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;

  // Locale: abbreviated country name ("DEU"), primary language id (7, 9,
  // ...), decimal point and thousands separator.
  virtual std::string CountryAbbreviation() = 0;
  virtual int LanguageId() = 0;
  virtual NumberLocale Numbers() = 0;

  virtual KeysHeld KeysDown() = 0;
  virtual WindowsVersionInfo Version() = 0;
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  virtual std::string DllName() = 0;
  virtual std::string DllVersion() = 0;
  virtual std::string CpuModel() = 0;
  virtual std::string BsBuild() = 0;
  virtual std::string CpuType() = 0;
  // 1 desktop, 2 programs, 3 start menu, 4 start-up.
  virtual std::string FolderPath(int id) = 0;
  virtual uint64_t PhysicalMemoryBytes() = 0;
  virtual std::string IpAdresse() = 0;
  virtual std::string Netzadapter() = 0;
  virtual std::string Hostname() = 0;
  // nullopt when the user name cannot be found out.
  virtual std::optional<std::string> NetworkUserName() = 0;

  virtual std::tm LocalTime() = 0;
  virtual uint64_t MillisecondsSinceStart() = 0;
};

// This machine's facts, as the operations library and the platform layer
// report them.
class HostSystemFacts : public SystemFacts {
 public:
  std::string CountryAbbreviation() override;
  int LanguageId() override;
  NumberLocale Numbers() override;
  KeysHeld KeysDown() override;
  WindowsVersionInfo Version() override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::string DllName() override;
  std::string DllVersion() override;
  std::string CpuModel() override;
  std::string BsBuild() override;
  std::string CpuType() override;
  std::string FolderPath(int id) override;
  uint64_t PhysicalMemoryBytes() override;
  std::string IpAdresse() override;
  std::string Netzadapter() override;
  std::string Hostname() override;
  std::optional<std::string> NetworkUserName() override;
  std::tm LocalTime() override;
  uint64_t MillisecondsSinceStart() override;
};

}  // namespace instari::script
