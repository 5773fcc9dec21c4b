#pragma once
// Version resources of Windows program files (PE images): the block that
// the version-information calls return, and the lookup of a value in it by
// a path such as "\StringFileInfo\040904E4\ProductVersion". Every other
// kind of file (ELF programs, scripts, data) simply has no version
// resource.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class VersionInfoStatus {
  kFound,
  kMissingFile,    // the file cannot be opened
  kNoVersionInfo,  // no PE image, or one without a version resource
};

// The raw version resource (a VS_VERSIONINFO block) of the file.
VersionInfoStatus GetFileVersionInfo(const std::string& hostPath, std::string* block);

// The value under subBlock ("\" is the root; names compare without regard
// to ASCII case). Texts come back as UTF-8 without their terminating zero,
// binary values as their bytes. nullopt when the path does not exist.
std::optional<std::string> VerQueryValue(std::string_view block, std::string_view subBlock);

// The first language and code page of "\VarFileInfo\Translation".
std::optional<std::pair<uint16_t, uint16_t>> FirstTranslation(std::string_view block);

}  // namespace platform
