#include "platform/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/fileio.h"
#include "platform/paths.h"

namespace platform {

namespace {

std::mutex g_parseMutex;
std::string g_parseProblem;
bool g_toldParseProblem = false;

// A registry file that does not parse is left alone until somebody mends
// it; say once per run which line is wrong, not only that writes fail.
void NoteParseFailure(const std::string& path, const std::string& why) {
  std::lock_guard<std::mutex> lock(g_parseMutex);
  g_parseProblem = why;
  if (g_toldParseProblem) return;
  g_toldParseProblem = true;
  fprintf(stderr, "registry: %s does not parse (%s); it is left as it is until it is mended\n",
          path.c_str(), why.c_str());
}

}  // namespace

std::string RegistryParseProblem() {
  std::lock_guard<std::mutex> lock(g_parseMutex);
  return g_parseProblem;
}

namespace {

constexpr REGSAM kGenericRead = 0x80000000, kGenericWrite = 0x40000000,
                 kGenericExecute = 0x20000000, kGenericAll = 0x10000000,
                 kMaximumAllowed = 0x02000000;

REGSAM MapGenericRights(REGSAM a) {
  if (a & (kGenericRead | kGenericExecute)) a |= KEY_READ;
  if (a & kGenericWrite) a |= KEY_WRITE;
  if (a & (kGenericAll | kMaximumAllowed)) a |= KEY_ALL_ACCESS;
  return a;
}

int32_t StatusOfErrno(int e) {
  return (e == EACCES || e == EPERM || e == EROFS) ? ERROR_ACCESS_DENIED : ERROR_REGISTRY_IO_FAILED;
}

// What a handle stands for.
struct Target {
  RegPath path;
  REGSAM access = KEY_ALL_ACCESS;
  bool predefined = false;
  bool classesRoot = false;  // the HKEY_CLASSES_ROOT handle itself
};

struct FileSignature {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{}, ctime{};
  bool operator==(const FileSignature& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

FileSignature SignatureOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

class Registry {
 public:
  std::mutex mutex;

  std::optional<Target> Resolve(HKEY h) const {
    auto v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(h));
    // the sign-extended constants, and the same numbers cut to 32 bits
    if ((v >> 32) == 0xFFFFFFFFu || (v >> 32) == 0) {
      Target t;
      t.predefined = true;
      switch (static_cast<uint32_t>(v)) {
        case 0x80000000u:
          t.path = {RegRoot::LocalMachine, {"Software", "Classes"}};
          t.classesRoot = true;
          return t;
        case 0x80000001u:
          t.path.root = RegRoot::CurrentUser;
          return t;
        case 0x80000002u:
          t.path.root = RegRoot::LocalMachine;
          return t;
        case 0x80000003u:
          t.path.root = RegRoot::Users;
          return t;
        case 0x80000005u:
          t.path.root = RegRoot::CurrentConfig;
          return t;
        default:
          break;
      }
    }
    auto it = handles_.find(v);
    if (it == handles_.end()) return std::nullopt;
    return it->second;
  }

  HKEY AddHandle(Target t) {
    uint64_t v = nextHandle_;
    nextHandle_ += 4;
    t.predefined = false;
    t.classesRoot = false;
    handles_.emplace(v, std::move(t));
    return reinterpret_cast<HKEY>(static_cast<uintptr_t>(v));
  }

  bool RemoveHandle(HKEY h) {
    return handles_.erase(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(h))) > 0;
  }

  // The hive as the file holds it now; *hive stays valid until the next call.
  int32_t Current(const RegHive** hive) {
    std::string path = RegistryFilePath();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Missing(path, errno, hive);
    if (cacheTrusted_ && cachePath_ == path && SignatureOf(st) == cacheSig_) return Cached(hive);

    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Missing(path, errno, hive);
    std::string bytes;
    bool ok = fstat(fd, &st) == 0;
    char buf[65536];
    while (ok) {
      ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      bytes.append(buf, static_cast<size_t>(n));
    }
    int readErrno = errno;
    close(fd);
    if (!ok) {
      cacheTrusted_ = false;
      return StatusOfErrno(readErrno);
    }
    if (!cacheValid_ || cachePath_ != path || cacheBytes_ != bytes) {
      std::string why;
      cacheHive_ = RegHive::Parse(bytes, &why);
      if (!cacheHive_) NoteParseFailure(path, why);
      cacheBytes_ = std::move(bytes);
      cachePath_ = path;
      cacheValid_ = true;
    }
    // The signature alone is trusted only for a file that had been left alone
    // for a while when it was read: a later change then carries a later change
    // time, even when the inode number came back and the size stayed.
    cacheSig_ = SignatureOf(st);
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    cacheTrusted_ = st.st_ctim.tv_sec + 2 < now.tv_sec;
    return Cached(hive);
  }

  // Reads the file under the directory lock, applies one change and replaces
  // the file when the change did anything. Never writes over a file it could
  // not read or parse, nor over a read-only one.
  int32_t Change(const std::function<int32_t(RegHive&, bool& changed)>& edit) {
    std::string path = RegistryFilePath();
    DirectoryLock lock(path);
    if (!lock.Held()) return StatusOfErrno(errno);
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return StatusOfErrno(errno);
    RegHive hive;
    if (exists) {
      auto bytes = ReadWholeFile(path);
      if (!bytes) return StatusOfErrno(errno);
      std::string why;
      auto parsed = RegHive::Parse(*bytes, &why);
      if (!parsed) {
        NoteParseFailure(path, why);
        return ERROR_BADDB;
      }
      // read-only, as the attribute on Windows; root would pass access()
      if ((st.st_mode & 0222) == 0) return ERROR_ACCESS_DENIED;
      hive = std::move(*parsed);
    }
    bool changed = false;
    int32_t rc = edit(hive, changed);
    if (rc != ERROR_SUCCESS || !changed) return rc;
    std::string text = hive.Serialize();
    if (!ReplaceFile(path, text)) return StatusOfErrno(errno);
    // the next read compares the bytes and need not parse them again
    cachePath_ = path;
    cacheBytes_ = std::move(text);
    cacheHive_ = std::move(hive);
    cacheValid_ = true;
    cacheTrusted_ = false;
    return ERROR_SUCCESS;
  }

 private:
  int32_t Missing(const std::string& path, int e, const RegHive** hive) {
    cacheTrusted_ = false;
    if (e != ENOENT) return StatusOfErrno(e);
    cachePath_ = path;
    cacheBytes_.clear();
    cacheHive_ = RegHive();
    cacheValid_ = false;  // a file of no bytes is not the same as no file
    *hive = &*cacheHive_;
    return ERROR_SUCCESS;
  }

  int32_t Cached(const RegHive** hive) {
    if (!cacheHive_) return ERROR_BADDB;
    *hive = &*cacheHive_;
    return ERROR_SUCCESS;
  }

  std::unordered_map<uint64_t, Target> handles_;
  uint64_t nextHandle_ = 0x1000;  // far below the predefined numbers

  std::string cachePath_;
  std::string cacheBytes_;
  std::optional<RegHive> cacheHive_;  // nullopt: the bytes do not parse
  FileSignature cacheSig_;
  bool cacheValid_ = false, cacheTrusted_ = false;
};

Registry& State() {
  static Registry r;
  return r;
}

const RegKey& EmptyKey() {
  static const RegKey empty;
  return empty;
}

// The key a handle stands for, or null with the reason in *status. The
// classes view reads as an empty key while HKLM\Software\Classes is missing.
const RegKey* KeyOf(const RegHive& hive, const Target& t, int32_t* status) {
  if (const RegKey* k = hive.Find(t.path)) return k;
  if (t.classesRoot) return &EmptyKey();
  *status = ERROR_KEY_DELETED;
  return nullptr;
}

// The same for a write: the classes view's key is created on demand.
RegKey* WritableKeyOf(RegHive& hive, const Target& t, int32_t* status) {
  if (t.classesRoot) return &hive.Create(t.path);
  if (RegKey* k = hive.Find(t.path)) return k;
  *status = ERROR_KEY_DELETED;
  return nullptr;
}

// "a\b\c" into names; a trailing backslash is allowed, a leading one or an
// empty name in between is not.
int32_t SplitKeyPath(const char* subKey, std::vector<std::string>* parts) {
  parts->clear();
  if (!subKey || !*subKey) return ERROR_SUCCESS;
  std::string_view s(subKey);
  if (s[0] == '\\') return ERROR_BAD_PATHNAME;
  if (s.back() == '\\') s.remove_suffix(1);
  for (;;) {
    size_t slash = s.find('\\');
    std::string_view name = s.substr(0, slash);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    parts->emplace_back(name);
    if (slash == std::string_view::npos) return ERROR_SUCCESS;
    s.remove_prefix(slash + 1);
  }
}

bool Allows(const Target& t, REGSAM need) { return t.predefined || (t.access & need) == need; }

// Copies a name into a caller's buffer of *size bytes the way the Win32 enum
// calls do: ERROR_MORE_DATA when name and zero do not fit.
int32_t CopyName(const std::string& n, char* out, uint32_t* size) {
  if (n.size() + 1 > *size) return ERROR_MORE_DATA;
  memcpy(out, n.c_str(), n.size() + 1);
  *size = static_cast<uint32_t>(n.size());
  return ERROR_SUCCESS;
}

int32_t CopyData(const RegValue& v, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (type) *type = v.type;
  if (!size) return ERROR_SUCCESS;
  auto needed = static_cast<uint32_t>(v.data.size());
  if (data && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data && needed) memcpy(data, v.data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

// The key a reading call works on, checked in the Win32 order: handle,
// access, the call's parameters, then the hive as loaded. Called with the
// registry locked; the key stays valid while the lock is held.
int32_t KeyForReading(Registry& reg, HKEY hKey, REGSAM need, bool parametersOk,
                      const RegKey** key) {
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  if (!Allows(*t, need)) return ERROR_ACCESS_DENIED;
  if (!parametersOk) return ERROR_INVALID_PARAMETER;
  const RegHive* hive = nullptr;
  if (int32_t rc = reg.Current(&hive)) return rc;
  int32_t status = ERROR_SUCCESS;
  *key = KeyOf(*hive, *t, &status);
  return *key ? ERROR_SUCCESS : status;
}

}  // namespace

std::string RegistryFilePath() { return WindowsDirectory() + "/registry.reg"; }

int32_t RegOpenKeyEx(HKEY hKey, const char* subKey, uint32_t, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  std::vector<std::string> parts;
  if (int32_t rc = SplitKeyPath(subKey, &parts)) return rc;
  if (parts.empty() && t->predefined) {
    *result = hKey;
    return ERROR_SUCCESS;
  }
  const RegHive* hive = nullptr;
  if (int32_t rc = reg.Current(&hive)) return rc;
  int32_t status = ERROR_SUCCESS;
  const RegKey* k = KeyOf(*hive, *t, &status);
  if (!k) return status;
  Target opened = *t;
  for (const auto& p : parts) {
    if (!(k = k->Subkey(p))) return ERROR_FILE_NOT_FOUND;
    opened.path.parts.push_back(k->name);
  }
  opened.access = MapGenericRights(access);
  *result = reg.AddHandle(std::move(opened));
  return ERROR_SUCCESS;
}

int32_t RegCreateKeyEx(HKEY hKey, const char* subKey, uint32_t, char*, uint32_t, REGSAM access,
                       const void*, HKEY* result, uint32_t* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  std::vector<std::string> parts;
  if (int32_t rc = SplitKeyPath(subKey, &parts)) return rc;
  if (parts.empty() && t->predefined) {
    if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
    *result = hKey;
    return ERROR_SUCCESS;
  }

  // Most calls find the key there already and need not write.
  const RegHive* hive = nullptr;
  if (int32_t rc = reg.Current(&hive)) return rc;
  int32_t status = ERROR_SUCCESS;
  const RegKey* k = KeyOf(*hive, *t, &status);
  if (!k) return status;
  Target opened = *t;
  for (const auto& p : parts) {
    if (!(k = k->Subkey(p))) break;
    opened.path.parts.push_back(k->name);  // as stored
  }

  bool created = false;
  if (!k) {
    if (!Allows(*t, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    if (t->path.parts.size() + parts.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    for (const auto& p : parts)
      if (!IsValidKeyName(p)) return ERROR_INVALID_PARAMETER;
    int32_t rc = reg.Change([&](RegHive& h, bool& changed) {
      int32_t why = ERROR_SUCCESS;
      RegKey* key = WritableKeyOf(h, *t, &why);
      if (!key) return why;
      opened = *t;
      for (const auto& p : parts) {
        bool fresh = false;
        key = &key->AddSubkey(p, &fresh);
        created = created || fresh;
        opened.path.parts.push_back(key->name);
      }
      changed = created;
      return ERROR_SUCCESS;
    });
    if (rc) return rc;
  }
  opened.access = MapGenericRights(access);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = reg.AddHandle(std::move(opened));
  return ERROR_SUCCESS;
}

int32_t RegCloseKey(HKEY hKey) {
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  if (!t->predefined) reg.RemoveHandle(hKey);
  return ERROR_SUCCESS;
}

int32_t RegSetValueEx(HKEY hKey, const char* valueName, uint32_t, uint32_t type,
                      const uint8_t* data, uint32_t size) {
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  if (!Allows(*t, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::string_view name = valueName ? valueName : "";
  if (!IsValidValueName(name) || (!data && size)) return ERROR_INVALID_PARAMETER;
  std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  return reg.Change([&](RegHive& h, bool& changed) {
    int32_t why = ERROR_SUCCESS;
    RegKey* key = WritableKeyOf(h, *t, &why);
    if (!key) return why;
    changed = key->SetValue(name, type, bytes);
    return ERROR_SUCCESS;
  });
}

int32_t RegQueryValueEx(HKEY hKey, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data,
                        uint32_t* size) {
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  const RegKey* k = nullptr;
  if (int32_t rc = KeyForReading(reg, hKey, KEY_QUERY_VALUE, !(data && !size), &k)) return rc;
  const RegValue* v = k->Value(valueName ? valueName : "");
  if (!v) return ERROR_FILE_NOT_FOUND;
  return CopyData(*v, type, data, size);
}

int32_t RegEnumValue(HKEY hKey, uint32_t index, char* name, uint32_t* nameSize, uint32_t*,
                     uint32_t* type, uint8_t* data, uint32_t* size) {
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  const RegKey* k = nullptr;
  if (int32_t rc =
          KeyForReading(reg, hKey, KEY_QUERY_VALUE, name && nameSize && !(data && !size), &k))
    return rc;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const RegValue& v = k->values[index];
  if (int32_t rc = CopyName(v.name, name, nameSize)) return rc;
  return CopyData(v, type, data, size);
}

int32_t RegEnumKeyEx(HKEY hKey, uint32_t index, char* name, uint32_t* nameSize, uint32_t*,
                     char* className, uint32_t* classSize, void* lastWriteTime) {
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  const RegKey* k = nullptr;
  if (int32_t rc = KeyForReading(reg, hKey, KEY_ENUMERATE_SUB_KEYS,
                                 name && nameSize && !(className && !classSize), &k))
    return rc;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  if (int32_t rc = CopyName(k->subkeys[index].name, name, nameSize)) return rc;
  if (classSize) {
    if (className && *classSize > 0) className[0] = '\0';
    *classSize = 0;
  }
  if (lastWriteTime) memset(lastWriteTime, 0, 8);
  return ERROR_SUCCESS;
}

int32_t RegDeleteKey(HKEY hKey, const char* subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  std::vector<std::string> parts;
  if (int32_t rc = SplitKeyPath(subKey, &parts)) return rc;
  if (parts.empty() && t->predefined) return ERROR_ACCESS_DENIED;
  RegPath target = t->path;
  target.parts.insert(target.parts.end(), parts.begin(), parts.end());
  if (target.parts.empty()) return ERROR_ACCESS_DENIED;
  return reg.Change([&](RegHive& h, bool& changed) {
    int32_t why = ERROR_SUCCESS;
    if (!KeyOf(h, *t, &why)) return why;
    const RegKey* k = h.Find(target);
    if (!k) return ERROR_FILE_NOT_FOUND;
    if (!k->subkeys.empty()) return ERROR_ACCESS_DENIED;
    RegPath parent = target;
    parent.parts.pop_back();
    changed = h.Find(parent)->RemoveSubkey(target.parts.back());
    return ERROR_SUCCESS;
  });
}

int32_t RegDeleteValue(HKEY hKey, const char* valueName) {
  Registry& reg = State();
  std::lock_guard guard(reg.mutex);
  auto t = reg.Resolve(hKey);
  if (!t) return ERROR_INVALID_HANDLE;
  if (!Allows(*t, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return reg.Change([&](RegHive& h, bool& changed) {
    int32_t why = ERROR_SUCCESS;
    RegKey* key = t->classesRoot ? h.Find(t->path) : WritableKeyOf(h, *t, &why);
    if (!key) return t->classesRoot ? ERROR_FILE_NOT_FOUND : why;
    if (!key->RemoveValue(valueName ? valueName : "")) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

}  // namespace platform
