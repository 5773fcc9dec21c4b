#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "pxnthook/hookproc.h"

namespace pxnthook {

namespace {

constexpr const char* kTargetKey = "Software\\Tervola\\Prentix";

// Stands in for the registry value while the registry cannot be written (a
// read-only home): only then does it exist, so it always wins.
std::string StandInPath() {
  std::string dir = platform::RuntimeDirectory();
  return dir.empty() ? dir : dir + "/prentix.hwnd";
}

}  // namespace

bool WriteTargetWindow(int window) {
  char text[20];
  snprintf(text, sizeof text, "%d", window);
  platform::HKEY key;
  bool stored = false;
  if (platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kTargetKey, 0, nullptr, 0,
                               platform::KEY_ALL_ACCESS, nullptr, &key, nullptr) == 0) {
    stored =
        platform::RegSetValueEx(key, "hwnd", 0, platform::REG_SZ, reinterpret_cast<uint8_t*>(text),
                                static_cast<uint32_t>(strlen(text) + 1)) == 0;
    platform::RegCloseKey(key);
  }
  const std::string standIn = StandInPath();
  if (stored) {
    if (!standIn.empty()) unlink(standIn.c_str());
    return true;
  }
  return !standIn.empty() && platform::ReplaceFile(standIn, text);
}

// Looks for the value named exactly "hwnd" (case matters here) among the
// key's values, as the hook always has.
std::optional<long> ReadTargetWindow() {
  if (const std::string standIn = StandInPath(); !standIn.empty()) {
    if (auto text = platform::ReadWholeFile(standIn)) return ParseWindowHandle(*text);
  }
  platform::HKEY key;
  if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kTargetKey, 0, platform::KEY_READ,
                             &key) != 0)
    return std::nullopt;
  std::optional<long> found;
  for (uint32_t index = 0;; ++index) {
    char name[256];
    uint8_t data[257];  // one more than offered, for the terminating zero
    uint32_t nameSize = sizeof name, dataSize = 256, type = 0;
    if (platform::RegEnumValue(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != 0)
      break;
    if (strcmp(name, "hwnd") == 0) {
      data[dataSize] = 0;
      found = ParseWindowHandle(reinterpret_cast<char*>(data));
      break;
    }
  }
  platform::RegCloseKey(key);
  return found;
}

}  // namespace pxnthook
