#pragma once
// What the machine is, in the terms of the Windows version and system
// information calls: version and platform, processor type and revision,
// host name and address, network adapters, memory and user.
//
// Every fact comes through a SystemSource so that callers and tests can put
// in a machine of their own; DefaultSystemSource() reads this host.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// dwPlatformId of the version call.
enum class WinPlatform : uint32_t { Win32s = 0, Windows = 1, NT = 2 };

struct WindowsVersionInfo {
  uint32_t major = 0;
  uint32_t minor = 0;
  // Windows 95 keeps major and minor in the high word, as the real one does.
  uint32_t build = 0;
  WinPlatform platform = WinPlatform::NT;
  std::string csd;  // service-pack text, may be empty
};

// "MAJOR.MINOR[.BUILD][-nt|-95]", as in "3.10", "4.0-95", "4.0-nt",
// "4.0.1381-nt". Without a suffix 4 and above is NT and below 4 the 3.x
// platform. Without a build the usual one of that version is taken.
// nullopt when the text is malformed.
std::optional<WindowsVersionInfo> ParseWindowsVersion(std::string_view text);

// TERVOLA_WINVER when it is set and well-formed, else NT with major, minor
// and build from the kernel release (uname).
WindowsVersionInfo WindowsVersion();

// Processor facts of the system information call.
inline constexpr uint16_t PROCESSOR_ARCHITECTURE_INTEL = 0;
inline constexpr uint16_t PROCESSOR_ARCHITECTURE_MIPS = 1;
inline constexpr uint16_t PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;
inline constexpr uint32_t PROCESSOR_INTEL_386 = 386;
inline constexpr uint32_t PROCESSOR_INTEL_486 = 486;
inline constexpr uint32_t PROCESSOR_INTEL_PENTIUM = 586;
inline constexpr uint32_t PROCESSOR_MIPS_R4000 = 4000;

struct CpuDescription {
  uint16_t architecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
  uint32_t processorType = 0;
  uint16_t revision = 0;  // model in the high byte, stepping in the low byte
};

// The first processor of a /proc/cpuinfo text: x86 family 3 → 386, 4 → 486,
// 5 and later → Pentium (as Windows reports every later one), revision from
// model and stepping; a MIPS R4000 is recognised; anything else is of
// unknown architecture.
CpuDescription ParseCpuInfo(std::string_view text);

// One network adapter as NetBIOS numbers it.
struct NetAdapter {
  int number = 0;  // the interface index
  // Non-zero: the adapter reset fails with this return code.
  int resetCode = 0;
  // nullopt: the status request fails (no 6-byte hardware address).
  std::optional<std::array<uint8_t, 6>> address;
};

// The adapters under a /sys/class/net directory, loopback skipped, ordered
// by number; nullopt when the directory cannot be read.
std::optional<std::vector<NetAdapter>> ListNetAdapters(const std::string& classNetDir);

class SystemSource {
 public:
  virtual ~SystemSource() = default;
  virtual WindowsVersionInfo Version();
  virtual CpuDescription Cpu();
  virtual std::optional<std::string> HostName();
  // The first IPv4 address of a host name, in network order.
  virtual std::optional<std::array<uint8_t, 4>> ResolveIPv4(const std::string& host);
  // nullopt: the adapters cannot be enumerated.
  virtual std::optional<std::vector<NetAdapter>> Adapters();
  virtual uint64_t PhysicalMemoryBytes();
  // Login name of the user running the program; nullopt when unknown.
  virtual std::optional<std::string> UserName();
};

// The source that reads this host.
SystemSource& DefaultSystemSource();

}  // namespace platform
