// Registry operations of the library over the registry stand-in.
#include <cctype>
#include <string>
#include <vector>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/registry.h"
#include "platform/utf8.h"
#include "platform/winerror.h"

using namespace ixstdf;

namespace {

// Names up to 256 characters, data up to 256 bytes, as the operations read them.
constexpr uint32_t kNameSize = 257;
constexpr uint32_t kDataSize = 256;

// Opens or creates keyPath below root; the Win32-style status.
int32_t CreateKey(HKEY root, const char* keyPath, KeyHolder& key) {
  platform::HKEY r = PlatformRoot(root);
  if (!r) return platform::ERROR_INVALID_HANDLE;
  return platform::RegCreateKeyEx(r, keyPath ? keyPath : "", 0, nullptr, 0,
                                  platform::KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
}

int32_t OpenKey(HKEY root, const char* keyPath, platform::REGSAM access, KeyHolder& key) {
  platform::HKEY r = PlatformRoot(root);
  if (!r) return platform::ERROR_INVALID_HANDLE;
  return platform::RegOpenKeyEx(r, keyPath ? keyPath : "", 0, access, key.Out());
}

// The failure text of an open-or-create step by its status.
int32_t FailOpen(int32_t rc, const char* accessDenied, const char* notFound, const char* other) {
  SetSystemError(rc);
  if (rc == platform::ERROR_ACCESS_DENIED) return Fail(accessDenied);
  if (rc == platform::ERROR_FILE_NOT_FOUND) return Fail(notFound);
  if (rc == platform::ERROR_BADDB) {
    // which line of registry.reg is wrong, cut to leave room for the rest
    std::string text = std::string(other) + " (registry.reg " +
                       std::string(platform::Utf8Prefix(platform::RegistryParseProblem(), 80)) +
                       ")";
    return Fail(text.c_str());
  }
  return Fail(other);
}

std::string AsciiUpper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

void ReplaceInValues(HKEY root, const std::string& path, platform::HKEY key, const char* search,
                     const char* replacement) {
  size_t searchLen = strlen(search);
  for (uint32_t index = 0;; ++index) {
    char name[kNameSize];
    uint32_t nameSize = kNameSize, type = 0, size = kDataSize;
    uint8_t data[kDataSize];
    int32_t rc = platform::RegEnumValue(key, index, name, &nameSize, nullptr, &type, data, &size);
    if (rc == platform::ERROR_MORE_DATA) continue;  // too long to read whole: never rewritten
    if (rc != platform::ERROR_SUCCESS) break;
    if (type != platform::REG_SZ) continue;
    std::string stored(reinterpret_cast<const char*>(data), size);
    if (size_t zero = stored.find('\0'); zero != std::string::npos) stored.resize(zero);
    size_t at = AsciiUpper(stored).find(search);
    if (at == std::string::npos) continue;
    std::string updated = stored.substr(0, at) + replacement + stored.substr(at + searchLen);
    SetRegistry(root, path.c_str(), name, updated.c_str());
  }
}

void Walk(HKEY root, const std::string& path, const char* search, const char* replacement) {
  KeyHolder key;
  if (OpenKey(root, path.c_str(), platform::KEY_ALL_ACCESS, key) != platform::ERROR_SUCCESS) return;
  ReplaceInValues(root, path, key.Get(), search, replacement);
  for (uint32_t index = 0;; ++index) {
    char name[kNameSize];
    uint32_t nameSize = kNameSize;
    int32_t rc = platform::RegEnumKeyEx(key.Get(), index, name, &nameSize, nullptr, nullptr,
                                        nullptr, nullptr);
    if (rc == platform::ERROR_MORE_DATA) continue;
    if (rc != platform::ERROR_SUCCESS) break;
    Walk(root, path + "\\" + name, search, replacement);
  }
}

}  // namespace

extern "C" {

int DeleteRegistryKey(HKEY root, const char* keyPath, const char* subKey) {
  ClearError();
  KeyHolder key;
  if (int32_t rc = CreateKey(root, keyPath, key))
    return FailOpen(rc, "Fehler bei DeleteRegistryKey/RegCreateKey: ERROR_ACCESS_DENIED",
                    "Fehler bei DeleteRegistryKey/RegCreateKey: ERROR_FILE_NOT_FOUND",
                    "Fehler bei DeleteRegistryKey/RegCreateKey: some other problem...");
  if (int32_t rc = platform::RegDeleteKey(key.Get(), subKey ? subKey : "")) {
    SetSystemError(rc);
    return Fail("Fehler bei DeleteRegistryKey: RegDeleteKey");
  }
  return 0;
}

int SetRegistry(HKEY root, const char* keyPath, const char* valueName, const char* text) {
  ClearError();
  KeyHolder key;
  if (int32_t rc = CreateKey(root, keyPath, key))
    return FailOpen(rc, "Fehler bei SetRegistry: ERROR_ACCESS_DENIED",
                    "Fehler bei SetRegistry: ERROR_FILE_NOT_FOUND",
                    "Fehler bei SetRegistry: some other problem...");
  int32_t rc =
      text ? platform::RegSetValueEx(key.Get(), valueName ? valueName : "", 0, platform::REG_SZ,
                                     reinterpret_cast<const uint8_t*>(text),
                                     static_cast<uint32_t>(strlen(text) + 1))
           : platform::ERROR_INVALID_PARAMETER;
  if (rc) {
    SetSystemError(rc);
    return Fail("Fehler bei SetRegistry: RegSetValueEx");
  }
  return 0;
}

char* GetRegistry(HKEY root, const char* keyPath, const char* valueName) {
  static ResultBuffer<kDataSize + 1> result;
  ClearError();
  KeyHolder key;
  if (int32_t rc = OpenKey(root, keyPath, platform::KEY_READ, key)) {
    SetSystemError(rc);
    Fail("Fehler bei GetRegistry: RegOpenKeyEx");
    return nullptr;
  }
  const char* wanted = valueName ? valueName : "";
  for (uint32_t index = 0;; ++index) {
    char name[kNameSize];
    uint32_t nameSize = kNameSize, type = 0, size = kDataSize;
    int32_t rc = platform::RegEnumValue(key.Get(), index, name, &nameSize, nullptr, &type,
                                        reinterpret_cast<uint8_t*>(result.Data()), &size);
    if (rc == platform::ERROR_MORE_DATA) {
      // a value longer than the buffer is not read at all; when it is the
      // wanted one it counts as not found
      if (nameSize < kNameSize && strcmp(name, wanted) == 0) break;
      continue;
    }
    if (rc != platform::ERROR_SUCCESS) break;
    if (strcmp(name, wanted) == 0) {
      result.Data()[size] = '\0';
      return result.Data();
    }
  }
  Fail("Fehler bei GetRegistry: Begriff nicht gefunden");
  return nullptr;
}

int QueryRegistry(HKEY root, const char* search, const char* replacement) {
  ClearError();
  // An empty search text would match at the start of every value.
  if (!search || !*search || !replacement || !*replacement) return 0;
  std::vector<std::string> topLevel;
  for (uint32_t index = 0;; ++index) {
    char name[kNameSize];
    uint32_t nameSize = kNameSize;
    int32_t rc = platform::RegEnumKeyEx(platform::HKEY_CURRENT_USER, index, name, &nameSize,
                                        nullptr, nullptr, nullptr, nullptr);
    if (rc == platform::ERROR_MORE_DATA) continue;
    if (rc != platform::ERROR_SUCCESS) break;
    topLevel.push_back(name);
  }
  for (const std::string& name : topLevel) Walk(root, name, search, replacement);
  return 0;
}

}  // extern "C"
