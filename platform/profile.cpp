#include "platform/profile.h"

#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/fileio.h"
#include "platform/filestamp.h"
#include "platform/paths.h"
#include "platform/utf8.h"

namespace platform {

namespace {

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// Section name of a header line, nullopt for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] != '[') return std::nullopt;
  t.remove_prefix(1);
  size_t close = t.find(']');
  return Trim(close == std::string_view::npos ? t : t.substr(0, close));
}

bool IsComment(std::string_view line) {
  std::string_view t = Trim(line);
  return !t.empty() && t[0] == ';';
}

// Key and raw value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> KeyLine(std::string_view line) {
  if (HeaderName(line) || IsComment(line)) return std::nullopt;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::make_pair(Trim(line.substr(0, eq)), line.substr(eq + 1));
}

std::string CleanValue(std::string_view raw) {
  std::string_view v = Trim(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool IsBareName(std::string_view file) {
  return file.find_first_of("/\\") == std::string_view::npos &&
         !(file.size() >= 2 && file[1] == ':');
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    std::string_view line =
        bytes.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // CR LF, and stray CRs
    doc.lines_.emplace_back(line);
    pos = (nl == std::string_view::npos) ? bytes.size() : nl + 1;
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const auto& l : lines_) {
    out += l;
    out += '\n';
  }
  return out;
}

std::optional<std::pair<size_t, size_t>> IniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = HeaderName(lines_[i]);
    if (!name || !SameNameIgnoringCase(*name, Trim(section))) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !HeaderName(lines_[end])) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

std::optional<size_t> IniDocument::FindKey(size_t begin, size_t end, std::string_view key) const {
  for (size_t i = begin; i < end; ++i) {
    auto kv = KeyLine(lines_[i]);
    if (kv && SameNameIgnoringCase(kv->first, Trim(key))) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  auto range = FindSection(section);
  if (!range) return std::nullopt;
  auto at = FindKey(range->first, range->second, key);
  if (!at) return std::nullopt;
  return CleanValue(KeyLine(lines_[*at])->second);
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string_view k = Trim(key), s = Trim(section);
  if (k.empty() || HasLineBreak(k) || k.find('=') != std::string_view::npos || k[0] == '[' ||
      k[0] == ';' || HasLineBreak(s) || s.find(']') != std::string_view::npos ||
      HasLineBreak(value))
    return false;
  std::string line = std::string(k) + "=" + std::string(value);
  auto range = FindSection(s);
  if (!range) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(s) + "]");
    lines_.push_back(line);
    return true;
  }
  if (auto at = FindKey(range->first, range->second, k)) {
    // keep the key as the file spells it
    std::string_view existing = KeyLine(lines_[*at])->first;
    lines_[*at] = std::string(existing) + "=" + std::string(value);
    return true;
  }
  // after the section's last non-blank line, so blank separators stay last
  size_t insert = range->second;
  while (insert > range->first && Trim(lines_[insert - 1]).empty()) --insert;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), line);
  return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  auto range = FindSection(section);
  if (!range) return false;
  auto at = FindKey(range->first, range->second, key);
  if (!at) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
  return true;
}

bool IniDocument::DeleteSection(std::string_view section) {
  auto range = FindSection(section);
  if (!range) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->first - 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(range->second));
  return true;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> out;
  for (const auto& l : lines_)
    if (auto name = HeaderName(l)) out.emplace_back(*name);
  return out;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> out;
  if (auto range = FindSection(section))
    for (size_t i = range->first; i < range->second; ++i)
      if (auto kv = KeyLine(lines_[i])) out.emplace_back(kv->first);
  return out;
}

std::vector<std::string> IniDocument::SectionLines(std::string_view section) const {
  std::vector<std::string> out;
  if (auto range = FindSection(section))
    for (size_t i = range->first; i < range->second; ++i)
      if (!Trim(lines_[i]).empty() && !IsComment(lines_[i])) out.emplace_back(Trim(lines_[i]));
  return out;
}

std::string ProfilePath(std::string_view file) {
  if (IsBareName(file)) return ResolveCaseInsensitive(WindowsDirectory() + "/" + std::string(file));
  return HostPath(file);
}

namespace {

// Files read lately, kept while their status is as it was: every DOS path
// asks win.ini for its drive. A file changed in the clock tick it was read
// in could keep its times, so such a reading is not kept.
struct KeptFile {
  std::string path;
  FileStamp stamp;
  IniDocument doc;
};
std::mutex keptMutex;
std::vector<KeptFile> keptFiles;  // the latest last
constexpr size_t kKeptFiles = 4;

IniDocument Load(std::string_view file) {
  const std::string path = ProfilePath(file);
  struct stat st;
  const bool known = !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (known) {
    std::lock_guard<std::mutex> lock(keptMutex);
    for (const KeptFile& k : keptFiles)
      if (k.path == path && k.stamp.Matches(st)) return k.doc;
  }
  struct timespec now;
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  auto bytes = ReadWholeFile(path);
  IniDocument doc = IniDocument::Parse(bytes ? *bytes : std::string());
  if (known && bytes && FileStamp::Of(st).SettledBefore(now)) {
    KeptFile k{path, FileStamp::Of(st), doc};
    std::lock_guard<std::mutex> lock(keptMutex);
    std::erase_if(keptFiles, [&](const KeptFile& old) { return old.path == path; });
    if (keptFiles.size() == kKeptFiles) keptFiles.erase(keptFiles.begin());
    keptFiles.push_back(std::move(k));
  }
  return doc;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::string_view file) {
  auto v = Load(file).Get(section, key);
  return v ? *v : std::string(def);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, size_t size, std::string_view file) {
  return Utf8ForBuffer(GetPrivateProfileString(section, key, def, file), size);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         std::string_view file) {
  auto v = Load(file).Get(section, key);
  if (!v) return def;
  return static_cast<int>(strtol(v->c_str(), nullptr, 10));
}

namespace {

// Reads the file under its lock, lets edit change the document, and writes
// it back only when it changed. edit returns whether the change succeeded.
template <typename Edit>
bool RewriteProfile(std::string_view file, Edit edit) {
  std::string path = ProfilePath(file);
  if (path.empty()) return false;
  DirectoryLock lock(path);
  if (!lock.Held()) return false;
  auto bytes = ReadWholeFile(path);
  if (!bytes && errno != ENOENT) return false;  // unreadable: never replace what we could not read
  struct stat st;
  if (bytes && stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
    errno = EACCES;  // read-only, as the attribute on Windows; root would pass access()
    return false;
  }
  IniDocument doc = IniDocument::Parse(bytes ? *bytes : std::string());
  std::string before = doc.Serialize();
  bool ok = edit(doc);
  std::string after = doc.Serialize();
  if (after == before) return ok;  // nothing to write: the file is left as it is
  return ReplaceFile(path, after) && ok;
}

}  // namespace

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               std::string_view file) {
  if (!section) return true;
  return RewriteProfile(file, [&](IniDocument& doc) {
    bool done = !key     ? doc.DeleteSection(section)
                : !value ? doc.DeleteKey(section, key)
                         : doc.Set(section, key, value);
    return done || !(key && value);  // deleting what is not there succeeds
  });
}

bool WritePrivateProfileStrings(const std::vector<ProfileEntry>& entries, std::string_view file) {
  if (entries.empty()) return true;
  return RewriteProfile(file, [&](IniDocument& doc) {
    bool all = true;
    for (const ProfileEntry& e : entries) all &= doc.Set(e.section, e.key, e.value);
    return all;
  });
}

std::vector<std::string> GetPrivateProfileSectionNames(std::string_view file) {
  return Load(file).SectionNames();
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, std::string_view file) {
  return Load(file).Keys(section);
}

std::vector<std::string> GetPrivateProfileSection(std::string_view section, std::string_view file) {
  return Load(file).SectionLines(section);
}

}  // namespace platform
