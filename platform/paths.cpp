#include "platform/paths.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/dircache.h"
#include "platform/profile.h"

namespace platform {

namespace {

std::string Env(const char* name) {
  const char* v = getenv(name);
  return v ? std::string(v) : std::string();
}

bool Exists(const std::string& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string WithoutTrailingSlash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

}  // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool MakeDirectories(const std::string& hostPath) {
  if (hostPath.empty()) return false;
  struct stat st;
  if (stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;  // the usual case
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    size_t next = hostPath.find('/', pos + 1);
    partial = hostPath.substr(0, next);
    if (!partial.empty() && partial != "/" && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
      return false;
    pos = next;
  }
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HomeDirectory() {
  std::string home = Env("HOME");
  // without HOME the user database knows it; never a shared place like
  // /tmp that another user could have prepared
  if (home.empty()) {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  return home;
}

std::string ConfigHome() {
  // a relative value is invalid in the base-directory rules and ignored
  std::string config = Env("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/') return config;
  return HomeDirectory() + "/.config";
}

std::string WindowsDirectory() {
  std::string dir = Env("WINDIR");
  if (dir.empty()) dir = ConfigHome() + "/tervola";
  dir = WithoutTrailingSlash(dir);
  MakeDirectories(dir);
  return dir;
}

std::string UnsafeWindowsDirectory() {
  const std::string dir = WindowsDirectory();
  const uid_t me = geteuid();
  for (const std::string& path : {dir, dir + "/registry.reg"}) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) continue;  // not there yet: ours when made
    // root may work in a user's folder (sudo make test in a checkout)
    const char* why = me != 0 && st.st_uid != me ? " belongs to another user"
                      : (st.st_mode & S_IWOTH)   ? " may be written by any user"
                                                 : nullptr;
    if (why) {
      return path + why +
             "; the settings and the registry there cannot be trusted (set WINDIR to a folder "
             "of your own)";
    }
  }
  return {};
}

std::string SystemDirectory() {
  std::string dir = WindowsDirectory() + "/system";
  MakeDirectories(dir);
  return dir;
}

std::string TempDirectory() {
  std::string dir = Env("TMPDIR");
  if (dir.empty()) dir = "/tmp";
  dir = WithoutTrailingSlash(dir);
  if (dir != "/") dir += '/';
  return dir;
}

namespace {

// Ours alone: a folder (not a link) owned by us that nobody else may enter.
bool PrivateFolder(const std::string& dir) {
  struct stat st {};
  return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & 077) == 0;
}

}  // namespace

std::string RuntimeDirectory() {
  std::string dir = WithoutTrailingSlash(Env("XDG_RUNTIME_DIR"));
  if (!dir.empty() && dir.front() == '/' && PrivateFolder(dir)) return dir;
  dir = TempDirectory() + "prentix-" + std::to_string(geteuid());
  mkdir(dir.c_str(), 0700);
  return PrivateFolder(dir) ? dir : std::string();
}

bool WaylandSocketPresent() {
  std::string socket = Env("WAYLAND_DISPLAY");
  if (socket.empty()) return false;
  if (socket.front() != '/') socket = Env("XDG_RUNTIME_DIR") + "/" + socket;
  struct stat st {};
  return stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool FolderWritable(const std::string& folder, std::string* reason) {
  // a real file, not access(): root passes access() on read-only mounts and
  // immutable folders, and a full disk only shows when something is made
  std::string probe = WithoutTrailingSlash(folder) + "/.write-test-XXXXXX";
  int fd = mkstemp(probe.data());
  if (fd < 0) {
    if (reason) *reason = strerror(errno);
    return false;
  }
  bool ok = write(fd, "x", 1) == 1;
  if (!ok && reason) *reason = strerror(errno);
  close(fd);
  unlink(probe.c_str());
  return ok;
}

std::string ResolveCaseInsensitive(const std::string& hostPath) {
  if (hostPath.empty() || Exists(hostPath)) return hostPath;

  // Usually only the last name is missing (a file about to be made): one
  // look at its directory instead of one per component.
  const size_t cut = hostPath.rfind('/');
  if (hostPath.back() != '/') {
    std::string dir = cut == std::string::npos ? "." : cut == 0 ? "/" : hostPath.substr(0, cut);
    std::string name = cut == std::string::npos ? hostPath : hostPath.substr(cut + 1);
    struct stat st;
    if (name != "." && name != ".." && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      std::string found = FindSpellingInDirectory(dir, name, &st);
      if (found.empty()) return hostPath;
      return cut == std::string::npos ? found : hostPath.substr(0, cut + 1) + found;
    }
  }

  std::string out;
  size_t pos = 0;
  if (hostPath[0] == '/') {
    out = "/";
    pos = 1;
  }
  bool searching = true;  // once a component is missing, the rest is kept as written
  while (pos <= hostPath.size()) {
    size_t slash = hostPath.find('/', pos);
    std::string comp =
        hostPath.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    pos = (slash == std::string::npos) ? hostPath.size() + 1 : slash + 1;
    if (comp.empty()) continue;
    std::string dir = out.empty() ? std::string(".") : out;
    std::string candidate = out.empty() ? comp : (out == "/" ? "/" + comp : out + "/" + comp);
    if (searching && !Exists(candidate) && comp != "." && comp != "..") {
      // several spellings may exist; the least is taken so the choice is stable
      std::string found = FindSpellingInDirectory(dir, comp);
      if (found.empty())
        searching = false;
      else
        candidate = out.empty() ? found : (out == "/" ? "/" + found : out + "/" + found);
    }
    out = candidate;
  }
  if (!hostPath.empty() && hostPath.back() == '/' && !out.empty() && out.back() != '/') out += '/';
  return out;
}

std::string HostPathAsWritten(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.size() >= 2 && p[1] == ':' &&
      ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    char letter = static_cast<char>(p[0] & ~0x20);
    std::string root = GetPrivateProfileString("Drives", std::string(1, letter), "", "win.ini");
    if (root.empty()) {
      if (letter != 'C') return {};
      root.assign(1, '/');  // assign(const char*) trips a false -Wrestrict in GCC 12
    }
    for (char& c : root)
      if (c == '\\') c = '/';
    std::string rest = p.substr(2);
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    root = WithoutTrailingSlash(root);
    p = (root == "/") ? "/" + rest : root + "/" + rest;
  }
  return p;
}

std::string HostPath(std::string_view path) {
  std::string p = HostPathAsWritten(path);
  return p.empty() ? p : ResolveCaseInsensitive(p);
}

std::string AbsoluteHostPath(std::string_view path) {
  std::string p = HostPath(path);
  if (p.empty() || p[0] == '/') return p;
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return std::string();
  std::string base = cwd;
  if (base.back() != '/') base += '/';
  return p == "." ? cwd : base + p;
}

}  // namespace platform
