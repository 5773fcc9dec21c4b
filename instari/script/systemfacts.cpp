#include "instari/script/systemfacts.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>

#include "platform/paths.h"

// Stand-ins until the operations library and the platform locale and
// system-information modules provide these: locale (country, language,
// separators), version, CPU texts, folders, IP address, adapters, host and
// user names. The lead swaps them by handing the interpreter another
// SystemFacts.

namespace instari::script {

namespace {

std::string LocaleName() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = getenv(var);
    if (v && *v) return v;
  }
  return "C";
}

std::string Lowered(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

std::string HostSystemFacts::CountryAbbreviation() {
  static const std::map<std::string, std::string> kCountries = {
      {"DE", "DEU"}, {"AT", "AUT"}, {"CH", "CHE"}, {"US", "USA"}, {"GB", "GBR"},
      {"FR", "FRA"}, {"BE", "BEL"}, {"IT", "ITA"}, {"ES", "ESP"}, {"NL", "NLD"},
      {"PL", "POL"}, {"SE", "SWE"}, {"CA", "CAN"}, {"AU", "AUS"}};
  std::string name = LocaleName();
  size_t underscore = name.find('_');
  if (underscore == std::string::npos) return "USA";
  std::string territory = name.substr(underscore + 1, 2);
  auto it = kCountries.find(territory);
  return it == kCountries.end() ? "USA" : it->second;
}

int HostSystemFacts::LanguageId() {
  static const std::map<std::string, int> kLanguages = {
      {"de", 7}, {"en", 9}, {"es", 10}, {"fr", 12}, {"it", 16}, {"nl", 19}, {"pl", 21}, {"sv", 29}};
  auto it = kLanguages.find(LocaleName().substr(0, 2));
  return it == kLanguages.end() ? 9 : it->second;
}

NumberLocale HostSystemFacts::Numbers() {
  NumberLocale n;
  const lconv* l = localeconv();
  if (l && l->decimal_point && *l->decimal_point) n.decimalPoint = l->decimal_point;
  if (l && l->thousands_sep && *l->thousands_sep) n.thousandsSeparator = l->thousands_sep;
  return n;
}

KeysHeld HostSystemFacts::KeysDown() { return {}; }

std::optional<WindowsVersionInfo> ParseWindowsVersion(const std::string& text) {
  WindowsVersionInfo v;
  char suffix[16] = "";
  int n = sscanf(text.c_str(), "%d.%d-%15s", &v.major, &v.minor, suffix);
  if (n < 2 || v.major < 0 || v.minor < 0) return std::nullopt;
  std::string s = Lowered(suffix);
  if (s == "nt" || (s.empty() && v.major >= 4)) {
    v.winNT = true;
  } else if (s == "95") {
    v.win95 = true;
  } else if (!s.empty()) {
    return std::nullopt;
  }
  return v;
}

WindowsVersionInfo HostSystemFacts::Version() {
  if (const char* env = getenv("TERVOLA_WINVER"); env && *env)
    if (std::optional<WindowsVersionInfo> v = ParseWindowsVersion(env)) return *v;
  WindowsVersionInfo v;
  v.winNT = true;
  utsname u{};
  if (uname(&u) == 0) sscanf(u.release, "%d.%d", &v.major, &v.minor);
  return v;
}

std::string HostSystemFacts::WindowsDirectory() { return platform::WindowsDirectory(); }
std::string HostSystemFacts::SystemDirectory() { return platform::SystemDirectory(); }
std::string HostSystemFacts::DllName() { return "libixstdf32.so"; }
std::string HostSystemFacts::DllVersion() { return "1.0"; }

std::string HostSystemFacts::CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  int model = -1, stepping = -1;
  while (std::getline(in, line) && (model < 0 || stepping < 0)) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = line.substr(0, line.find_last_not_of(" \t", colon - 1) + 1);
    if (key == "model") model = atoi(line.c_str() + colon + 1);
    if (key == "stepping") stepping = atoi(line.c_str() + colon + 1);
  }
  if (model < 0 || stepping < 0) return "";
  char buffer[56];
  snprintf(buffer, sizeof buffer, "Model: %u, Stepping: %u", model & 0xFF, stepping & 0xFF);
  return buffer;
}

std::string HostSystemFacts::BsBuild() {
  utsname u{};
  if (uname(&u) != 0) return "Build: 0";
  int a = 0, b = 0, c = 0;
  sscanf(u.release, "%d.%d.%d", &a, &b, &c);
  return "Build: " + std::to_string(c & 0xFFFF);
}

std::string HostSystemFacts::CpuType() {
  utsname u{};
  if (uname(&u) == 0 && (strstr(u.machine, "86") || strcmp(u.machine, "x86_64") == 0))
    return "Intel Pentium";
  return "unbekannt";
}

std::string HostSystemFacts::FolderPath(int id) {
  std::string windir = platform::WindowsDirectory();
  std::string programs = windir + "/Start Menu/Programs";
  switch (id) {
    case 1: {
      const char* desktop = getenv("XDG_DESKTOP_DIR");
      if (desktop && *desktop) return desktop;
      const char* home = getenv("HOME");
      return std::string(home ? home : "") + "/Desktop";
    }
    case 2:
      return programs;
    case 3:
      return windir + "/Start Menu";
    case 4:
      return programs + "/Startup";
  }
  return "";
}

uint64_t HostSystemFacts::PhysicalMemoryBytes() {
  struct sysinfo s {};
  if (sysinfo(&s) != 0) return 0;
  return static_cast<uint64_t>(s.totalram) * s.mem_unit;
}

std::string HostSystemFacts::Hostname() {
  char name[256] = "";
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return Lowered(name);
}

std::string HostSystemFacts::IpAdresse() {
  char name[256] = "";
  if (gethostname(name, sizeof name - 1) != 0) return "";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return "";
  const auto* a = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const auto* b = reinterpret_cast<const unsigned char*>(&a->sin_addr.s_addr);
  char text[56];
  snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  freeaddrinfo(found);
  return text;
}

std::string HostSystemFacts::Netzadapter() {
  std::map<int, std::string> byIndex;
  if (DIR* d = opendir("/sys/class/net")) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == ".." || name == "lo") continue;
      std::ifstream addr("/sys/class/net/" + name + "/address");
      std::ifstream index("/sys/class/net/" + name + "/ifindex");
      std::string mac;
      int n = 0;
      if (!(addr >> mac) || !(index >> n)) continue;
      std::string hex;
      for (char c : mac)
        if (c != ':') hex += c;
      byIndex[n] = Lowered(hex);
    }
    closedir(d);
  }
  std::string result;
  for (const auto& [n, hex] : byIndex) {
    if (!result.empty()) result += ", ";
    result += hex;
    if (n != 0) result += "(" + std::to_string(n) + ")";
  }
  return result.substr(0, 255);
}

std::optional<std::string> HostSystemFacts::NetworkUserName() {
  passwd* pw = getpwuid(getuid());
  if (!pw || !pw->pw_name) return std::nullopt;
  return std::string(pw->pw_name);
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
