// Special folders of the shell and the .desktop twins of the links put into
// them, so that what an installer adds to the Start Menu, the start-up
// folder or the desktop also shows in the Linux menus.
#include "instari/ixstdf32/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <vector>

#include "instari/ixstdf32/errorstate.h"
#include "platform/desktopentry.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace ixstdf {

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct Folder {
  int code;
  const char* valueName;
};
constexpr Folder kFolders[] = {
    {1, "Desktop"},
    {2, "Programs"},
    {3, "Start Menu"},
    {4, "Startup"},
    {11, "Common Desktop"},
    {12, "Common Programs"},
    {13, "Common Start Menu"},
    {14, "Common Startup"},
};

std::string Home() { return platform::HomeDirectory(); }

std::string DefaultFolder(int code) {
  std::string win = platform::WindowsDirectory();
  switch (code) {
    case 1:
      return XdgDesktopDirectory();
    case 2:
      return win + "/Start Menu/Programs";
    case 3:
      return win + "/Start Menu";
    case 4:
      return win + "/Start Menu/Programs/Startup";
    case 11:
      return win + "/All Users/Desktop";
    case 12:
      return win + "/All Users/Start Menu/Programs";
    case 13:
      return win + "/All Users/Start Menu";
    case 14:
      return win + "/All Users/Start Menu/Programs/Startup";
    default:
      return {};
  }
}

platform::HKEY RootOf(int code) {
  return code >= 11 ? platform::HKEY_LOCAL_MACHINE : platform::HKEY_CURRENT_USER;
}

std::string RealDir(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

bool HasImageExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return ext == "png" || ext == "svg" || ext == "xpm";
}

std::string MarkerLine(const std::string& linkHostPath) {
  return "X-Tervola-Link=" + platform::DesktopEntryValue(linkHostPath) + "\n";
}

bool IsOurTwin(const std::string& twin, const std::string& linkHostPath) {
  auto bytes = platform::ReadWholeFile(twin);
  if (!bytes) return false;
  std::string marker = MarkerLine(linkHostPath);
  return bytes->find("\n" + marker) != std::string::npos;
}

}  // namespace

const char* ShellFolderValueName(int code) {
  for (const Folder& f : kFolders)
    if (f.code == code) return f.valueName;
  return nullptr;
}

std::string XdgDataHome() {
  const char* v = getenv("XDG_DATA_HOME");
  if (v && *v == '/') return v;
  return Home() + "/.local/share";
}
std::string XdgConfigHome() { return platform::ConfigHome(); }

std::string XdgDesktopDirectory() {
  // user-dirs.dirs holds lines like XDG_DESKTOP_DIR="$HOME/Desktop"
  if (auto text = platform::ReadWholeFile(XdgConfigHome() + "/user-dirs.dirs")) {
    size_t at = 0;
    while (at < text->size()) {
      size_t nl = text->find('\n', at);
      std::string line = text->substr(at, nl == std::string::npos ? std::string::npos : nl - at);
      at = nl == std::string::npos ? text->size() : nl + 1;
      const std::string key = "XDG_DESKTOP_DIR=\"";
      if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 ||
          line.back() != '"')
        continue;
      std::string value = line.substr(key.size(), line.size() - key.size() - 1);
      if (value.compare(0, 6, "$HOME/") == 0) return Home() + value.substr(5);
      if (value == "$HOME") return Home();
      if (!value.empty() && value[0] == '/') return value;
    }
  }
  return Home() + "/Desktop";
}

void SeedShellFolders() {
  for (const Folder& f : kFolders) {
    platform::HKEY key = nullptr;
    if (platform::RegCreateKeyEx(RootOf(f.code), kShellFolders, 0, nullptr, 0,
                                 platform::KEY_ALL_ACCESS, nullptr, &key, nullptr))
      continue;
    uint32_t size = 0;
    if (platform::RegQueryValueEx(key, f.valueName, nullptr, nullptr, nullptr, &size) ==
        platform::ERROR_FILE_NOT_FOUND) {
      std::string path = DefaultFolder(f.code);
      platform::MakeDirectories(path);
      platform::RegSetValueEx(key, f.valueName, 0, platform::REG_SZ,
                              reinterpret_cast<const uint8_t*>(path.c_str()),
                              static_cast<uint32_t>(path.size() + 1));
    }
    platform::RegCloseKey(key);
  }
}

std::optional<std::string> ShellFolderHostPath(int code) {
  const char* name = ShellFolderValueName(code);
  if (!name) return std::nullopt;
  SeedShellFolders();
  KeyHolder key;
  if (platform::RegOpenKeyEx(RootOf(code), kShellFolders, 0, platform::KEY_READ, key.Out()))
    return std::nullopt;
  char data[1024];
  uint32_t size = sizeof data - 1, type = 0;
  if (platform::RegQueryValueEx(key.Get(), name, nullptr, &type, reinterpret_cast<uint8_t*>(data),
                                &size))
    return std::nullopt;
  data[size] = '\0';
  std::string path = platform::HostPath(data);
  if (path.empty()) return std::nullopt;
  return path;
}

std::string LinkTwinPath(const std::string& linkHostPath) {
  size_t slash = linkHostPath.rfind('/');
  if (slash == std::string::npos) return {};
  std::string dir = RealDir(slash == 0 ? "/" : linkHostPath.substr(0, slash));
  std::string stem = linkHostPath.substr(slash + 1);
  if (stem.size() > 4 && platform::SameNameIgnoringCase(stem.substr(stem.size() - 4), ".lnk"))
    stem.resize(stem.size() - 4);
  if (dir.empty() || stem.empty()) return {};
  enum Place { Autostart, Applications, Desktop };
  static constexpr std::pair<int, Place> kOrder[] = {
      {4, Autostart},    {14, Autostart},    {2, Applications}, {12, Applications},
      {3, Applications}, {13, Applications}, {1, Desktop},      {11, Desktop}};
  for (auto [code, place] : kOrder) {
    auto folder = ShellFolderHostPath(code);
    std::string real = folder ? RealDir(*folder) : std::string();
    if (real.empty()) continue;
    if (dir != real && dir.compare(0, real.size() + 1, real + "/") != 0) continue;
    std::string sub = dir.substr(real.size());  // "" or "/Group"
    switch (place) {
      case Autostart:
        return XdgConfigHome() + "/autostart/" + stem + ".desktop";
      case Applications:
        return XdgDataHome() + "/applications" + sub + "/" + stem + ".desktop";
      case Desktop:
        return XdgDesktopDirectory() + "/" + stem + ".desktop";
    }
  }
  return {};
}

bool WriteLinkTwin(const std::string& linkHostPath, const std::string& target,
                   const std::string& arguments, const std::string& workingDirectory,
                   const std::string& iconFile, const std::string& description) {
  std::string twin = LinkTwinPath(linkHostPath);
  std::string program = target.empty() ? std::string() : platform::HostPath(target);
  if (twin.empty() || program.empty()) return false;
  struct stat st {};
  if (lstat(twin.c_str(), &st) == 0 && !IsOurTwin(twin, linkHostPath)) return false;

  size_t slash = linkHostPath.rfind('/');
  std::string name = linkHostPath.substr(slash + 1);
  if (name.size() > 4 && platform::SameNameIgnoringCase(name.substr(name.size() - 4), ".lnk"))
    name.resize(name.size() - 4);
  std::string exec = platform::DesktopExecArgument(program);
  for (const std::string& word : platform::SplitCommandLine(arguments))
    exec += " " + platform::DesktopExecArgument(word);

  std::string text =
      "[Desktop Entry]\nType=Application\nName=" + platform::DesktopEntryValue(name) + "\n";
  // the library marks its own links with its name: no comment for a menu
  if (!description.empty() && description != kLibraryLinkDescription)
    text += "Comment=" + platform::DesktopEntryValue(description) + "\n";
  text += "Exec=" + platform::DesktopEntryValue(exec) + "\n";
  if (!workingDirectory.empty()) {
    std::string dir = platform::HostPath(workingDirectory);
    if (!dir.empty()) text += "Path=" + platform::DesktopEntryValue(dir) + "\n";
  }
  if (!iconFile.empty()) {
    std::string icon = platform::HostPath(iconFile);
    if (HasImageExtension(icon)) text += "Icon=" + platform::DesktopEntryValue(icon) + "\n";
  }
  text += "Terminal=false\n" + MarkerLine(linkHostPath);

  std::string twinDir = twin.substr(0, twin.rfind('/'));
  if (!platform::MakeDirectories(twinDir) || !platform::ReplaceFile(twin, text)) return false;
  // desktops start only entries that are executable
  chmod(twin.c_str(), 0755);
  return true;
}

bool RemoveLinkTwin(const std::string& linkHostPath) {
  std::string twin = LinkTwinPath(linkHostPath);
  if (twin.empty() || !IsOurTwin(twin, linkHostPath)) return false;
  if (unlink(twin.c_str()) != 0) return false;
  // a group's menu folder goes with its last item, as the group's own does;
  // the applications folder itself stays
  const std::string applications = XdgDataHome() + "/applications";
  std::string dir = twin.substr(0, twin.rfind('/'));
  if (dir.size() > applications.size() &&
      dir.compare(0, applications.size() + 1, applications + "/") == 0) {
    rmdir(dir.c_str());  // only when empty
  }
  return true;
}

bool RemoveLinkFile(const std::string& linkFile) {
  std::string host = platform::HostPath(linkFile);
  if (host.empty()) {
    errno = ENOENT;
    return false;
  }
  RemoveLinkTwin(host);  // while the link's folder is still known to exist
  return unlink(host.c_str()) == 0;
}

}  // namespace ixstdf

extern "C" char* GetFolderPath(int folder) {
  using namespace ixstdf;
  static ResultBuffer<256> result;
  ClearError();
  SeedShellFolders();
  KeyHolder key;
  if (int32_t rc =
          platform::RegOpenKeyEx(RootOf(folder), kShellFolders, 0, platform::KEY_READ, key.Out())) {
    SetSystemError(rc);
    Fail("Fehler bei GetFolderPath: RegOpenKeyEx");
    return nullptr;
  }
  const char* wanted = ShellFolderValueName(folder);
  std::string wantedUpper = wanted ? wanted : "";
  for (char& c : wantedUpper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  for (uint32_t index = 0; wanted; ++index) {
    char name[257];
    char data[256];
    uint32_t nameSize = sizeof name, type = 0, size = sizeof data;
    int32_t rc = platform::RegEnumValue(key.Get(), index, name, &nameSize, nullptr, &type,
                                        reinterpret_cast<uint8_t*>(data), &size);
    if (rc == platform::ERROR_MORE_DATA) continue;  // longer than the buffer: skipped
    if (rc != platform::ERROR_SUCCESS) break;
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (upper != wantedUpper) continue;
    std::string_view path(data, size);
    size_t zero = path.find('\0');
    if (zero == std::string_view::npos) continue;  // 256 characters do not fit the result
    return result.SetText(path.substr(0, zero));
  }
  Fail("Fehler bei GetFolderPath: Begriff nicht gefunden");
  return nullptr;
}
