// Program groups and start-up items (shell links on the newer shell,
// Program Manager commands on the older one), starting a group's programs,
// and files replaced at the next start.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "instari/ixstdf32/errorstate.h"
#include "instari/ixstdf32/failtext.h"
#include "instari/ixstdf32/folders.h"
#include "instari/ixstdf32/ixstdf.h"
#include "instari/ixstdf32/starttrigger.h"
#include "platform/fileio.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/progman.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/winerror.h"

using namespace ixstdf;

namespace {

// A command text longer than this is not sent.
constexpr size_t kDdeTextSize = 256;
constexpr size_t kReplySize = 4000;

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

// Sends one command text in a conversation of its own; the outcome is not
// looked at, as with the real Program Manager.
void SendProgman(const char* text) {
  if (strlen(text) >= kDdeTextSize) return;
  platform::ProgramManager().Execute(text);
}

__attribute__((format(printf, 1, 2))) void SendProgmanF(const char* format, ...) {
  char text[kDdeTextSize];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  // a text that does not fit is refused, never cut into another command
  if (n < 0 || static_cast<size_t>(n) >= sizeof text) return;
  SendProgman(text);
}

ResultBuffer<kReplySize + 1>& Reply() {
  static ResultBuffer<kReplySize + 1> reply;
  return reply;
}

// The group's show command from its reply line: the number after the third
// comma behind the quoted name; 2 when the reply does not say.
unsigned SavedShowCommand(const char* group) {
  unsigned saved = 2;
  auto reply = platform::ProgramManager().Request(group);
  if (!reply) return saved;
  const char* r = Reply().SetBytes(reply->data(), reply->size());
  const char* q = strchr(r, '"');
  if (!q) return saved;
  q = strchr(q + 1, '"');
  if (!q) return saved;
  for (int i = 0; i < 3; ++i) {
    q = strchr(q + 1, ',');
    if (!q) return saved;
  }
  char* end = nullptr;
  unsigned long v = strtoul(q + 1, &end, 10);
  if (end != q + 1) saved = static_cast<unsigned>(v & 0xFFFF);
  return saved;
}

struct Code {
  const char* text;
  int number;
};
constexpr Code kPersonal[] = {{"\\DT\\", 1}, {"\\SM\\", 2}, {"\\SG\\", 3},
                              {"\\PM\\", 4}, {"\\PG\\", 5}, {"\\PS\\", 6}};
constexpr Code kCommon[] = {{"\\CDT", 11}, {"\\CSM", 12}, {"\\CSG", 13},
                            {"\\CPM", 14}, {"\\CPG", 15}, {"\\CPS", 16}};

// The special folder of a group code number.
int FolderOf(int number) {
  switch (number) {
    case 1:
      return 1;
    case 2:
    case 3:
      return 3;
    case 4:
    case 5:
      return 2;
    case 6:
      return 4;
    case 11:
      return 11;
    case 12:
    case 13:
      return 13;
    case 14:
    case 15:
      return 12;
    default:
      return 14;
  }
}

bool TakesGroup(int number) { return number % 10 == 3 || number % 10 == 5; }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

int ShellOpenFailure(int code) {
  const char* text;
  switch (code) {
    case 0:
      text = "The operating system is out of memory or resources.";
      break;
    case 2:
      text = "The specified file was not found.";
      break;
    case 3:
      text = "The specified path was not found.";
      break;
    case 5:
      text = "The operating system denied access to the specified file. ";
      break;
    case 8:
      text = "There was not enough memory to complete the operation.";
      break;
    case 11:
      text = "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
      break;
    case 26:
      text = "A sharing violation occurred.";
      break;
    case 27:
      text = "The filename association is incomplete or invalid.";
      break;
    case 28:
      text = "The DDE transaction could not be completed because the request timed out.";
      break;
    case 29:
      text = "The DDE transaction failed.";
      break;
    case 30:
      text =
          "The DDE transaction could not be completed because other DDE transactions were being "
          "processed.";
      break;
    case 31:
      text = "There is no application associated with the given filename extension.";
      break;
    case 32:
      text = "The specified dynamic-link library was not found. ";
      break;
    default:
      text = "unbekannter fehler.";
  }
  return Fail(text);
}

// One program folder of StartGroup: 0 when the group's folder is there.
int StartGroupIn(int folderCode, const char* group) {
  ClearError();
  char* folderText = GetFolderPath(folderCode);
  if (!folderText) {
    Fail("kann programm-path nicht ermitteln");
    return 1;
  }
  std::string folder = folderText;
  ClearError();
  platform::FindFile find;
  // an empty folder still lists "." and "..", as on Windows
  if (!find.First(folder + "\\" + group + "\\*", platform::DotEntries::kReport)) {
    SetSystemErrno(errno);
    Fail(ErrorText("keine Dateien: %s\\%s", folder.c_str(), group).c_str());
    return 1;
  }
  do {
    const std::string name = find.Data().name;
    if (name.empty() || name[0] == '.') continue;
    std::string entry = folder + "\\" + group + "\\" + name;
    char target[kMaxPath] = {}, arguments[kMaxPath] = {}, directory[kMaxPath] = {};
    int show = 1;
    if (GetLinkInfo(entry.c_str(), target, arguments, directory, &show) != 0) {
      Fail(ErrorText("Fehler bei GetLinkInfo: %s", entry.c_str()).c_str());
      continue;
    }
    std::string program = *target ? target : entry;
    // the probe compares upper-cased paths; the host file system tells
    // case apart, so the program is opened as spelled
    std::string host = platform::HostPath(program);
    if (platform::IsProgramRunning(Upper(program)) ||
        (!host.empty() && platform::IsProgramRunning(Upper(host))))
      continue;
    int r = platform::ShellExecute("open", program, arguments, directory, show);
    if (r < 33) ShellOpenFailure(r);
  } while (find.Next());
  return 0;
}

std::string WininitPath() {
  std::string dir = platform::WindowsDirectory();
  return (dir.empty() ? std::string("c:") : dir) + "/wininit.ini";
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return std::string();
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// The line goes at the end of the [rename] section, where the next start
// looks for it, even when other sections follow.
bool AddToWininit(const std::string& key, const std::string& value) {
  std::string path = WininitPath();
  std::vector<std::string> lines;
  if (auto text = platform::ReadWholeFile(path)) lines = SplitLines(*text);
  std::string entry = key + "=" + value;
  size_t section = std::string::npos;
  for (size_t i = 0; i < lines.size() && section == std::string::npos; ++i)
    if (Upper(lines[i]).find("[RENAME]") != std::string::npos) section = i;
  if (section == std::string::npos) {
    lines.push_back("[rename]");
    lines.push_back(entry);
  } else {
    size_t at = section + 1;
    for (size_t i = section + 1; i < lines.size(); ++i) {
      std::string t = Trim(lines[i]);
      if (!t.empty() && t[0] == '[') break;
      if (!t.empty()) at = i + 1;
    }
    lines.insert(lines.begin() + static_cast<long>(at), entry);
  }
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return platform::ReplaceFile(path, out);
}

// The session manager's list as strings, two to an entry (source, then
// destination or "" for a deletion).
std::vector<std::string> ReadRenameQueue() {
  std::vector<std::string> strings;
  KeyHolder key;
  if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kSessionManager, 0, platform::KEY_READ,
                             key.Out()) != platform::ERROR_SUCCESS)
    return strings;
  uint32_t type = 0, size = 0;
  if (platform::RegQueryValueEx(key.Get(), kPendingRenames, nullptr, &type, nullptr, &size) !=
          platform::ERROR_SUCCESS ||
      type != platform::REG_MULTI_SZ)
    return strings;
  std::string data(size, '\0');
  if (platform::RegQueryValueEx(key.Get(), kPendingRenames, nullptr, &type,
                                reinterpret_cast<uint8_t*>(data.data()),
                                &size) != platform::ERROR_SUCCESS)
    return strings;
  data.resize(size);
  size_t at = 0;
  while (at < data.size()) {
    size_t end = data.find('\0', at);
    if (end == std::string::npos) end = data.size();
    strings.push_back(data.substr(at, end - at));
    at = end + 1;
  }
  // the list ends with an empty string that is not part of a pair
  if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
  if (strings.size() % 2 == 1) strings.pop_back();
  return strings;
}

// An empty list removes the value.
int32_t WriteRenameQueue(const std::vector<std::string>& strings) {
  KeyHolder key;
  int32_t rc = platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr,
                                        0, platform::KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
  if (rc != platform::ERROR_SUCCESS) return rc;
  if (strings.empty()) {
    platform::RegDeleteValue(key.Get(), kPendingRenames);
    return platform::ERROR_SUCCESS;
  }
  std::string data;
  for (const std::string& s : strings) data += s + '\0';
  data += '\0';
  return platform::RegSetValueEx(key.Get(), kPendingRenames, 0, platform::REG_MULTI_SZ,
                                 reinterpret_cast<const uint8_t*>(data.data()),
                                 static_cast<uint32_t>(data.size()));
}

// Why an entry stays queued, in the installer's error log beside the
// reports of the runs.
void LogKept(const std::string& from, const std::string& to, const std::string& reason) {
  std::string text = ErrorText("ApplyPendingRenames: %s -> %s: %s", from.c_str(),
                               to.empty() ? "NUL" : to.c_str(), reason.c_str());
  Fail(text.c_str());
  std::string log = platform::WindowsDirectory() + "/instari.err";
  if (FILE* f = fopen(log.c_str(), "a")) {
    time_t now = time(nullptr);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", localtime(&now));
    fprintf(f, "%s\n%s (stays queued)\n", stamp, text.c_str());
    fclose(f);
  }
}

bool IsAbsolute(const std::string& p) {
  return (!p.empty() && p[0] == '/') ||
         (p.size() >= 3 && isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
          (p[2] == '\\' || p[2] == '/'));
}

// Carries out one entry (to "" deletes from); false when it stays queued.
// An entry touching a name of an earlier entry that stayed waits too, so a
// failed step never lets a later one act on the wrong file.
bool ApplyOne(const std::string& from, const std::string& to, std::vector<std::string>& blocked) {
  auto stay = [&](const std::string& reason) {
    LogKept(from, to, reason);
    for (const std::string& p : {from, to})
      if (!p.empty()) blocked.push_back(platform::HostPathAsWritten(p));
    return false;
  };
  // a relative name from an older queue would mean whatever folder we run in
  if (!IsAbsolute(from) || (!to.empty() && !IsAbsolute(to)))
    return stay("relative path, not carried out");
  std::string hostFrom = platform::HostPath(from);
  std::string hostTo = to.empty() ? std::string() : platform::HostPath(to);
  if (hostFrom.empty() || (!to.empty() && hostTo.empty())) return stay("drive not mapped");
  for (const std::string& b : blocked)
    if (platform::SameNameIgnoringCase(b, platform::HostPathAsWritten(from)) ||
        (!to.empty() && platform::SameNameIgnoringCase(b, platform::HostPathAsWritten(to))))
      return stay("waits for an earlier entry that stayed");
  bool ok = to.empty() ? (unlink(hostFrom.c_str()) == 0 || errno == ENOENT)
                       : rename(hostFrom.c_str(), hostTo.c_str()) == 0;
  if (!ok) return stay(strerror(errno));
  return true;
}

}  // namespace

extern "C" {

int CreateStartItem(char* groupCode, char* itemName, const char* target, const char* arguments,
                    const char* workingDirectory, const char* iconFile, int iconIndex,
                    int minimized) {
  const bool win4 = IsWin4();
  const bool nt = IsWinNT();
  ClearError();
  if (!groupCode) return Fail("CreateStartItem: unbekanntes Gruppenkennzeichen");
  if (strncmp(groupCode, "\\XS\\", 4) == 0)
    memcpy(groupCode, win4 ? "\\PG\\" : "\\PS\\", 4);
  else if (strncmp(groupCode, "-\\XS\\", 5) == 0)
    memcpy(groupCode + 1, win4 ? "\\PG\\" : "\\PS\\", 4);
  const char* p = groupCode;
  const bool remove = *p == '-';
  if (remove) ++p;
  int number = 0;
  for (const Code& c : kPersonal)
    if (strncmp(p, c.text, 4) == 0) {
      number = c.number;
      p += 4;
      break;
    }
  if (number == 0) {
    for (const Code& c : kCommon)
      if (strncmp(p, c.text, 4) == 0) {
        number = win4 && nt ? c.number : c.number - 10;
        // five characters, but never past the end of the string
        p += strnlen(p, 5);
        break;
      }
  }
  if (number == 0) return Fail("CreateStartItem: unbekanntes Gruppenkennzeichen");
  const std::string group = p;

  std::string startup;
  if (win4) {
    if (char* s = GetFolderPath(4)) startup = s;
  } else {
    startup = GetStartupGroup();
  }
  ClearError();
  if (!itemName) itemName = const_cast<char*>("");
  for (char* c = itemName; *c; ++c)
    if (*c == '/' || *c == '\\') *c = '_';
  auto text = [](const char* s) { return s ? s : ""; };

  if (win4) {
    std::string folder;
    if (number == 6) {
      folder = startup;
    } else if (char* f = GetFolderPath(FolderOf(number))) {
      folder = f;
    }
    if (folder.empty()) {
      ClearError();
      return Fail(ErrorText("Fehler bei GetFolderPath: Begriff nicht gefunden").c_str());
    }
    ClearError();
    const bool withGroup = TakesGroup(number);
    std::string dir = withGroup ? folder + "\\" + group : folder;
    std::string link = dir + "\\" + itemName + ".LNK";
    if (remove) {
      RemoveLinkFile(link);
      if (withGroup) {
        std::string host = platform::HostPath(dir);
        if (!host.empty()) rmdir(host.c_str());
      }
      return 0;
    }
    if (withGroup) {
      std::string host = platform::HostPath(dir);
      if (!host.empty()) mkdir(host.c_str(), 0755);
    }
    return ErzeugeLinkDatei(text(target), link.c_str(), kLibraryLinkDescription, text(arguments),
                            text(iconFile), iconIndex, text(workingDirectory), minimized);
  }

  // Program Manager: every code is a group there.
  std::string commandLine = std::string(text(target)) + " " + text(arguments);
  std::string pmGroup = number == 6 ? startup : group;
  const char* g = pmGroup.c_str();
  unsigned saved = SavedShowCommand(g);
  if (!pmGroup.empty()) {
    if (nt) {
      if (!remove) SendProgmanF("[CreateGroup(%s,,%u)]", g, 0u);
      SendProgmanF("[ShowGroup(%s,%u,%u)]", g, 2u, 0u);
      SendProgmanF("[ShowGroup(%s,%u,%u)]", g, 1u, 0u);
    } else {
      if (!remove) SendProgmanF("[CreateGroup(%s)]", g);
      SendProgmanF("[ShowGroup(%s,%u)]", g, 2u);
      SendProgmanF("[ShowGroup(%s,%u)]", g, 1u);
    }
  }
  if (*itemName) SendProgmanF("[DeleteItem(%s)]", itemName);
  if (!remove) {
    if (*text(workingDirectory))
      SendProgmanF("[AddItem(%s,%s,%s,%d,-1,-1,%s,,%d)]", commandLine.c_str(), itemName,
                   text(iconFile), iconIndex, text(workingDirectory), minimized);
    else
      SendProgmanF("[AddItem(%s,%s)]", commandLine.c_str(), itemName);
  }
  if (!pmGroup.empty()) {
    if (nt)
      SendProgmanF("[ShowGroup(%s,%u,%u)]", g, saved, 0u);
    else
      SendProgmanF("[ShowGroup(%s,%u)]", g, saved);
  }
  return 0;
}

char* GetProgrammGruppen(void) {
  if (IsWin4()) {
    // the newer shell's groups are the folders under the programs folders
    // (where CreateStartItem puts them), listed as the Program Manager would
    int32_t savedNumber = LastErrorNumber();
    std::string savedText = LastErrorText();
    std::vector<std::string> names;
    for (int code : {2, 12}) {
      if (code == 12 && !IsWinNT()) break;
      const char* folder = GetFolderPath(code);
      std::string host = folder ? platform::HostPath(folder) : std::string();
      DIR* dir = host.empty() ? nullptr : opendir(host.c_str());
      if (!dir) continue;
      while (struct dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        struct stat st {};
        if (stat((host + "/" + e->d_name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        bool known = false;
        for (const std::string& n : names) known |= platform::SameNameIgnoringCase(n, e->d_name);
        if (!known) names.push_back(e->d_name);
      }
      closedir(dir);
    }
    StoreError(savedNumber, savedText.c_str());  // not ours to change
    if (names.empty()) return nullptr;
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    std::string list;
    for (const std::string& n : names) list += n + "\r\n";
    return Reply().SetBytes(list.data(), list.size() < kReplySize ? list.size() : kReplySize);
  }
  auto reply = platform::ProgramManager().Request("PROGMAN");
  if (!reply || reply->empty()) return nullptr;
  return Reply().SetBytes(reply->data(), reply->size() < kReplySize ? reply->size() : kReplySize);
}

char* GetStartupGroup(void) {
  static ResultBuffer<kMaxPath> result;
  const bool win4 = IsWin4();
  ClearError();
  result.SetText("StartUp");
  if (win4) {
    // a start-up folder that cannot be read leaves the default
    if (const char* path = GetFolderPath(4)) {
      const char* slash = strrchr(path, '\\');
      const char* hostSlash = strrchr(path, '/');
      if (!slash || (hostSlash && hostSlash > slash)) slash = hostSlash;
      if (slash) result.SetText(slash + 1);
    }
    return result.Data();
  }
  std::string shell =
      platform::GetPrivateProfileString("boot", "shell", "", kMaxPath, "system.ini");
  if (!shell.empty()) {
    auto ini = platform::ShellModuleString(shell, 6);
    auto def = platform::ShellModuleString(shell, 120);
    if (ini && def) {
      result.SetText(
          platform::GetPrivateProfileString("Settings", "startup", *def, kMaxPath, *ini));
      return result.Data();
    }
  }
  std::string language =
      platform::GetPrivateProfileString("Intl", "sLanguage", "deu", 80, "win.ini");
  for (char& c : language) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  language = language.substr(0, 3);
  static const struct {
    const char* code;
    const char* name;
  } kNames[] = {{"deu", "Autostart"}, {"nld", "Opstarten"},  {"ita", "Avvio"},
                {"dan", "Start"},     {"fin", "Käynnistys"}, {"fra", "Démarrage"},
                {"frc", "Démarrage"}, {"nor", "Oppstart"},   {"ptg", "Iniciar"},
                {"esn", "Inicio"},    {"esp", "Inicio"},     {"sve", "Autostart"}};
  for (const auto& n : kNames)
    if (language == n.code) result.SetText(n.name);
  const char* stored =
      GetRegistry(HKEY_USERS,
                  ".DEFAULT\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Program "
                  "Manager\\Settings",
                  "Startup");
  if (stored) result.SetText(stored);
  return result.Data();
}

int StartGroup(const char* groupName) {
  const char* group = groupName ? groupName : "";
  int personal = StartGroupIn(2, group);
  int common = StartGroupIn(12, group);
  if (personal + common == 1) ClearError();
  return personal + common;
}

int CopyByStartup(const char* source, const char* destination) {
  const bool win95 = IsWin95();
  ClearError();
  const char* d = destination ? destination : "";
  const bool deletion = Upper(d) == "NUL";
  // what the names mean now, with this folder and these drives: the queue
  // is carried out later from anywhere
  std::string s = source && *source ? platform::AbsoluteHostPath(source) : std::string();
  std::string to = deletion ? std::string() : platform::AbsoluteHostPath(d);
  if (s.empty() || (!deletion && to.empty())) {
    SetSystemError(platform::ERROR_PATH_NOT_FOUND);
    Fail("Fehler bei CopyByStartup: MoveFileEx");
    return 0;
  }
  if (win95) {
    if (!AddToWininit(deletion ? std::string("NUL") : to, s)) {
      SetSystemErrno(errno);
      Fail("Fehler bei CopyByStartup: wininit.ini");
      return 0;
    }
  } else {
    // The NT way: a pair of strings in the session manager's list, the
    // source then the destination, empty for a deletion.
    struct stat st {};
    if (lstat(s.c_str(), &st) != 0) {
      SetSystemError(platform::ERROR_FILE_NOT_FOUND);
      Fail("Fehler bei CopyByStartup: MoveFileEx");
      return 0;
    }
    std::vector<std::string> queue = ReadRenameQueue();
    queue.push_back(s);
    queue.push_back(to);
    int32_t rc = WriteRenameQueue(queue);
    if (rc != platform::ERROR_SUCCESS) {
      SetSystemError(rc);
      Fail("Fehler bei CopyByStartup: MoveFileEx");
      return 0;
    }
  }
  // queued but never carried out would be a lie to the script
  if (!EnsureStartTrigger()) {
    SetSystemErrno(errno);
    Fail(ErrorText("Fehler bei CopyByStartup: %s", StartTriggerPath().c_str()).c_str());
    return 0;
  }
  return 1;
}

int ApplyPendingRenames(void) {
  ClearError();
  std::vector<std::string> blocked;
  int failed = 0;
  std::vector<std::string> queue = ReadRenameQueue();
  std::vector<std::string> left;
  for (size_t i = 0; i + 1 < queue.size(); i += 2) {
    if (!ApplyOne(queue[i], queue[i + 1], blocked)) {
      left.push_back(queue[i]);
      left.push_back(queue[i + 1]);
      ++failed;
    }
  }
  if (left.size() != queue.size()) WriteRenameQueue(left);

  // the older shell's list: "destination=source" lines of [rename]
  std::string wininit = WininitPath();
  bool wininitLeft = false;
  if (auto text = platform::ReadWholeFile(wininit)) {
    std::vector<std::string> lines = SplitLines(*text);
    std::vector<std::string> kept;
    bool inRename = false, changed = false;
    size_t header = std::string::npos;
    int entries = 0;
    for (const std::string& line : lines) {
      std::string trimmed = Trim(line);
      if (!trimmed.empty() && trimmed[0] == '[') {
        if (inRename && entries == 0 && header != std::string::npos) {
          kept.erase(kept.begin() + header);  // an emptied section goes
          changed = true;
        }
        inRename = Upper(trimmed).find("[RENAME]") != std::string::npos;
        header = inRename ? kept.size() : std::string::npos;
        entries = 0;
        kept.push_back(line);
        continue;
      }
      size_t eq = line.find('=');
      if (!inRename || eq == std::string::npos) {
        kept.push_back(line);
        continue;
      }
      std::string target = Trim(line.substr(0, eq)), from = Trim(line.substr(eq + 1));
      if (ApplyOne(from, Upper(target) == "NUL" ? std::string() : target, blocked)) {
        changed = true;
        continue;
      }
      kept.push_back(line);
      ++entries;
      ++failed;
      wininitLeft = true;
    }
    if (inRename && entries == 0 && header != std::string::npos) {
      kept.erase(kept.begin() + header);
      changed = true;
    }
    if (changed) {
      std::string out;
      bool content = false;
      for (const std::string& line : kept) {
        out += line + "\n";
        content |= !Trim(line).empty();
      }
      if (content)
        platform::ReplaceFile(wininit, out);
      else
        unlink(wininit.c_str());
    }
  }
  if (left.empty() && !wininitLeft) RemoveStartTrigger();
  return failed;
}

}  // extern "C"
