#pragma once
// Private-profile (INI) files with the semantics of the Windows profile API:
// section and key names match without regard to case and the first match
// wins; values are trimmed and lose surrounding quotes; a write keeps every
// other line as it was. Writes replace the file atomically under a lock, so
// readers in other threads or processes never see half a file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One parsed INI file, kept line by line so that a rewrite changes only the
// lines it must.
class IniDocument {
 public:
  // LF and CR LF line ends are read; the text is never rejected.
  static IniDocument Parse(std::string_view bytes);
  // LF line ends; empty when there are no lines.
  std::string Serialize() const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces the key's line in place, or appends it to its section, or
  // appends a new section at the end. False (nothing changed) when a name or
  // the value would break the line structure.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);

  std::vector<std::string> SectionNames() const;
  std::vector<std::string> Keys(std::string_view section) const;
  // Lines of the section other than blanks and comments, trimmed.
  std::vector<std::string> SectionLines(std::string_view section) const;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // [first line after the header, end) of the first section so named
  std::optional<std::pair<size_t, size_t>> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(size_t begin, size_t end, std::string_view key) const;

  std::vector<std::string> lines_;
};

// Host path of a profile file: a bare name is in the Windows directory, any
// other name is a DOS or host path.
std::string ProfilePath(std::string_view file);

// Value of the key, or def when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::string_view file);
// The same, cut like the Win32 call with a buffer of `size` bytes.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, size_t size, std::string_view file);
// Leading decimal digits (with sign) of the value, def when missing.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         std::string_view file);

// key == nullptr deletes the section, value == nullptr deletes the key.
// section == nullptr does nothing and succeeds (a cache flush on Windows).
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               std::string_view file);

// Several keys set in one rewrite of the file, as one
// WritePrivateProfileString per entry in order would leave it, but with a
// single replacement for watchers to see. False when any entry could not be
// written (the others still are) or the file could not be replaced.
struct ProfileEntry {
  std::string section, key, value;
};
bool WritePrivateProfileStrings(const std::vector<ProfileEntry>& entries, std::string_view file);

std::vector<std::string> GetPrivateProfileSectionNames(std::string_view file);
std::vector<std::string> GetPrivateProfileKeys(std::string_view section, std::string_view file);
std::vector<std::string> GetPrivateProfileSection(std::string_view section, std::string_view file);

}  // namespace platform
