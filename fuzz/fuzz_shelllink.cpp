// Shell-link reader: any bytes either parse or are refused with a reason;
// what parses writes out again and reads back with the same strings, path,
// icon index and show command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/shelllink.h"

using platform::ShellLinkData;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  auto link = platform::ParseShellLink(bytes, &why);
  if (!link) {
    if (why.empty()) abort();
    return 0;
  }
  (void)platform::LinkTargetPath(*link, true);
  (void)platform::RelativeLinkPath(link->relativePath, link->localPath);

  ShellLinkData out;
  out.iconIndex = link->iconIndex;
  out.showCommand = link->showCommand;
  out.hotKey = link->hotKey;
  out.fileAttributes = link->fileAttributes;
  out.fileSize = link->fileSize;
  out.localPath = link->localPath;
  out.description = link->description;
  out.relativePath = link->relativePath;
  out.workingDirectory = link->workingDirectory;
  out.arguments = link->arguments;
  out.iconLocation = link->iconLocation;
  auto written = platform::SerializeShellLink(out);
  if (!written) {
    // only strings with a zero character cannot be written
    bool zero = false;
    for (const std::string* s : {&out.localPath, &out.description, &out.relativePath,
                                 &out.workingDirectory, &out.arguments, &out.iconLocation})
      zero |= s->find('\0') != std::string::npos;
    if (!zero) abort();
    return 0;
  }
  auto again = platform::ParseShellLink(*written, &why);
  if (!again) abort();
  again->flags = 0;
  out.flags = 0;
  if (!(*again == out)) abort();
  return 0;
}
