#include "platform/sysinfo.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/fileio.h"

namespace platform {

namespace {

// Parses a decimal number at the front of s and drops it from s.
std::optional<uint32_t> TakeNumber(std::string_view& s) {
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end == s.data()) return std::nullopt;
  s.remove_prefix(static_cast<size_t>(end - s.data()));
  return v;
}

uint32_t UsualBuild(uint32_t major, uint32_t minor, WinPlatform p) {
  struct Known {
    uint32_t major, minor;
    WinPlatform platform;
    uint32_t build;
  };
  static constexpr Known kKnown[] = {
      {3, 10, WinPlatform::NT, 511},       {3, 50, WinPlatform::NT, 807},
      {3, 51, WinPlatform::NT, 1057},      {4, 0, WinPlatform::NT, 1381},
      {5, 0, WinPlatform::NT, 2195},       {5, 1, WinPlatform::NT, 2600},
      {4, 0, WinPlatform::Windows, 950},   {4, 10, WinPlatform::Windows, 1998},
      {4, 90, WinPlatform::Windows, 3000},
  };
  uint32_t build = 0;
  for (const Known& k : kKnown)
    if (k.major == major && k.minor == minor && k.platform == p) build = k.build;
  return build;
}

std::string Lowered(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::optional<uint32_t> NumberIn(std::string_view s) {
  s = Trim(s);
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "00:1a:2b:3c:4d:5e"
std::optional<std::array<uint8_t, 6>> ParseMac(std::string_view s) {
  s = Trim(s);
  if (s.size() != 17) return std::nullopt;
  std::array<uint8_t, 6> mac{};
  for (size_t i = 0; i < 6; ++i) {
    int hi = HexDigit(s[i * 3]), lo = HexDigit(s[i * 3 + 1]);
    if (hi < 0 || lo < 0 || (i < 5 && s[i * 3 + 2] != ':')) return std::nullopt;
    mac[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return mac;
}

}  // namespace

std::optional<WindowsVersionInfo> ParseWindowsVersion(std::string_view text) {
  WindowsVersionInfo v;
  std::string_view s = Trim(text);
  auto major = TakeNumber(s);
  if (!major || s.empty() || s.front() != '.') return std::nullopt;
  s.remove_prefix(1);
  auto minor = TakeNumber(s);
  if (!minor) return std::nullopt;
  std::optional<uint32_t> build;
  if (!s.empty() && s.front() == '.') {
    s.remove_prefix(1);
    build = TakeNumber(s);
    if (!build || *build > 0xFFFF) return std::nullopt;
  }
  v.major = *major;
  v.minor = *minor;
  if (v.major > 255 || v.minor > 255) return std::nullopt;
  if (s.empty()) {
    v.platform = v.major >= 4 ? WinPlatform::NT : WinPlatform::Win32s;
  } else if (s.front() == '-') {
    std::string suffix = Lowered(s.substr(1));
    if (suffix == "nt")
      v.platform = WinPlatform::NT;
    else if (suffix == "95")
      v.platform = WinPlatform::Windows;
    else
      return std::nullopt;
  } else {
    return std::nullopt;
  }
  v.build = build ? *build : UsualBuild(v.major, v.minor, v.platform);
  if (v.platform == WinPlatform::Windows) v.build |= (v.major << 24) | (v.minor << 16);
  return v;
}

WindowsVersionInfo WindowsVersion() {
  if (const char* env = getenv("TERVOLA_WINVER"); env && *env)
    if (auto v = ParseWindowsVersion(env)) return *v;
  WindowsVersionInfo v;
  v.platform = WinPlatform::NT;
  utsname u{};
  if (uname(&u) == 0) {
    std::string_view s = u.release;
    if (auto major = TakeNumber(s)) v.major = *major;
    if (!s.empty() && s.front() == '.') {
      s.remove_prefix(1);
      if (auto minor = TakeNumber(s)) v.minor = *minor;
    }
    if (!s.empty() && s.front() == '.') {
      s.remove_prefix(1);
      if (auto build = TakeNumber(s)) v.build = *build & 0xFFFF;
    }
  }
  return v;
}

CpuDescription ParseCpuInfo(std::string_view text) {
  std::optional<uint32_t> family, model, stepping;
  std::string cpuModel;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (Trim(line).empty()) {
      if (family || !cpuModel.empty()) break;  // the first processor is enough
      continue;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string key = Lowered(Trim(line.substr(0, colon)));
    std::string_view value = line.substr(colon + 1);
    if (key == "cpu family" && !family)
      family = NumberIn(value);
    else if (key == "model" && !model)
      model = NumberIn(value);
    else if (key == "stepping" && !stepping)
      stepping = NumberIn(value);
    else if (key == "cpu model" && cpuModel.empty())
      cpuModel = Lowered(Trim(value));
  }
  CpuDescription d;
  if (family) {
    d.architecture = PROCESSOR_ARCHITECTURE_INTEL;
    d.processorType = *family <= 3   ? PROCESSOR_INTEL_386
                      : *family == 4 ? PROCESSOR_INTEL_486
                                     : PROCESSOR_INTEL_PENTIUM;
    d.revision =
        static_cast<uint16_t>(((model.value_or(0) & 0xFF) << 8) | (stepping.value_or(0) & 0xFF));
  } else if (cpuModel.find("r4000") != std::string::npos) {
    d.architecture = PROCESSOR_ARCHITECTURE_MIPS;
    d.processorType = PROCESSOR_MIPS_R4000;
  }
  return d;
}

std::optional<std::vector<NetAdapter>> ListNetAdapters(const std::string& classNetDir) {
  DIR* dir = opendir(classNetDir.c_str());
  if (!dir) return std::nullopt;
  std::vector<NetAdapter> list;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    std::string base = classNetDir + "/" + e->d_name + "/";
    auto index = ReadWholeFile(base + "ifindex");
    auto number = index ? NumberIn(*index) : std::nullopt;
    if (!number || *number > 0x7FFFFFFF) continue;
    auto flags = ReadWholeFile(base + "flags");
    unsigned long f = flags ? strtoul(flags->c_str(), nullptr, 16) : 0;
    if (f & 0x8) continue;  // IFF_LOOPBACK
    NetAdapter a;
    a.number = static_cast<int>(*number);
    if (auto addr = ReadWholeFile(base + "address")) a.address = ParseMac(*addr);
    list.push_back(a);
  }
  closedir(dir);
  std::sort(list.begin(), list.end(),
            [](const NetAdapter& a, const NetAdapter& b) { return a.number < b.number; });
  return list;
}

WindowsVersionInfo SystemSource::Version() { return WindowsVersion(); }

CpuDescription SystemSource::Cpu() {
  auto text = ReadWholeFile("/proc/cpuinfo");
  return text ? ParseCpuInfo(*text) : CpuDescription{};
}

std::optional<std::string> SystemSource::HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::nullopt;
  return std::string(name);
}

std::optional<std::array<uint8_t, 4>> SystemSource::ResolveIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* res = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return std::nullopt;
  std::optional<std::array<uint8_t, 4>> out;
  for (addrinfo* p = res; p && !out; p = p->ai_next) {
    if (p->ai_family != AF_INET || !p->ai_addr) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
    std::array<uint8_t, 4> a{};
    memcpy(a.data(), &sin->sin_addr, 4);
    out = a;
  }
  freeaddrinfo(res);
  return out;
}

std::optional<std::vector<NetAdapter>> SystemSource::Adapters() {
  return ListNetAdapters("/sys/class/net");
}

uint64_t SystemSource::PhysicalMemoryBytes() {
  struct sysinfo si {};
  if (sysinfo(&si) != 0) return 0;
  return static_cast<uint64_t>(si.totalram) * si.mem_unit;
}

std::optional<std::string> SystemSource::UserName() {
  passwd pw{}, *found = nullptr;
  std::vector<char> buf(16384);
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) != 0 || !found) {
    if (const char* u = getenv("USER"); u && *u) return std::string(u);
    return std::nullopt;
  }
  return std::string(pw.pw_name);
}

SystemSource& DefaultSystemSource() {
  static SystemSource source;
  return source;
}

}  // namespace platform
