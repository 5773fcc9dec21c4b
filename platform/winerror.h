#pragma once
// Error numbers of the Win32 kind that the stand-ins return, so that callers
// can pass them on and compare them as they would on Windows.

#include <cstdint>

namespace platform {

inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_BAD_FORMAT = 11;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr int32_t ERROR_INVALID_NAME = 123;
inline constexpr int32_t ERROR_BAD_PATHNAME = 161;
inline constexpr int32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr int32_t ERROR_MORE_DATA = 234;
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr int32_t ERROR_BADDB = 1009;               // hive file corrupt
inline constexpr int32_t ERROR_REGISTRY_IO_FAILED = 1016;  // hive file unreadable or unwritable
inline constexpr int32_t ERROR_KEY_DELETED = 1018;         // handle to a key deleted since

}  // namespace platform
