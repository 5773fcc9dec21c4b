#include <stdlib.h>

#include <filesystem>

#include "common/testutil.h"
#include "instari/ixstdf32/ixsystem.h"
#include "ixtest.h"
#include "platform/sysinfo.h"

using ixtest::IxStdF;

namespace {

// A machine of the test's own.
class FakeMachine : public platform::SystemSource {
 public:
  platform::CpuDescription cpu;
  std::optional<std::string> host = "Build-HOST";
  std::optional<std::array<uint8_t, 4>> ip = std::array<uint8_t, 4>{192, 168, 10, 7};
  std::optional<std::vector<platform::NetAdapter>> adapters;
  platform::CpuDescription Cpu() override { return cpu; }
  std::optional<std::string> HostName() override { return host; }
  std::optional<std::array<uint8_t, 4>> ResolveIPv4(const std::string& name) override {
    return name == *host ? ip : std::nullopt;
  }
  std::optional<std::vector<platform::NetAdapter>> Adapters() override { return adapters; }
};

class Injected : public IxStdF {
 protected:
  void SetUp() override {
    IxStdF::SetUp();
    ixstdf::SetSystemSource(&machine);
  }
  void TearDown() override {
    ixstdf::SetSystemSource(nullptr);
    unsetenv("TERVOLA_WINVER");
    IxStdF::TearDown();
  }
  FakeMachine machine;
};

platform::NetAdapter Adapter(int number, std::optional<std::array<uint8_t, 6>> mac) {
  platform::NetAdapter a;
  a.number = number;
  a.address = mac;
  return a;
}

}  // namespace

TEST_F(Injected, WindowsVersionsUnderTheOverride) {
  struct Case {
    const char* winver;
    const char* version;
    int win95, winNT, win4;
    const char* build;
  };
  const Case cases[] = {
      {"4.0-nt", "4.0", 0, 1, 1, "Build: 1381"},      {"4.0", "4.0", 0, 1, 1, "Build: 1381"},
      {"4.0-95", "4.0", 1, 0, 1, "Build: 950"},  // 0x040003B6: the high word is dropped
      {"3.10", "3.10", 1, 0, 0, "Build: 0"},          {"3.51-NT", "3.51", 0, 1, 0, "Build: 1057"},
      {"5.1.2600-nt", "5.1", 0, 1, 1, "Build: 2600"},
  };
  for (const Case& c : cases) {
    setenv("TERVOLA_WINVER", c.winver, 1);
    EXPECT_STREQ(GetWindowsVersion(), c.version) << c.winver;
    EXPECT_EQ(IsWin95(), c.win95) << c.winver;
    EXPECT_EQ(IsWinNT(), c.winNT) << c.winver;
    EXPECT_EQ(IsWin4(), c.win4) << c.winver;
    EXPECT_EQ(IsWin3(), 0);
    EXPECT_EQ(IsWinFW(), 0);
    EXPECT_STREQ(GetBsBuild(), c.build) << c.winver;
  }
  auto v95 = platform::ParseWindowsVersion("4.0-95");
  ASSERT_TRUE(v95);
  EXPECT_EQ(v95->build, 0x040003B6u);
  for (const char* bad : {"", "4", "4.", "x.y", "4.0-me", "4.0nt", "300.0", "4.0.70000"})
    EXPECT_FALSE(platform::ParseWindowsVersion(bad)) << bad;
  // a malformed override falls back to the kernel's numbers on NT
  setenv("TERVOLA_WINVER", "bogus", 1);
  EXPECT_EQ(IsWinNT(), 1);
  platform::WindowsVersionInfo host = platform::WindowsVersion();
  EXPECT_GE(host.major, 2u);
  EXPECT_EQ(host.platform, platform::WinPlatform::NT);
}

TEST_F(Injected, ProcessorTypeAndRevision) {
  machine.cpu = {platform::PROCESSOR_ARCHITECTURE_INTEL, 586, 0x0502};
  EXPECT_STREQ(GetCpuType(), "Intel Pentium");
  EXPECT_STREQ(GetCpuModel(), "Model: 5, Stepping: 2");
  machine.cpu = {platform::PROCESSOR_ARCHITECTURE_INTEL, 486, 0x0401};
  EXPECT_STREQ(GetCpuType(), "Intel 486");
  EXPECT_STREQ(GetCpuModel(), "Chip: E, Stepping: 1");
  machine.cpu = {platform::PROCESSOR_ARCHITECTURE_INTEL, 386, 0x0000};
  EXPECT_STREQ(GetCpuType(), "Intel 386");
  EXPECT_STREQ(GetCpuModel(), "Chip: A, Stepping: 0");
  machine.cpu = {platform::PROCESSOR_ARCHITECTURE_MIPS, 4000, 0x0102};
  EXPECT_STREQ(GetCpuType(), "Mips R4000");
  EXPECT_STREQ(GetCpuModel(), "");
  machine.cpu = {};
  EXPECT_STREQ(GetCpuType(), "unbekannt");

  // /proc/cpuinfo: the first processor decides
  auto d = platform::ParseCpuInfo(
      "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
      "model name\t: Some CPU\nstepping\t: 10\n\nprocessor\t: 1\ncpu family\t: 4\n");
  EXPECT_EQ(d.architecture, platform::PROCESSOR_ARCHITECTURE_INTEL);
  EXPECT_EQ(d.processorType, 586u);
  EXPECT_EQ(d.revision, 0x9E0A);
  d = platform::ParseCpuInfo("cpu family : 4\nmodel : 4\nstepping : 1\n");
  EXPECT_EQ(d.processorType, 486u);
  EXPECT_EQ(d.revision, 0x0401);
  d = platform::ParseCpuInfo("system type : MIPS Malta\ncpu model : MIPS R4000 V3.0\n");
  EXPECT_EQ(d.processorType, 4000u);
  d = platform::ParseCpuInfo("processor : 0\nBogoMIPS : 48.00\nCPU implementer : 0x41\n");
  EXPECT_EQ(d.architecture, platform::PROCESSOR_ARCHITECTURE_UNKNOWN);
  EXPECT_EQ(d.processorType, 0u);
}

TEST_F(Injected, HostNameAndAddress) {
  EXPECT_STREQ(GetHostname(), "build-host");
  EXPECT_STREQ(GetIpAdresse(), "192.168.10.7");
  // no answer: both keep what they had
  machine.ip.reset();
  EXPECT_STREQ(GetIpAdresse(), "192.168.10.7");
  machine.host.reset();
  EXPECT_STREQ(GetHostname(), "build-host");
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
}

TEST_F(Injected, NetworkAdapterList) {
  using Mac = std::array<uint8_t, 6>;
  machine.adapters = std::vector{Adapter(0, Mac{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}),
                                 Adapter(3, Mac{0xAA, 0xBB, 0xCC, 0x00, 0x01, 0x02})};
  EXPECT_STREQ(GetNetzadapter(), "001a2b3c4d5e, aabbcc000102(3)");
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  // the first adapter's status fails: the list begins with the separator
  machine.adapters = std::vector{Adapter(2, std::nullopt), Adapter(5, Mac{1, 2, 3, 4, 5, 6})};
  EXPECT_STREQ(GetNetzadapter(), ", 010203040506(5)");
  // a failing reset replaces the whole list
  machine.adapters = std::vector{Adapter(1, Mac{1, 2, 3, 4, 5, 6}), Adapter(2, Mac{})};
  (*machine.adapters)[1].resetCode = 0x23;
  EXPECT_STREQ(GetNetzadapter(), "??? Error: 35");
  EXPECT_EQ(Text(), "GetNetzadapter: Fehler bei netbios");
  // the enumeration fails
  machine.adapters.reset();
  EXPECT_STREQ(GetNetzadapter(), "??? Error: 64 bei Netbios Enum");
  EXPECT_EQ(GibLetzteFehlerNr(), IXSTDF_FAILURE);
  // many adapters: whole entries only, within 255 bytes
  std::vector<platform::NetAdapter> many;
  for (int n = 100; n < 130; ++n) many.push_back(Adapter(n, Mac{0, 0, 0, 0, 0, 1}));
  machine.adapters = many;
  std::string list = GetNetzadapter();
  EXPECT_LE(list.size(), 255u);
  EXPECT_EQ(list.size(), 17u + 12 * 19u);  // first entry without separator, then 12 more
  EXPECT_EQ(list.substr(list.size() - 7), "01(112)");
}

TEST(SysInfo, AdaptersFromSysClassNet) {
  std::string net = pxtest::TestRoot() + "/net";
  auto iface = [&](const std::string& name, const char* index, const char* flags,
                   const char* address) {
    std::filesystem::create_directories(net + "/" + name);
    pxtest::WriteFile(net + "/" + name + "/ifindex", index);
    pxtest::WriteFile(net + "/" + name + "/flags", flags);
    if (address) pxtest::WriteFile(net + "/" + name + "/address", address);
  };
  iface("lo", "1\n", "0x9\n", "00:00:00:00:00:00\n");
  iface("eth0", "3\n", "0x1003\n", "52:54:00:AB:cd:01\n");
  iface("wlan0", "2\n", "0x1003\n", "04:7d:7b:00:00:09\n");
  iface("tun0", "7\n", "0x1091\n", "\n");
  auto list = platform::ListNetAdapters(net);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 3u);
  EXPECT_EQ((*list)[0].number, 2);
  EXPECT_EQ((*list)[1].number, 3);
  EXPECT_EQ((*list)[1].address, (std::array<uint8_t, 6>{0x52, 0x54, 0x00, 0xAB, 0xCD, 0x01}));
  EXPECT_EQ((*list)[2].number, 7);
  EXPECT_FALSE((*list)[2].address);
  EXPECT_FALSE(platform::ListNetAdapters(net + "/missing"));
}
