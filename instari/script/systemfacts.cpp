#include "instari/script/systemfacts.h"

#include <time.h>

#include "instari/ixstdf32/ixstdf.h"
#include "platform/locale.h"
#include "platform/paths.h"
#include "platform/sysinfo.h"

// The machine's facts as the operations library and the platform layer
// report them, so that a script sees what the library's callers see.
namespace instari::script {

namespace {

std::string Text(const char* libraryResult) { return libraryResult ? libraryResult : ""; }

}  // namespace

std::string HostSystemFacts::CountryAbbreviation() {
  return platform::UserLocale().abbrevCountryName;
}

int HostSystemFacts::LanguageId() { return platform::UserLocale().PrimaryLanguage(); }

NumberLocale HostSystemFacts::Numbers() {
  platform::LocaleInfo l = platform::UserLocale();
  NumberLocale n;
  n.decimalPoint = l.decimalPoint;
  n.thousandsSeparator = l.thousandsSeparator;
  return n;
}

KeysHeld HostSystemFacts::KeysDown() { return {}; }

WindowsVersionInfo HostSystemFacts::Version() {
  const platform::WindowsVersionInfo v = platform::WindowsVersion();
  WindowsVersionInfo out;
  out.major = v.major;
  out.minor = v.minor;
  out.win95 = IsWin95() != 0;
  out.winNT = IsWinNT() != 0;
  out.winFW = IsWinFW() != 0;
  return out;
}

std::string HostSystemFacts::WindowsDirectory() { return platform::WindowsDirectory(); }
std::string HostSystemFacts::SystemDirectory() { return platform::SystemDirectory(); }
std::string HostSystemFacts::DllName() { return Text(GetDllName()); }
std::string HostSystemFacts::DllVersion() { return Text(GetDllVersion()); }
std::string HostSystemFacts::CpuModel() { return Text(GetCpuModel()); }
std::string HostSystemFacts::BsBuild() { return Text(GetBsBuild()); }
std::string HostSystemFacts::CpuType() { return Text(GetCpuType()); }
std::string HostSystemFacts::FolderPath(int id) { return Text(GetFolderPath(id)); }

uint64_t HostSystemFacts::PhysicalMemoryBytes() {
  return platform::DefaultSystemSource().PhysicalMemoryBytes();
}

std::string HostSystemFacts::Hostname() { return Text(GetHostname()); }
std::string HostSystemFacts::IpAdresse() { return Text(GetIpAdresse()); }
std::string HostSystemFacts::Netzadapter() { return Text(GetNetzadapter()); }

std::optional<std::string> HostSystemFacts::NetworkUserName() {
  return platform::DefaultSystemSource().UserName();
}

std::tm HostSystemFacts::LocalTime() {
  time_t now = time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return t;
}

uint64_t HostSystemFacts::MillisecondsSinceStart() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace instari::script
