#pragma once
// Network connections of drive letters: a table under HKCU\Network\<drive>
// (value "RemotePath"), with the drive mapped in [Drives] of win.ini so
// that "X:\..." paths reach the connected directory. A remote name is
// reachable when it names an existing host directory (a DOS or host path);
// there is no authentication here, so a password is accepted and never
// stored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int32_t ERROR_BAD_NET_NAME = 67;
inline constexpr int32_t ERROR_ALREADY_ASSIGNED = 85;
inline constexpr int32_t ERROR_BAD_DEVICE = 1200;
inline constexpr int32_t ERROR_NOT_CONNECTED = 2250;

// The drive letter of "X", "X:" or "X:\" upper-cased; nullopt otherwise.
std::optional<char> DriveLetterOf(std::string_view local);

// Connects local ("X:") to remote. ERROR_ALREADY_ASSIGNED when the letter
// is connected or mapped already (C is always mapped), ERROR_BAD_DEVICE for
// a local name that is no drive, ERROR_BAD_NET_NAME when remote is no
// reachable directory.
int32_t AddNetworkConnection(std::string_view local, std::string_view remote,
                             std::string_view password);

// Removes the connection and the drive mapping it made;
// ERROR_NOT_CONNECTED when there is none.
int32_t CancelNetworkConnection(std::string_view local);

// The remote name local is connected to, nullopt when it is no network drive.
std::optional<std::string> NetworkConnection(std::string_view local);

}  // namespace platform
