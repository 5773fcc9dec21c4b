#include "platform/progman.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace platform {

namespace {

bool Same(std::string_view a, std::string_view b) { return SameNameIgnoringCase(a, b); }

int ToInt(const std::string& s, int def) {
  if (s.empty()) return def;
  char* end = nullptr;
  long v = strtol(s.c_str(), &end, 10);
  if (end == s.c_str() || v < -32768 || v > 65535) return def;
  return static_cast<int>(v);
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

std::string Arg(const DdeCommand& c, size_t i) { return i < c.args.size() ? c.args[i] : ""; }

// A field of a reply line; a name with a quote or comma would break it.
std::string Field(const std::string& s) {
  std::string out;
  for (char c : s) out.push_back(c == '"' || c == '\r' || c == '\n' ? ' ' : c);
  return out;
}

}  // namespace

std::optional<std::vector<DdeCommand>> ParseDdeCommands(std::string_view text) {
  std::vector<DdeCommand> commands;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
      ++i;
  };
  for (;;) {
    skipBlanks();
    if (i == text.size() || text[i] == '\0') break;
    if (text[i] != '[') return std::nullopt;
    ++i;
    DdeCommand c;
    while (i < text.size() && text[i] != '(' && text[i] != ']') c.name.push_back(text[i++]);
    c.name = Trim(c.name);
    if (c.name.empty() || i == text.size()) return std::nullopt;
    if (text[i] == '(') {
      ++i;
      std::string cur;
      bool quoted = false, done = false;
      while (i < text.size() && !done) {
        char ch = text[i++];
        if (ch == '"') {
          quoted = !quoted;
        } else if (!quoted && ch == ',') {
          c.args.push_back(Trim(cur));
          cur.clear();
        } else if (!quoted && ch == ')') {
          c.args.push_back(Trim(cur));
          done = true;
        } else {
          cur.push_back(ch);
        }
      }
      if (!done) return std::nullopt;
      // "()" is a command without arguments
      if (c.args.size() == 1 && c.args[0].empty()) c.args.clear();
      skipBlanks();
    }
    if (i == text.size() || text[i] != ']') return std::nullopt;
    ++i;
    commands.push_back(std::move(c));
  }
  return commands;
}

ProgramManager::ProgramManager(std::string directory)
    : dir_(directory.empty() ? WindowsDirectory() : std::move(directory)) {}

std::string ProgramManager::IniPath() const { return dir_ + "/progman.ini"; }

std::vector<std::string> ProgramManager::GroupNames() {
  std::vector<std::string> names;
  for (const std::string& key : GetPrivateProfileKeys("Groups", IniPath())) {
    std::string file = GetPrivateProfileString("Groups", key, "", IniPath());
    std::string name = GetPrivateProfileString("Group", "Name", "", dir_ + "/" + file);
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::optional<std::string> ProgramManager::GroupFile(std::string_view name) {
  for (const std::string& key : GetPrivateProfileKeys("Groups", IniPath())) {
    std::string file = GetPrivateProfileString("Groups", key, "", IniPath());
    if (file.empty() || file.find('/') != std::string::npos) continue;
    std::string path = dir_ + "/" + file;
    if (Same(GetPrivateProfileString("Group", "Name", "", path), name)) return path;
  }
  return std::nullopt;
}

std::optional<ProgramManager::Group> ProgramManager::FindGroup(std::string_view name) {
  auto path = GroupFile(name);
  if (!path) return std::nullopt;
  auto bytes = ReadWholeFile(*path);
  IniDocument doc = IniDocument::Parse(bytes ? *bytes : "");
  Group g;
  g.file = *path;
  g.name = doc.Get("Group", "Name").value_or("");
  g.showCommand = ToInt(doc.Get("Group", "ShowCommand").value_or(""), 1);
  g.common = doc.Get("Group", "Common").value_or("0") == "1";
  for (const std::string& section : doc.SectionNames()) {
    if (!Same(section.substr(0, 4), "Item")) continue;
    Item it;
    it.name = doc.Get(section, "Name").value_or("");
    it.command = doc.Get(section, "Command").value_or("");
    it.workingDirectory = doc.Get(section, "WorkingDirectory").value_or("");
    it.iconPath = doc.Get(section, "IconPath").value_or("");
    it.iconIndex = ToInt(doc.Get(section, "IconIndex").value_or(""), 0);
    it.x = ToInt(doc.Get(section, "X").value_or(""), -1);
    it.y = ToInt(doc.Get(section, "Y").value_or(""), -1);
    it.hotKey = ToInt(doc.Get(section, "HotKey").value_or(""), 0);
    it.minimize = ToInt(doc.Get(section, "Minimize").value_or(""), 0);
    g.items.push_back(std::move(it));
  }
  return g;
}

bool ProgramManager::SaveGroup(const Group& g) {
  IniDocument doc;
  bool ok = doc.Set("Group", "Name", g.name) &&
            doc.Set("Group", "ShowCommand", std::to_string(g.showCommand)) &&
            doc.Set("Group", "Common", g.common ? "1" : "0");
  int n = 1;
  for (const Item& it : g.items) {
    std::string s = "Item" + std::to_string(n++);
    ok = ok && doc.Set(s, "Name", it.name) && doc.Set(s, "Command", it.command) &&
         doc.Set(s, "WorkingDirectory", it.workingDirectory) &&
         doc.Set(s, "IconPath", it.iconPath) &&
         doc.Set(s, "IconIndex", std::to_string(it.iconIndex)) &&
         doc.Set(s, "X", std::to_string(it.x)) && doc.Set(s, "Y", std::to_string(it.y)) &&
         doc.Set(s, "HotKey", std::to_string(it.hotKey)) &&
         doc.Set(s, "Minimize", std::to_string(it.minimize));
  }
  if (!ok) return false;  // a name that would break the file's lines
  DirectoryLock lock(g.file);
  return ReplaceFile(g.file, doc.Serialize());
}

bool ProgramManager::Run(const DdeCommand& c) {
  const std::string ini = IniPath();
  if (Same(c.name, "CreateGroup")) {
    std::string name = Arg(c, 0);
    if (name.empty() || name.size() > 255) return false;
    if (!GroupFile(name)) {
      int n = 1;
      while (!GetPrivateProfileString("Groups", "Group" + std::to_string(n), "", ini).empty()) ++n;
      Group g;
      g.file = dir_ + "/GRP" + std::to_string(n) + ".INI";
      g.name = name;
      g.common = Arg(c, 2) == "1";
      if (!SaveGroup(g)) return false;
      std::string key = "Group" + std::to_string(n), file = "GRP" + std::to_string(n) + ".INI";
      if (!WritePrivateProfileString("Groups", key.c_str(), file.c_str(), ini)) return false;
    }
    return WritePrivateProfileString("Settings", "Active", name.c_str(), ini);
  }
  if (Same(c.name, "ShowGroup")) {
    auto g = FindGroup(Arg(c, 0));
    if (!g) return false;
    g->showCommand = ToInt(Arg(c, 1), 1);
    return SaveGroup(*g) && WritePrivateProfileString("Settings", "Active", g->name.c_str(), ini);
  }
  if (Same(c.name, "DeleteGroup")) {
    auto g = FindGroup(Arg(c, 0));
    if (!g) return false;
    for (const std::string& key : GetPrivateProfileKeys("Groups", ini)) {
      std::string file = GetPrivateProfileString("Groups", key, "", ini);
      if (dir_ + "/" + file == g->file)
        WritePrivateProfileString("Groups", key.c_str(), nullptr, ini);
    }
    unlink(g->file.c_str());
    return true;
  }
  if (Same(c.name, "AddItem") || Same(c.name, "DeleteItem") || Same(c.name, "ReplaceItem")) {
    auto g = FindGroup(GetPrivateProfileString("Settings", "Active", "", ini));
    if (!g) return false;
    if (Same(c.name, "AddItem")) {
      Item it;
      it.command = Arg(c, 0);
      if (it.command.empty()) return false;
      it.name = Arg(c, 1);
      if (it.name.empty()) {
        // the program's name without folder and extension
        std::string base = it.command.substr(0, it.command.find(' '));
        base = base.substr(
            base.find_last_of("\\/:") == std::string::npos ? 0 : base.find_last_of("\\/:") + 1);
        it.name = base.substr(0, base.rfind('.'));
      }
      it.iconPath = Arg(c, 2);
      it.iconIndex = ToInt(Arg(c, 3), 0);
      it.x = ToInt(Arg(c, 4), -1);
      it.y = ToInt(Arg(c, 5), -1);
      it.workingDirectory = Arg(c, 6);
      it.hotKey = ToInt(Arg(c, 7), 0);
      it.minimize = ToInt(Arg(c, 8), 0);
      g->items.push_back(std::move(it));
      return SaveGroup(*g);
    }
    for (size_t i = 0; i < g->items.size(); ++i) {
      if (Same(g->items[i].name, Arg(c, 0))) {
        g->items.erase(g->items.begin() + static_cast<long>(i));
        return SaveGroup(*g);
      }
    }
    return false;
  }
  // commands that change nothing kept here
  return Same(c.name, "Reload") || Same(c.name, "ExitProgman");
}

bool ProgramManager::Execute(std::string_view text) {
  auto commands = ParseDdeCommands(text);
  if (!commands) return false;
  MakeDirectories(dir_);
  for (const DdeCommand& c : *commands)
    if (!Run(c)) return false;
  return true;
}

std::optional<std::string> ProgramManager::Request(std::string_view item) {
  if (Same(item, "PROGMAN")) {
    std::string reply;
    for (const std::string& name : GroupNames()) reply += name + "\r\n";
    return reply;
  }
  auto g = FindGroup(item);
  if (!g) return std::nullopt;
  std::string reply = "\"" + Field(g->name) + "\"," + g->file + "," +
                      std::to_string(g->items.size()) + "," + std::to_string(g->showCommand) +
                      "\r\n";
  for (const Item& it : g->items)
    reply += "\"" + Field(it.name) + "\",\"" + Field(it.command) + "\"," + it.workingDirectory +
             "," + it.iconPath + "," + std::to_string(it.x) + "," + std::to_string(it.y) + "," +
             std::to_string(it.iconIndex) + "," + std::to_string(it.hotKey) + "," +
             std::to_string(it.minimize) + "\r\n";
  return reply;
}

std::optional<std::string> ShellModuleString(std::string_view module, int id) {
  size_t slash = module.find_last_of("\\/:");
  std::string_view base = slash == std::string_view::npos ? module : module.substr(slash + 1);
  if (!Same(base, "progman.exe") && !Same(base, "progman")) return std::nullopt;
  if (id == 6) return "progman.ini";
  if (id == 120) return "StartUp";
  return std::nullopt;
}

}  // namespace platform
