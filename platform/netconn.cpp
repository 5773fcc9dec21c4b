#include "platform/netconn.h"

#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace platform {

namespace {

std::string KeyOf(char letter) { return std::string("Network\\") + letter; }

// The stored remote name, read through the registry calls.
std::optional<std::string> StoredRemote(char letter) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, KeyOf(letter).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  std::optional<std::string> result;
  uint32_t type = 0, size = 0;
  if (RegQueryValueEx(key, "RemotePath", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    std::string data(size, '\0');
    if (RegQueryValueEx(key, "RemotePath", nullptr, &type, reinterpret_cast<uint8_t*>(data.data()),
                        &size) == ERROR_SUCCESS) {
      data.resize(size);
      if (size_t zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
      result = data;
    }
  }
  RegCloseKey(key);
  return result;
}

bool IsDirectory(const std::string& hostPath) {
  struct stat st;
  return !hostPath.empty() && stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::optional<char> DriveLetterOf(std::string_view local) {
  if (local.empty() || local.size() > 3) return std::nullopt;
  char c = local[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (c < 'A' || c > 'Z') return std::nullopt;
  if (local.size() >= 2 && local[1] != ':') return std::nullopt;
  if (local.size() == 3 && local[2] != '\\' && local[2] != '/') return std::nullopt;
  return c;
}

int32_t AddNetworkConnection(std::string_view local, std::string_view remote, std::string_view) {
  std::optional<char> letter = DriveLetterOf(local);
  if (!letter) return ERROR_BAD_DEVICE;
  if (StoredRemote(*letter) || *letter == 'C' ||
      !GetPrivateProfileString("Drives", std::string(1, *letter), "", "win.ini").empty())
    return ERROR_ALREADY_ASSIGNED;
  std::string host = HostPath(remote);
  if (!IsDirectory(host)) return ERROR_BAD_NET_NAME;

  HKEY key = nullptr;
  int32_t rc = RegCreateKeyEx(HKEY_CURRENT_USER, KeyOf(*letter).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  std::string value(remote);
  rc = RegSetValueEx(key, "RemotePath", 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()),
                     static_cast<uint32_t>(value.size() + 1));
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return rc;
  if (!WritePrivateProfileString("Drives", std::string(1, *letter).c_str(), host.c_str(),
                                 "win.ini")) {
    RegDeleteKey(HKEY_CURRENT_USER, KeyOf(*letter).c_str());
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

int32_t CancelNetworkConnection(std::string_view local) {
  std::optional<char> letter = DriveLetterOf(local);
  if (!letter) return ERROR_BAD_DEVICE;
  std::optional<std::string> remote = StoredRemote(*letter);
  if (!remote) return ERROR_NOT_CONNECTED;
  // only the mapping this connection made goes; one a person edited stays
  std::string key(1, *letter);
  if (GetPrivateProfileString("Drives", key, "", "win.ini") == HostPath(*remote))
    WritePrivateProfileString("Drives", key.c_str(), nullptr, "win.ini");
  return RegDeleteKey(HKEY_CURRENT_USER, KeyOf(*letter).c_str());
}

std::optional<std::string> NetworkConnection(std::string_view local) {
  std::optional<char> letter = DriveLetterOf(local);
  if (!letter) return std::nullopt;
  return StoredRemote(*letter);
}

}  // namespace platform
