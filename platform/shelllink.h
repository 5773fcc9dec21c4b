#pragma once
// Shell link (".lnk") files in the published binary layout that the
// Windows shell reads and writes: a 76-byte header (flags, target
// attributes, icon index, show command), the link information with the
// target as a local path, and the string data (description, relative path,
// working directory, arguments, icon location) in UTF-16.
//
// Strings here are UTF-8. Reading never trusts a size or offset in the file:
// anything that points outside its structure is refused with a reason.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Show commands a link may carry.
inline constexpr uint32_t SW_HIDE = 0;
inline constexpr uint32_t SW_SHOWNORMAL = 1;
inline constexpr uint32_t SW_SHOWMINIMIZED = 2;
inline constexpr uint32_t SW_SHOWMAXIMIZED = 3;
inline constexpr uint32_t SW_SHOW = 5;
inline constexpr uint32_t SW_SHOWMINNOACTIVE = 7;
inline constexpr uint32_t SW_MAX = 11;

// Header flags.
inline constexpr uint32_t kLinkHasTargetIdList = 0x1;
inline constexpr uint32_t kLinkHasLinkInfo = 0x2;
inline constexpr uint32_t kLinkHasName = 0x4;
inline constexpr uint32_t kLinkHasRelativePath = 0x8;
inline constexpr uint32_t kLinkHasWorkingDir = 0x10;
inline constexpr uint32_t kLinkHasArguments = 0x20;
inline constexpr uint32_t kLinkHasIconLocation = 0x40;
inline constexpr uint32_t kLinkIsUnicode = 0x80;

// Limits of the shell's link object, in UTF-16 units: paths fit MAX_PATH
// with their terminating zero; descriptions fit an info tip; arguments fit
// the file's 16-bit count.
inline constexpr size_t kLinkMaxPath = 259;
inline constexpr size_t kLinkMaxDescription = 1023;
inline constexpr size_t kLinkMaxArguments = 0xFFFF;

struct ShellLinkData {
  uint32_t flags = 0;  // as read; the writer derives its own
  uint32_t fileAttributes = 0;
  uint64_t creationTime = 0, accessTime = 0, writeTime = 0;  // FILETIME
  uint32_t fileSize = 0;
  int32_t iconIndex = 0;
  uint32_t showCommand = SW_SHOWNORMAL;
  uint16_t hotKey = 0;

  std::string localPath;    // the target as a local path
  std::string networkPath;  // the target by its network share, when the file has one
  std::string description;
  std::string relativePath;
  std::string workingDirectory;
  std::string arguments;
  std::string iconLocation;

  bool operator==(const ShellLinkData&) const = default;
};

// Length of UTF-8 text in UTF-16 units; nullopt when it is not valid UTF-8
// or holds a zero character.
std::optional<size_t> LinkTextUnits(std::string_view utf8);

// The file's bytes: header, link information when there is a local path,
// the strings that are not empty, and the terminal block. The strings must
// pass LinkTextUnits and fit a 16-bit count.
std::optional<std::string> SerializeShellLink(const ShellLinkData& link);

// nullopt with *why set when the bytes are not a shell link or a structure
// in them is cut short or points outside itself.
std::optional<ShellLinkData> ParseShellLink(std::string_view bytes, std::string* why);

// The target as the shell gives it: the network form when preferNetwork and
// there is one, else the local path, else the network form.
std::string LinkTargetPath(const ShellLinkData& link, bool preferNetwork);

// The target relative to the folder of the link file, as the shell stores
// it (".\app.exe", "..\bin\app.exe"); empty when they do not share a drive
// or root. '/' and '\' both separate; names compare without regard to case.
std::string RelativeLinkPath(std::string_view linkFile, std::string_view target);

}  // namespace platform
