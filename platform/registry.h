#pragma once
// The registry stand-in: the Win32 registry calls over one hive file,
// <windir>/registry.reg, in REGEDIT4 text that a person may read and edit.
//
// Every call works on the file as it is now: a reader re-reads it when it
// changed, so a value written by another process is seen at once. Every
// write takes the directory lock, reads the file, applies its one change and
// replaces the file atomically, so concurrent writers in several processes
// lose nothing and readers never see half a file. A hive file that does not
// parse is never overwritten: reads and writes fail with ERROR_BADDB until a
// person mends it. A hive file without write permission makes every write
// fail with ERROR_ACCESS_DENIED.
//
// Handles are process-local and thread-safe; the predefined root handles
// work without opening; an unknown or closed handle gives
// ERROR_INVALID_HANDLE. Names are UTF-8 and sizes are counted in bytes (the
// "A" calls of Win32); key names and value names match without regard to
// ASCII case, value names keep their first spelling, values enumerate in the
// order they were first set and sub-keys in upper-cased name order.

#include <cstdint>
#include <string>

#include "platform/reghive.h"
#include "platform/winerror.h"

namespace platform {

using HKEY = struct HKEY__*;
using REGSAM = uint32_t;

namespace regdetail {
// Win32 sign-extends the 32-bit constants to pointer width.
inline HKEY Predefined(uint32_t v) {
  return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(v)));
}
}  // namespace regdetail

// A view of HKEY_LOCAL_MACHINE\Software\Classes.
inline const HKEY HKEY_CLASSES_ROOT = regdetail::Predefined(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = regdetail::Predefined(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = regdetail::Predefined(0x80000002u);
inline const HKEY HKEY_USERS = regdetail::Predefined(0x80000003u);
inline const HKEY HKEY_CURRENT_CONFIG = regdetail::Predefined(0x80000005u);

// Access rights; the generic rights map onto them as on Windows.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// <windir>/registry.reg.
std::string RegistryFilePath();

// Why registry.reg did not parse the last time it was read ("line 3: bad
// key line"); "" when it always did.
std::string RegistryParseProblem();

// Opens hKey\subKey with the given rights. A null or empty subKey gives a
// new handle to hKey itself (a predefined handle is handed back as it is).
// ERROR_FILE_NOT_FOUND when the key does not exist. options is ignored.
int32_t RegOpenKeyEx(HKEY hKey, const char* subKey, uint32_t options, REGSAM access, HKEY* result);

// Opens hKey\subKey, creating every missing level; *disposition (may be
// null) receives REG_CREATED_NEW_KEY when any level was created, else
// REG_OPENED_EXISTING_KEY. Class, options (volatile keys persist here) and
// security are ignored.
int32_t RegCreateKeyEx(HKEY hKey, const char* subKey, uint32_t reserved, char* className,
                       uint32_t options, REGSAM access, const void* security, HKEY* result,
                       uint32_t* disposition);

// Closing a predefined handle does nothing and succeeds.
int32_t RegCloseKey(HKEY hKey);

// Stores size bytes of data under the value name (null or "" = the default
// value) with the given type; string types should include their terminating
// zero, as on Windows. The bytes are kept exactly.
int32_t RegSetValueEx(HKEY hKey, const char* valueName, uint32_t reserved, uint32_t type,
                      const uint8_t* data, uint32_t size);

// Type and data of a value. data null: *size receives the size. *size too
// small: ERROR_MORE_DATA with the size needed in *size (data untouched).
int32_t RegQueryValueEx(HKEY hKey, const char* valueName, uint32_t* reserved, uint32_t* type,
                        uint8_t* data, uint32_t* size);

// The index-th value: its name into name (*nameSize bytes including the
// terminating zero; on return the name's length without it), type and data
// as RegQueryValueEx. A name that does not fit gives ERROR_MORE_DATA with
// *nameSize unchanged; data that do not fit give ERROR_MORE_DATA with the
// name filled in and the size needed in *size. ERROR_NO_MORE_ITEMS past the
// last value.
int32_t RegEnumValue(HKEY hKey, uint32_t index, char* name, uint32_t* nameSize, uint32_t* reserved,
                     uint32_t* type, uint8_t* data, uint32_t* size);

// The index-th sub-key's name, sized like RegEnumValue's. Keys have no class
// here (className receives ""), and last-write times are not kept
// (lastWriteTime, a FILETIME when not null, receives zero).
int32_t RegEnumKeyEx(HKEY hKey, uint32_t index, char* name, uint32_t* nameSize, uint32_t* reserved,
                     char* className, uint32_t* classSize, void* lastWriteTime);

// Deletes hKey\subKey (subKey "" deletes hKey's own key) with its values.
// ERROR_ACCESS_DENIED when it has sub-keys, as on NT, or is a root.
int32_t RegDeleteKey(HKEY hKey, const char* subKey);

int32_t RegDeleteValue(HKEY hKey, const char* valueName);

}  // namespace platform
