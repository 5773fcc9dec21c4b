#include "platform/reghive.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "platform/paths.h"

namespace platform {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The order NT enumerates sub-keys in: upper-cased names, byte by byte.
bool NameLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(Upper(a[i])), y = static_cast<unsigned char>(Upper(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

struct RootName {
  const char* name;
  RegRoot root;
  bool classes;  // HKEY_CLASSES_ROOT: stored under HKLM\Software\Classes
};
constexpr RootName kRootNames[] = {
    {"HKEY_CURRENT_USER", RegRoot::CurrentUser, false},
    {"HKEY_LOCAL_MACHINE", RegRoot::LocalMachine, false},
    {"HKEY_USERS", RegRoot::Users, false},
    {"HKEY_CURRENT_CONFIG", RegRoot::CurrentConfig, false},
    {"HKEY_CLASSES_ROOT", RegRoot::LocalMachine, true},
};

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameNameIgnoringCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to maxDigits hex digits and nothing else.
std::optional<uint32_t> ParseHexNumber(std::string_view s, size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

// "bb,bb,..": one or two hex digits per byte, blanks around them, an optional
// trailing comma; the empty list is no bytes.
std::optional<std::string> ParseByteList(std::string_view s) {
  s = TrimBlanks(s);
  std::string out;
  if (s.empty()) return out;
  if (s.back() == ',') s.remove_suffix(1);
  for (;;) {
    size_t comma = s.find(',');
    auto byte = ParseHexNumber(TrimBlanks(s.substr(0, comma)), 2);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    if (comma == std::string_view::npos) return out;
    s.remove_prefix(comma + 1);
  }
}

// A quoted string at the start of s (which starts with '"'): \\ and \" are
// escapes, any other backslash stands for itself (hand-written paths such as
// "C:\Temp" load as written). Sets *rest to what follows the closing quote.
std::optional<std::string> ParseQuoted(std::string_view s, std::string_view* rest) {
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out += s[++i];
    } else if (c == '"') {
      *rest = s.substr(i + 1);
      return out;
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

struct ParsedKeyLine {
  RegPath path;
  bool remove = false;
};

std::optional<ParsedKeyLine> ParseKeyLine(std::string_view line) {
  // the name runs to the last ']' so that names holding ']' survive
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  std::string_view inner = line.substr(1, line.size() - 2);
  ParsedKeyLine out;
  if (!inner.empty() && inner[0] == '-') {
    out.remove = true;
    inner.remove_prefix(1);
  }
  size_t slash = inner.find('\\');
  std::string_view rootName = inner.substr(0, slash);
  const RootName* root = nullptr;
  for (const auto& r : kRootNames)
    if (SameNameIgnoringCase(rootName, r.name)) root = &r;
  if (!root) return std::nullopt;
  out.path.root = root->root;
  if (root->classes) out.path.parts = {"Software", "Classes"};
  size_t below = 0;
  while (slash != std::string_view::npos) {
    inner.remove_prefix(slash + 1);
    slash = inner.find('\\');
    std::string_view name = inner.substr(0, slash);
    if (!IsValidKeyName(name)) return std::nullopt;
    out.path.parts.emplace_back(name);
    ++below;
    if (out.path.parts.size() > kMaxKeyDepth) return std::nullopt;
  }
  // a root itself cannot be removed
  if (out.remove && below == 0) return std::nullopt;
  return out;
}

std::string DataLine(const RegValue& v) {
  std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
  const std::string& d = v.data;
  if (v.type == REG_SZ && !d.empty() && d.find('\0') == d.size() - 1 &&
      d.find_first_of("\r\n") == std::string::npos) {
    return line + Quote(std::string_view(d).substr(0, d.size() - 1)) + "\n";
  }
  char buf[16];
  if (v.type == REG_DWORD && d.size() == 4) {
    uint32_t x = 0;
    for (int i = 3; i >= 0; --i)
      x = (x << 8) | static_cast<unsigned char>(d[static_cast<size_t>(i)]);
    snprintf(buf, sizeof buf, "%08x", x);
    return line + "dword:" + buf + "\n";
  }
  if (v.type == REG_BINARY) {
    line += "hex:";
  } else {
    snprintf(buf, sizeof buf, "%x", v.type);
    line += std::string("hex(") + buf + "):";
  }
  // wrapped as the registry editor does: lines of at most 80 columns, the
  // break after a comma, continuation lines indented by two blanks
  std::string out;
  bool bytesOnLine = false;
  for (size_t i = 0; i < d.size(); ++i) {
    bool last = i + 1 == d.size();
    snprintf(buf, sizeof buf, "%02x%s", static_cast<unsigned char>(d[i]), last ? "" : ",");
    // room for the byte, and for the backslash that may follow it
    if (bytesOnLine && line.size() + (last ? 2 : 4) > 80) {
      out += line + "\\\n";
      line = "  ";
      bytesOnLine = false;
    }
    line += buf;
    bytesOnLine = true;
  }
  return out + line + "\n";
}

void WriteKey(std::string& out, const std::string& path, const RegKey& key, bool root) {
  if (!root || !key.values.empty()) {
    out += "[" + path + "]\n";
    for (const auto& v : key.values) out += DataLine(v);
    out += "\n";
  }
  for (const auto& sub : key.subkeys) WriteKey(out, path + "\\" + sub.name, sub, false);
}

// Upper-cased, so that every spelling of a name finds the same entry.
std::string UpperName(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Upper(c);
  return out;
}

std::string PathId(const RegPath& path) {
  std::string id = std::to_string(static_cast<int>(path.root));
  for (const auto& p : path.parts) id += "\\" + UpperName(p);
  return id;
}

// The values of one key while a file is read: a name index keeps a file with
// many values linear; removed values are dropped at the end.
struct StagedValues {
  RegPath path;
  std::vector<RegValue> values;
  std::vector<bool> live;
  std::unordered_map<std::string, size_t> index;

  void Set(std::string name, uint32_t type, std::string data) {
    std::string id = UpperName(name);
    auto it = index.find(id);
    if (it != index.end()) {
      values[it->second].type = type;
      values[it->second].data = std::move(data);
      return;
    }
    index.emplace(std::move(id), values.size());
    values.push_back(RegValue{std::move(name), type, std::move(data)});
    live.push_back(true);
  }
  void Remove(std::string_view name) {
    auto it = index.find(UpperName(name));
    if (it == index.end()) return;
    live[it->second] = false;
    index.erase(it);
  }
};

void Fail(std::string* error, size_t line, const char* why) {
  if (error) *error = "line " + std::to_string(line) + ": " + why;
}

}  // namespace

bool IsValidKeyName(std::string_view name) {
  size_t chars = 0;  // UTF-8 characters: bytes other than continuation bytes
  for (char c : name) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return !name.empty() && chars <= kMaxKeyNameLength &&
         name.find_first_of(std::string_view("\\\r\n\0", 4)) == std::string::npos;
}

bool IsValidValueName(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

const char* RegRootName(RegRoot root) { return kRootNames[static_cast<size_t>(root)].name; }

const RegKey* RegKey::Subkey(std::string_view n) const {
  auto it =
      std::lower_bound(subkeys.begin(), subkeys.end(), n,
                       [](const RegKey& k, std::string_view x) { return NameLess(k.name, x); });
  return (it != subkeys.end() && SameNameIgnoringCase(it->name, n)) ? &*it : nullptr;
}

RegKey* RegKey::Subkey(std::string_view n) {
  return const_cast<RegKey*>(static_cast<const RegKey*>(this)->Subkey(n));
}

RegKey& RegKey::AddSubkey(std::string_view n, bool* created) {
  auto it =
      std::lower_bound(subkeys.begin(), subkeys.end(), n,
                       [](const RegKey& k, std::string_view x) { return NameLess(k.name, x); });
  bool fresh = it == subkeys.end() || !SameNameIgnoringCase(it->name, n);
  if (fresh) {
    it = subkeys.insert(it, RegKey{});
    it->name = std::string(n);
  }
  if (created) *created = fresh;
  return *it;
}

bool RegKey::RemoveSubkey(std::string_view n) {
  const RegKey* k = Subkey(n);
  if (!k) return false;
  subkeys.erase(subkeys.begin() + (k - subkeys.data()));
  return true;
}

const RegValue* RegKey::Value(std::string_view n) const {
  for (const auto& v : values)
    if (SameNameIgnoringCase(v.name, n)) return &v;
  return nullptr;
}

bool RegKey::SetValue(std::string_view n, uint32_t type, std::string_view data) {
  for (auto& v : values) {
    if (!SameNameIgnoringCase(v.name, n)) continue;
    if (v.type == type && v.data == data) return false;
    v.type = type;
    v.data = std::string(data);
    return true;
  }
  values.push_back(RegValue{std::string(n), type, std::string(data)});
  return true;
}

bool RegKey::RemoveValue(std::string_view n) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (SameNameIgnoringCase(it->name, n)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

RegHive::RegHive() {
  for (size_t i = 0; i < roots_.size(); ++i) roots_[i].name = kRootNames[i].name;
}

const RegKey* RegHive::Find(const RegPath& path) const {
  const RegKey* k = &Root(path.root);
  for (const auto& p : path.parts)
    if (!(k = k->Subkey(p))) return nullptr;
  return k;
}

RegKey* RegHive::Find(const RegPath& path) {
  return const_cast<RegKey*>(static_cast<const RegHive*>(this)->Find(path));
}

RegKey& RegHive::Create(const RegPath& path, bool* created) {
  RegKey* k = &Root(path.root);
  bool any = false;
  for (const auto& p : path.parts) {
    bool fresh = false;
    k = &k->AddSubkey(p, &fresh);
    any = any || fresh;
  }
  if (created) *created = any;
  return *k;
}

std::optional<RegHive> RegHive::Parse(std::string_view text, std::string* error) {
  RegHive hive;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  std::vector<std::string_view> lines;
  for (size_t pos = 0; pos < text.size();) {
    size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? nl : nl - pos);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
  }

  bool header = false;
  std::map<std::string, StagedValues> staged;  // by PathId
  StagedValues* current = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t lineNo = i + 1;
    std::string_view line = TrimBlanks(lines[i]);
    if (line.empty() || line[0] == ';') continue;
    if (!header) {
      if (!SameNameIgnoringCase(line, "REGEDIT4")) {
        Fail(error, lineNo, "the file does not start with REGEDIT4");
        return std::nullopt;
      }
      header = true;
      continue;
    }
    if (line[0] == '[') {
      auto key = ParseKeyLine(line);
      if (!key) {
        Fail(error, lineNo, "bad key line");
        return std::nullopt;
      }
      current = nullptr;
      std::string id = PathId(key->path);
      if (key->remove) {
        RegPath parent = key->path;
        std::string last = parent.parts.back();
        parent.parts.pop_back();
        if (RegKey* p = hive.Find(parent)) p->RemoveSubkey(last);
        for (auto it = staged.lower_bound(id);
             it != staged.end() && it->first.compare(0, id.size(), id) == 0;) {
          bool below = it->first.size() == id.size() || it->first[id.size()] == '\\';
          it = below ? staged.erase(it) : std::next(it);
        }
      } else {
        hive.Create(key->path);
        current = &staged[id];
        current->path = key->path;
      }
      continue;
    }
    if (line[0] != '"' && line[0] != '@') {
      Fail(error, lineNo, "neither a key nor a value line");
      return std::nullopt;
    }
    if (!current) {
      Fail(error, lineNo, "value line outside a key");
      return std::nullopt;
    }

    std::string name;
    std::string_view rest;
    if (line[0] == '@') {
      rest = line.substr(1);
    } else {
      auto quoted = ParseQuoted(line, &rest);
      if (!quoted || !IsValidValueName(*quoted)) {
        Fail(error, lineNo, "bad value name");
        return std::nullopt;
      }
      name = std::move(*quoted);
    }
    rest = TrimBlanks(rest);
    if (rest.empty() || rest[0] != '=') {
      Fail(error, lineNo, "missing '=' after the value name");
      return std::nullopt;
    }
    std::string_view data = TrimBlanks(rest.substr(1));

    std::string joined;  // a byte list continued over lines ending in '\'
    if (StartsWithIgnoringCase(data, "hex") && !data.empty() && data.back() == '\\') {
      joined = data.substr(0, data.size() - 1);
      while (i + 1 < lines.size()) {
        std::string_view next = TrimBlanks(lines[++i]);
        bool more = !next.empty() && next.back() == '\\';
        joined += more ? next.substr(0, next.size() - 1) : next;
        if (!more) break;
      }
      data = joined;
    }

    if (data == "-") {
      current->Remove(name);
    } else if (!data.empty() && data[0] == '"') {
      std::string_view after;
      auto s = ParseQuoted(data, &after);
      if (!s || !TrimBlanks(after).empty()) {
        Fail(error, lineNo, "bad string data");
        return std::nullopt;
      }
      *s += '\0';
      current->Set(std::move(name), REG_SZ, std::move(*s));
    } else if (StartsWithIgnoringCase(data, "dword:")) {
      auto x = ParseHexNumber(data.substr(6), 8);
      if (!x) {
        Fail(error, lineNo, "bad dword data");
        return std::nullopt;
      }
      std::string bytes(4, '\0');
      for (size_t b = 0; b < 4; ++b) bytes[b] = static_cast<char>((*x >> (8 * b)) & 0xff);
      current->Set(std::move(name), REG_DWORD, std::move(bytes));
    } else if (StartsWithIgnoringCase(data, "hex")) {
      uint32_t type = REG_BINARY;
      std::string_view list = data.substr(3);
      if (!list.empty() && list[0] == '(') {
        size_t close = list.find(')');
        auto t = close == std::string_view::npos ? std::nullopt
                                                 : ParseHexNumber(list.substr(1, close - 1), 8);
        if (!t) {
          Fail(error, lineNo, "bad value type");
          return std::nullopt;
        }
        type = *t;
        list.remove_prefix(close + 1);
      }
      auto bytes = list.empty() || list[0] != ':' ? std::nullopt : ParseByteList(list.substr(1));
      if (!bytes) {
        Fail(error, lineNo, "bad byte list");
        return std::nullopt;
      }
      current->Set(std::move(name), type, std::move(*bytes));
    } else {
      Fail(error, lineNo, "unknown kind of data");
      return std::nullopt;
    }
  }
  for (auto& [id, st] : staged) {
    RegKey* key = hive.Find(st.path);
    for (size_t v = 0; v < st.values.size(); ++v)
      if (st.live[v]) key->values.push_back(std::move(st.values[v]));
  }
  return hive;
}

std::string RegHive::Serialize() const {
  std::string out = "REGEDIT4\n\n";
  for (size_t i = 0; i < roots_.size(); ++i) WriteKey(out, kRootNames[i].name, roots_[i], true);
  return out;
}

}  // namespace platform
