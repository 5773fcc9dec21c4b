#pragma once
// The registry hive as data: a tree of keys holding typed values, and its
// REGEDIT4 text form. Pure: no files, no locks (see registry.h for those).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Value types, numbered as the registry numbers them.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

struct RegValue {
  std::string name;  // as first written; "" is the key's default value
  uint32_t type = REG_NONE;
  std::string data;  // raw bytes; strings carry their terminating zero
  bool operator==(const RegValue&) const = default;
};

struct RegKey {
  std::string name;              // as first written
  std::vector<RegValue> values;  // in insertion order
  std::vector<RegKey> subkeys;   // ordered by upper-cased name, as NT enumerates them

  // Names match without regard to ASCII case.
  const RegKey* Subkey(std::string_view name) const;
  RegKey* Subkey(std::string_view name);
  // The sub-key, inserted in order when missing (*created tells which).
  RegKey& AddSubkey(std::string_view name, bool* created = nullptr);
  bool RemoveSubkey(std::string_view name);

  const RegValue* Value(std::string_view name) const;
  // Replaces type and data in place (the name keeps its first spelling) or
  // appends a new value; true when anything changed.
  bool SetValue(std::string_view name, uint32_t type, std::string_view data);
  bool RemoveValue(std::string_view name);

  bool operator==(const RegKey&) const = default;
};

// The stored roots. HKEY_CLASSES_ROOT is no root of its own: it is a view of
// HKEY_LOCAL_MACHINE\Software\Classes and is stored there.
enum class RegRoot { CurrentUser, LocalMachine, Users, CurrentConfig };

// A key's place: a root and the names below it.
struct RegPath {
  RegRoot root = RegRoot::LocalMachine;
  std::vector<std::string> parts;
};

// Limits as on Windows: a key name has at most 255 characters, a key lies at
// most 512 levels below its root.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxKeyDepth = 512;

// A key name the hive can hold and the text form can carry: not empty, at
// most kMaxKeyNameLength characters, no backslash, no NUL, CR or LF.
bool IsValidKeyName(std::string_view name);
// A value name the text form can carry: no NUL, CR or LF ("" is the default).
bool IsValidValueName(std::string_view name);

// Root name as the text form writes it ("HKEY_LOCAL_MACHINE").
const char* RegRootName(RegRoot root);

class RegHive {
 public:
  RegHive();  // empty roots

  // Reads REGEDIT4 text: an optional UTF-8 byte-order mark, then the
  // "REGEDIT4" line; key lines "[ROOT\a\b]" and "[-ROOT\a\b]" (removes the
  // key and everything below it); value lines "name"=data or @=data where data
  // is "string" (\\ and \" escaped), dword:hhhhhhhh, hex:bb,bb,..,
  // hex(t):bb,.. (continued over lines ending in a backslash) or - (removes the
  // value). Blank lines, lines starting with ';', LF or CR LF line ends and
  // leading or trailing blanks are accepted. Text without any line other than
  // blanks and comments is an empty hive. Anything else is refused: nullopt,
  // and *error says which line and why.
  static std::optional<RegHive> Parse(std::string_view text, std::string* error = nullptr);

  // REGEDIT4 text with LF line ends: every key that is not a root gets its
  // line (roots only when they hold values), each key followed by a blank
  // line, roots in the order HKCU, HKLM, HKU, HKCC and sub-keys depth first.
  // REG_SZ data ending in its only zero byte and free of CR and LF is written
  // as "string", four-byte REG_DWORD as dword:, REG_BINARY as hex:, all else
  // as hex(t): byte lists (so any bytes round-trip), wrapped at 80 columns.
  std::string Serialize() const;

  RegKey& Root(RegRoot root) { return roots_[static_cast<size_t>(root)]; }
  const RegKey& Root(RegRoot root) const { return roots_[static_cast<size_t>(root)]; }

  const RegKey* Find(const RegPath& path) const;
  RegKey* Find(const RegPath& path);
  // Creates every missing level (names must be valid, the depth at most
  // kMaxKeyDepth); *created tells whether
  // any level was new.
  RegKey& Create(const RegPath& path, bool* created = nullptr);

  bool operator==(const RegHive&) const = default;

 private:
  std::array<RegKey, 4> roots_;
};

}  // namespace platform
