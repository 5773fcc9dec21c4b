// System information of the library over the platform's system source.
#include <cctype>
#include <cstdio>
#include <string>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/ixstdf.h"
#include "instari/ixstdf32/ixsystem.h"
#include "platform/sysinfo.h"

using namespace ixstdf;

namespace {

platform::SystemSource* g_source = nullptr;

platform::SystemSource& Source() { return g_source ? *g_source : platform::DefaultSystemSource(); }

// NetBIOS return code of a failed adapter enumeration (NRC_SYSTEM).
constexpr int kNrcSystem = 0x40;

}  // namespace

namespace ixstdf {
void SetSystemSource(platform::SystemSource* source) { g_source = source; }
}  // namespace ixstdf

extern "C" {

char* GetBsBuild(void) {
  static ResultBuffer<104> result;
  ClearError();
  platform::WindowsVersionInfo v = Source().Version();
  std::string text = "Build: " + std::to_string(v.build & 0xFFFF);
  if (!v.csd.empty()) text += ", " + v.csd;
  return result.SetText(text);
}

char* GetCpuType(void) {
  static char i386[] = "Intel 386", i486[] = "Intel 486", pentium[] = "Intel Pentium",
              r4000[] = "Mips R4000", unknown[] = "unbekannt";
  ClearError();
  switch (Source().Cpu().processorType) {
    case platform::PROCESSOR_INTEL_386:
      return i386;
    case platform::PROCESSOR_INTEL_486:
      return i486;
    case platform::PROCESSOR_INTEL_PENTIUM:
      return pentium;
    case platform::PROCESSOR_MIPS_R4000:
      return r4000;
    default:
      return unknown;
  }
}

char* GetCpuModel(void) {
  static ResultBuffer<56> result;
  result.Clear();
  ClearError();
  platform::CpuDescription cpu = Source().Cpu();
  if (cpu.architecture != platform::PROCESSOR_ARCHITECTURE_INTEL) return result.Data();
  unsigned high = cpu.revision >> 8, low = cpu.revision & 0xFF;
  char text[56];
  if (cpu.processorType == platform::PROCESSOR_INTEL_386 ||
      cpu.processorType == platform::PROCESSOR_INTEL_486)
    snprintf(text, sizeof text, "Chip: %c, Stepping: %u", static_cast<char>('A' + high), low);
  else
    snprintf(text, sizeof text, "Model: %u, Stepping: %u", high, low);
  return result.SetText(text);
}

char* GetWindowsVersion(void) {
  static ResultBuffer<52> result;
  ClearError();
  platform::WindowsVersionInfo v = Source().Version();
  return result.SetText(std::to_string(v.major) + "." + std::to_string(v.minor));
}

int IsWin95(void) {
  ClearError();
  return Source().Version().platform != platform::WinPlatform::NT;
}

int IsWinNT(void) {
  ClearError();
  return Source().Version().platform == platform::WinPlatform::NT;
}

int IsWinFW(void) {
  ClearError();
  return 0;
}
// One operation under both names.
int IsWin3(void) __attribute__((alias("IsWinFW")));

int IsWin4(void) {
  ClearError();
  return Source().Version().major > 3;
}

char* GetHostname(void) {
  static ResultBuffer<256> result;
  ClearError();
  auto name = Source().HostName();
  if (!name) return result.Data();
  std::string lower = *name;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return result.SetText(lower);
}

char* GetIpAdresse(void) {
  static ResultBuffer<56> result;
  ClearError();
  auto name = Source().HostName();
  if (!name) return result.Data();
  auto address = Source().ResolveIPv4(*name);
  if (!address) return result.Data();
  char text[56];
  snprintf(text, sizeof text, "%d.%d.%d.%d", (*address)[0], (*address)[1], (*address)[2],
           (*address)[3]);
  return result.SetText(text);
}

char* GetNetzadapter(void) {
  static ResultBuffer<256> result;
  ClearError();
  auto adapters = Source().Adapters();
  char text[64];
  if (!adapters) {
    Fail("GetNetzadapter: Fehler bei netbios");
    snprintf(text, sizeof text, "??? Error: %d bei Netbios Enum", kNrcSystem);
    return result.SetText(text);
  }
  result.Clear();
  // the enumeration holds at most 254 adapter numbers
  size_t count = adapters->size() < 254 ? adapters->size() : 254;
  for (size_t i = 0; i < count; ++i) {
    const platform::NetAdapter& a = (*adapters)[i];
    if (a.resetCode != 0) {
      Fail("GetNetzadapter: Fehler bei netbios");
      snprintf(text, sizeof text, "??? Error: %d", a.resetCode);
      result.SetText(text);
      break;
    }
    if (!a.address) continue;
    const auto& m = *a.address;
    std::string entry = i > 0 ? ", " : "";
    snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    entry += text;
    if (a.number != 0) entry += "(" + std::to_string(a.number) + ")";
    // whole entries only: a list that fills the buffer ends before the one
    // that does not fit
    if (!result.AppendWhole(entry)) break;
  }
  return result.Data();
}

}  // extern "C"
