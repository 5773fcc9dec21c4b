#pragma once
// Directory search the way FindFirstFile / FindNextFile / FindClose do it:
// a pattern path whose last component may hold DOS wildcards, over a host
// directory reached through DOS path translation ("C:\DIR\*.TXT").
//
// Wildcards, matched without regard to ASCII case:
//   *    any run of characters, dots included, also none;
//   ?    exactly one character. (Windows also lets a '?' before a dot or at
//        the end match nothing; that is not done here, so "auto???.*" finds
//        auto007.gif but neither auto7.gif nor auto1000.gif.)
//   .    a dot; in a name that has no dot at all it also matches the end of
//        the name, so "*.*" matches every name, "x.*" matches "x" and "*."
//        matches exactly the names without a dot.
// A last component without wildcards finds exactly that entry: the one
// spelled so, else the one spelled so without regard to case.
//
// Contract of a search: every entry of the directory that matches is
// reported once, in no particular order (do not rely on any). The names are
// read when the search starts, so entries created during the search are
// not reported and entries removed before they are reached are skipped;
// a caller may delete or rename what it has been given.
//
// "." and ".." are reported where a wildcard matches them, except in the
// root of a drive ("C:\*") or of the host ("/*"), as on Windows; callers that
// walk a tree pass DotEntries::kSkip or skip them themselves.

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/filetime.h"

namespace platform {

// Attribute bits of FindData::attributes (values of the Win32 constants).
constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;   // a file without any write permission bit
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;     // name starts with '.', "." and ".." excepted
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;     // never set here
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;  // a directory, or a link to one
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;    // every entry that is not a directory
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;     // never reported: files carry ARCHIVE
constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;  // a symbolic link (see FindData)

// One entry found. A symbolic link reports what it points to (type, size,
// times) with FILE_ATTRIBUTE_REPARSE_POINT added, so a recursive walk can
// decline to follow it; a dangling link reports the link itself. READONLY is
// set for files only: as on Windows, a folder's read-only bit would not
// stop writes into it, so it is not derived from the folder's permissions.
struct FindData {
  std::string name;  // the entry's name as spelled on disk, no directory
  uint32_t attributes = 0;
  uint64_t size = 0;  // 0 for directories
  FileTime creationTime = 0;
  FileTime lastAccessTime = 0;
  FileTime lastWriteTime = 0;

  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

enum class DotEntries { kReport, kSkip };

// A search in progress, the counterpart of a find handle. Closing twice, or
// destroying a closed search, is harmless.
class FindFile {
 public:
  FindFile() = default;
  ~FindFile() = default;
  FindFile(FindFile&& other) noexcept { *this = std::move(other); }
  FindFile& operator=(FindFile&& other) noexcept;
  FindFile(const FindFile&) = delete;
  FindFile& operator=(const FindFile&) = delete;

  // Starts a search (any earlier one of this object is closed). True with
  // the first match in Data(); false when nothing matches (errno ENOENT),
  // the directory cannot be read (errno from opendir), the drive is not
  // mapped or the pattern ends in a separator (errno ENOENT). The search
  // stays open only after a match.
  bool First(std::string_view pattern, DotEntries dots = DotEntries::kReport);
  // The next match in Data(); false at the end (errno ENOENT) or when closed.
  bool Next();
  void Close();
  bool IsOpen() const { return open_; }

  const FindData& Data() const { return data_; }
  // The host directory searched, for building full paths of the results.
  const std::string& Directory() const { return dir_; }

 private:
  bool Advance();

  bool open_ = false;
  std::string dir_;
  std::vector<std::string> names_;
  size_t next_ = 0;
  FindData data_;
};

// The first match of a pattern, the way a lookup by FindFirstFile is used to
// ask whether a file exists and for its size and times.
std::optional<FindData> FindFirstMatch(std::string_view pattern,
                                       DotEntries dots = DotEntries::kReport);

// One name looked up for a caller that goes on to open or create it: what
// FindFirstMatch reports for it, and where opening or creating the name
// leads. A name spelled as on disk costs one statx; a missing one a look at
// its folder, whose fresh status is kept for the creation that follows.
struct FileLookup {
  std::string hostPath;          // HostPath(name); empty when the drive is not mapped
  std::optional<FindData> data;  // FindFirstMatch(name)
  int error = 0;                 // errno when data is empty
  mode_t mode = 0;               // type and permissions of what data describes
  bool dirKnown = false;         // dirStat: the folder of hostPath, just read
  struct stat dirStat {};
};
FileLookup LookUpFile(std::string_view name);

// True when the name matches the wildcard pattern by the rules above. Takes
// time proportional to pattern length times name length at most.
bool MatchesDosWildcard(std::string_view pattern, std::string_view name);

// True when the text holds '*' or '?'.
bool HasWildcards(std::string_view text);

}  // namespace platform
