// Registry and INI commands.

#include <cstring>
#include <vector>

#include "instari/ixstdf32/ixstdf.h"
#include "instari/script/syscommands.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace instari::script::sys {

namespace {

struct Root {
  const char* name;
  HKEY library;
  platform::HKEY host;
};

// The roots a script may name, exactly so written.
const Root kScriptRoots[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, platform::HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, platform::HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, platform::HKEY_CURRENT_USER},
    {"HKEY_USERS", HKEY_USERS, platform::HKEY_USERS},
};

// The order in which the whole-registry search visits the roots.
const Root kSearchOrder[] = {
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, platform::HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, platform::HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, platform::HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, platform::HKEY_CURRENT_CONFIG},
};

// The root a token names: its own text, or the value of a field of that
// name. Anything else is no root, and that is no error worth a message.
const Root* RootOf(Interpreter& in, const TokenBuffer& t, int i) {
  std::string text = t.texts[i];
  if (t.kinds[i] == kIdentifier) {
    bool named = false;
    for (const Root& r : kScriptRoots) named |= text == r.name;
    if (!named)
      if (const std::string* v = in.GetField(text)) text = *v;
  }
  for (const Root& r : kScriptRoots)
    if (text == r.name) return &r;
  return nullptr;
}

Outcome GetRegistryCommand(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 6)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 4);
  if (!v) return Outcome::kDone;
  const Root* root = RootOf(in, t, 3);
  if (!root) return Flags(in, false);
  const char* data = GetRegistry(root->library, (*v)[0].c_str(), (*v)[1].c_str());
  if (!data) return Flags(in, false);
  return Result(in, t.texts[0], data);
}

Outcome SetRegistryCommand(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 2);
  if (!v) return Outcome::kDone;
  const Root* root = RootOf(in, t, 1);
  if (!root) return Flags(in, false);
  return Flags(in,
               SetRegistry(root->library, (*v)[0].c_str(), (*v)[1].c_str(), (*v)[2].c_str()) == 0);
}

Outcome DeleteRegistryCommand(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 2);
  if (!v) return Outcome::kDone;
  const Root* root = RootOf(in, t, 1);
  if (!root) return Flags(in, false);
  return Flags(in, DeleteRegistryKey(root->library, (*v)[0].c_str(), (*v)[1].c_str()) == 0);
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::vector<std::string> SubKeys(platform::HKEY key) {
  std::vector<std::string> names;
  for (uint32_t index = 0;; ++index) {
    char name[1024];
    uint32_t size = sizeof name;
    int32_t rc =
        platform::RegEnumKeyEx(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == platform::ERROR_MORE_DATA) continue;
    if (rc != platform::ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

// The search over all text values of the registry; replace is null for
// the reading variant.
class RegistrySearch {
 public:
  RegistrySearch(std::string search, const std::string* replace, FILE* log)
      : search_(AsciiUpper(std::move(search))), replace_(replace), log_(log) {}

  void Run() {
    std::vector<std::string> topLevel = SubKeys(platform::HKEY_CURRENT_USER);
    for (const Root& root : kSearchOrder) {
      Log("%s: %s\n", replace_ ? "SetRegistryAll" : "GetRegistryAll", root.name);
      for (const std::string& name : topLevel) Walk(root, name);
    }
    if (log_) fflush(log_);
  }

 private:
  template <typename... A>
  void Log(const char* format, A... args) {
    if (log_) fprintf(log_, format, args...);
  }

  void Walk(const Root& root, const std::string& path) {
    platform::HKEY key = nullptr;
    if (platform::RegOpenKeyEx(root.host, path.c_str(), 0, platform::KEY_READ, &key) !=
        platform::ERROR_SUCCESS)
      return;
    VisitValues(root, path, key);
    std::vector<std::string> children = SubKeys(key);
    platform::RegCloseKey(key);
    for (const std::string& child : children) Walk(root, path + "\\" + child);
  }

  void VisitValues(const Root& root, const std::string& path, platform::HKEY key) {
    for (uint32_t index = 0;; ++index) {
      char name[1024];
      uint32_t nameSize = sizeof name, type = 0, size = 0;
      int32_t rc =
          platform::RegEnumValue(key, index, name, &nameSize, nullptr, &type, nullptr, &size);
      if (rc == platform::ERROR_MORE_DATA) continue;
      if (rc != platform::ERROR_SUCCESS) break;
      // only plain strings: a rewrite of an expandable string would change its type
      if (type != platform::REG_SZ) continue;
      std::string data(size, '\0');
      if (platform::RegQueryValueEx(key, name, nullptr, &type,
                                    reinterpret_cast<uint8_t*>(data.data()),
                                    &size) != platform::ERROR_SUCCESS)
        continue;
      data.resize(size);
      if (size_t zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
      size_t at = AsciiUpper(data).find(search_);
      if (at == std::string::npos) continue;
      Log("\t%s\n\t\t%s = %s\n", path.c_str(), name, data.c_str());
      if (!replace_) continue;
      std::string updated = data.substr(0, at) + *replace_ + data.substr(at + search_.size());
      Log("\t\t%s = %s\n", name, updated.c_str());
      if (int r = SetRegistry(root.library, path.c_str(), name, updated.c_str()); r != 0)
        Log("Fehler - Nr.: %d\n", r);
    }
  }

  std::string search_;
  const std::string* replace_;
  FILE* log_;
};

Outcome RegistryAll(Interpreter& in, TokenBuffer& t, bool replacing) {
  int count = replacing ? 4 : 3;
  if (!StatementShape(t, count)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  // an empty search text would match every value: nothing is done with it
  if (!(*v)[0].empty()) {
    FILE* log = nullptr;
    if (auto handle = ParseHandle(v->back())) log = in.Handles().Stream(*handle);
    RegistrySearch(v->front(), replacing ? &(*v)[1] : nullptr, log).Run();
  }
  in.SetSuccess();
  return Outcome::kDone;
}

Outcome GetRegistryAllCommand(Interpreter& in, TokenBuffer& t) { return RegistryAll(in, t, false); }
Outcome SetRegistryAllCommand(Interpreter& in, TokenBuffer& t) { return RegistryAll(in, t, true); }

Outcome SetIniFileCommand(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  return Flags(in, platform::WritePrivateProfileString((*v)[1].c_str(), (*v)[2].c_str(),
                                                       (*v)[3].c_str(), (*v)[0]));
}

Outcome GetIniFileCommand(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 6)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 3);
  if (!v) return Outcome::kDone;
  std::string value = platform::GetPrivateProfileString((*v)[1], (*v)[2], "", 256, (*v)[0]);
  in.SetField(t.texts[0], value);
  return Flags(in, !value.empty());
}

}  // namespace

std::optional<std::vector<std::string>> Operands(Interpreter& in, const TokenBuffer& t, int from,
                                                 int to) {
  std::vector<std::string> values;
  for (int i = from; i < (to < 0 ? t.count : to); ++i) {
    std::optional<std::string> v = in.OperandValue(t, i);
    if (!v) return std::nullopt;
    values.push_back(std::move(*v));
  }
  return values;
}

void AddRegistryCommands(CommandTable& table) {
  table.AddFunction(kw_getregistry, GetRegistryCommand);
  table.AddStatement(kw_setregistry, SetRegistryCommand);
  table.AddStatement(kw_deleteregistry, DeleteRegistryCommand);
  table.AddStatement(kw_getregistryall, GetRegistryAllCommand);
  table.AddStatement(kw_setregistryall, SetRegistryAllCommand);
  table.AddStatement(kw_setinifile, SetIniFileCommand);
  table.AddFunction(kw_getinifile, GetIniFileCommand);
}

}  // namespace instari::script::sys
