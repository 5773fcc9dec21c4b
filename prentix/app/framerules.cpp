#include "prentix/app/framerules.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "prentix/lang/sprache.h"

namespace prentix {

RunFlags& Flags() {
  static RunFlags flags;
  return flags;
}

TrayAction TrayCallbackAction(TrayMouse mouse, bool mausSwitch, bool trayBusy) {
  if (mausSwitch) {
    if (mouse == TrayMouse::kLeftDown)
      mouse = TrayMouse::kRightDown;
    else if (mouse == TrayMouse::kRightDown)
      mouse = TrayMouse::kLeftDown;
  }
  switch (mouse) {
    case TrayMouse::kLeftDown:
      return trayBusy ? TrayAction::kNone : TrayAction::kCapture;
    case TrayMouse::kRightDown:
      return TrayAction::kShowWindow;
    default:
      return TrayAction::kNone;
  }
}

bool HideWhenMinimized(bool taskbar, bool noExit) { return taskbar && noExit; }

std::string CloseQuestion() { return LoadSprachString(57665) + " ?"; }

std::string HelpFilePath(std::string_view programPath) {
  size_t slash = programPath.rfind('/');
  std::string path(slash == std::string_view::npos ? std::string_view()
                                                   : programPath.substr(0, slash + 1));
  const std::string dir = path;
  path += "prentix.html";
  if (access(path.c_str(), R_OK) == 0) return path;
  // an installed program finds it among the documentation
  path = dir + "../share/doc/prentix/prentix.html";
  return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

std::optional<std::vector<std::string>> ToolArguments(std::string_view tool,
                                                      const std::string& picturePath) {
  auto words = platform::SplitShellWords(tool);
  if (!words || words->empty()) return std::nullopt;
  words->push_back(picturePath);
  return words;
}

std::string TempPicturePath() {
  // a capture holds whatever was on the screen: it goes where only the user
  // may look, never to a fixed name in the shared temporary folder
  std::string dir = platform::RuntimeDirectory();
  if (dir.empty()) {
    static std::string own;
    if (own.empty()) {
      std::string pattern = platform::TempDirectory() + "prentix-XXXXXX";
      if (mkdtemp(pattern.data())) own = pattern;
    }
    dir = own;
  }
  return dir.empty() ? std::string() : dir + "/~pxi.pxi";
}

std::string MailSubject() { return std::string(GetSprachText(16001)) + " ..."; }

namespace {

using namespace platform;

std::optional<std::string> DefaultValue(const std::string& key) {
  HKEY h;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  char buf[1024] = {};
  uint32_t size = sizeof buf - 1, type = 0;
  int32_t rc = RegQueryValueEx(h, nullptr, nullptr, &type, reinterpret_cast<uint8_t*>(buf), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  return std::string(buf, strnlen(buf, size));
}

// Writes only what differs, so a start does not rewrite the registry file
// every time.
bool SetDefaultValue(const std::string& key, const std::string& value) {
  if (DefaultValue(key) == value) return true;
  HKEY h;
  if (RegCreateKeyEx(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                     nullptr) != ERROR_SUCCESS) {
    return false;
  }
  int32_t rc = RegSetValueEx(h, nullptr, 0, REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()),
                             static_cast<uint32_t>(value.size() + 1));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

std::string Field(std::string_view text, int index) {
  for (int i = 0; i < index; ++i) {
    size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return {};
    text.remove_prefix(lf + 1);
  }
  return std::string(text.substr(0, text.find('\n')));
}

}  // namespace

bool RegisterShellFileTypes(std::string_view templateString, std::string_view programPath) {
  // template fields: title, document name, new-file name, filter name,
  // extension, file type id, file type name
  std::string ext = Field(templateString, 4), typeId = Field(templateString, 5),
              typeName = Field(templateString, 6);
  if (typeId.empty()) return true;
  bool ok = SetDefaultValue(typeId, typeName);
  ok = SetDefaultValue(typeId + "\\shell\\open\\command", std::string(programPath) + " \"%1\"") &&
       ok;
  if (!ext.empty()) {
    // another program's association is left alone
    auto owner = DefaultValue(ext);
    if (!owner || owner->empty() || *owner == typeId) ok = SetDefaultValue(ext, typeId) && ok;
  }
  return ok;
}

int OneShotCommand(std::string_view argument) {
  if (argument == "--print-screen") return 32782;
  if (argument == "--print-window") return 32781;
  if (argument == "--paste-print") return 32771;
  return 0;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  // Qt takes these itself; the session manager restarts us with -session
  static const char* const kQtWithValue[] = {
      "-platform", "-display", "-session",         "-style",         "-stylesheet",
      "-name",     "-title",   "-qwindowgeometry", "-platformtheme", "-plugin"};
  static const char* const kQtAlone[] = {"-reverse", "-nograb", "-dograb", "-sync"};
  CommandLine line;
  std::vector<std::string> words;
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options || a.empty() || a[0] != '-' || a == "-") {
      words.push_back(a);
      continue;
    }
    if (a == "--") {
      options = false;
    } else if (a == "--help" || a == "-h") {
      line.kind = CommandLine::kHelp;
    } else if (a == "--version") {
      line.kind = CommandLine::kVersion;
    } else if (int id = OneShotCommand(a)) {
      line.command = id;
    } else if (std::find(std::begin(kQtWithValue), std::end(kQtWithValue), a) !=
               std::end(kQtWithValue)) {
      ++i;
    } else if (std::find(std::begin(kQtAlone), std::end(kQtAlone), a) == std::end(kQtAlone)) {
      line.kind = CommandLine::kBad;
      line.unknown = a;
      return line;
    }
  }
  if (line.kind != CommandLine::kRun) return line;
  if (line.command) {
    // one command alone: a file beside it would be silently dropped
    line.kind = words.empty() ? CommandLine::kOneShot : CommandLine::kBad;
    return line;
  }
  for (size_t i = 0; i < words.size(); ++i) line.file += (i ? " " : "") + words[i];
  return line;
}

}  // namespace prentix
