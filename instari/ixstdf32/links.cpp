// Shell links: ErzeugeLinkDatei writes a link file step by step as the
// shell's link object is filled, GetLinkInfo reads one back.
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/folders.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/fileio.h"
#include "platform/filetime.h"
#include "platform/paths.h"
#include "platform/shelllink.h"
#include "platform/winerror.h"

using namespace ixstdf;

namespace {

constexpr size_t kOutSize = 260;  // the callers' buffers

// A setter's check: valid text of at most maxUnits UTF-16 units.
bool Fits(const char* text, size_t maxUnits) {
  auto units = platform::LinkTextUnits(text ? text : "");
  return units && *units <= maxUnits;
}

// The link file's host path; empty (with the system error set) when the
// name is too long for the shell or names no place here.
std::string LinkHostPath(const char* linkFile) {
  if (!linkFile || !*linkFile) {
    SetSystemError(platform::ERROR_INVALID_NAME);
    return {};
  }
  auto units = platform::LinkTextUnits(linkFile);
  if (!units || *units > platform::kLinkMaxPath) {
    SetSystemError(platform::ERROR_FILENAME_EXCED_RANGE);
    return {};
  }
  std::string host = platform::HostPath(linkFile);
  if (host.empty()) SetSystemError(platform::ERROR_PATH_NOT_FOUND);
  return host;
}

// What the shell records about the target when it exists.
void DescribeTarget(const std::string& target, platform::ShellLinkData& link) {
  std::string host = platform::HostPath(target);
  struct stat st {};
  if (host.empty() || stat(host.c_str(), &st) != 0) return;
  link.fileAttributes = S_ISDIR(st.st_mode) ? 0x10 : 0x20;  // directory / archive
  link.fileSize =
      S_ISDIR(st.st_mode) || st.st_size > 0xFFFFFFFF ? 0 : static_cast<uint32_t>(st.st_size);
  link.creationTime = platform::FileTimeFromTimespec(st.st_ctim);
  link.accessTime = platform::FileTimeFromTimespec(st.st_atim);
  link.writeTime = platform::FileTimeFromTimespec(st.st_mtim);
}

}  // namespace

extern "C" {

int ErzeugeLinkDatei(const char* target, const char* linkFile, const char* description,
                     const char* arguments, const char* iconFile, int iconIndex,
                     const char* workingDirectory, int minimized) {
  ClearError();
  platform::ShellLinkData link;
  auto text = [](const char* s) { return std::string(s ? s : ""); };
  if (!target || !Fits(target, platform::kLinkMaxPath)) {
    SetSystemError(platform::ERROR_INVALID_PARAMETER);
    return Fail("ErzeugeLinkDatei: Fehler bei SetPath");
  }
  link.localPath = target;
  DescribeTarget(link.localPath, link);
  if (!Fits(arguments, platform::kLinkMaxArguments)) {
    SetSystemError(platform::ERROR_INVALID_PARAMETER);
    return Fail("ErzeugeLinkDatei: Fehler bei SetArguments");
  }
  link.arguments = text(arguments);
  if (!Fits(workingDirectory, platform::kLinkMaxPath)) {
    SetSystemError(platform::ERROR_INVALID_PARAMETER);
    return Fail("ErzeugeLinkDatei: Fehler bei SetWorkingDirectory");
  }
  link.workingDirectory = text(workingDirectory);
  if (!Fits(iconFile, platform::kLinkMaxPath)) {
    SetSystemError(platform::ERROR_INVALID_PARAMETER);
    return Fail("ErzeugeLinkDatei: Fehler bei SetIconLocation");
  }
  link.iconLocation = text(iconFile);
  link.iconIndex = iconIndex;
  link.showCommand = minimized == 1 ? platform::SW_SHOWMINNOACTIVE : platform::SW_SHOW;
  if (!Fits(description, platform::kLinkMaxDescription)) {
    SetSystemError(platform::ERROR_INVALID_PARAMETER);
    return Fail("ErzeugeLinkDatei: Fehler bei SetDescription");
  }
  link.description = text(description);

  std::string host = LinkHostPath(linkFile);
  if (host.empty()) return Fail("ErzeugeLinkDatei: Fehler bei Save");
  link.relativePath = platform::RelativeLinkPath(linkFile, link.localPath);
  auto bytes = platform::SerializeShellLink(link);
  if (!bytes) {
    SetSystemError(platform::ERROR_INVALID_PARAMETER);
    return Fail("ErzeugeLinkDatei: Fehler bei Save");
  }
  if (!platform::ReplaceFile(host, *bytes)) {
    SetSystemErrno(errno);
    return Fail("ErzeugeLinkDatei: Fehler bei Save");
  }
  // The menus of the desktop read .desktop files, not links.
  WriteLinkTwin(host, link.localPath, link.arguments, link.workingDirectory, link.iconLocation,
                link.description);
  return 0;
}

int GetLinkInfo(const char* linkFile, char* target, char* arguments, char* workingDirectory,
                int* showCommand) {
  ClearError();
  // A link that cannot be loaded shows as a failure to read its path.
  std::optional<platform::ShellLinkData> link;
  std::string host = LinkHostPath(linkFile);
  if (!host.empty()) {
    auto bytes = platform::ReadWholeFile(host);
    if (!bytes) {
      SetSystemErrno(errno);
    } else {
      std::string why;
      link = platform::ParseShellLink(*bytes, &why);
      if (!link) SetSystemError(platform::ERROR_BAD_FORMAT);
    }
  }
  if (!link) return Fail("GetLinkInfo: Fehler bei: GetLinkInfo-Path");
  // The short 8.3 form does not exist here; the long name serves.
  CopyOut(target, kOutSize, platform::LinkTargetPath(*link, true));
  CopyOut(arguments, kOutSize, link->arguments);
  CopyOut(workingDirectory, kOutSize, link->workingDirectory);
  if (showCommand) *showCommand = static_cast<int>(link->showCommand);
  return 0;
}

}  // extern "C"
