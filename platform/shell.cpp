#include "platform/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/paths.h"

extern char** environ;

namespace platform {

namespace {

std::vector<pid_t>& Children() {
  static std::vector<pid_t> children;
  return children;
}

void ReapFinished() {
  auto& c = Children();
  for (size_t i = 0; i < c.size();) {
    int status;
    if (waitpid(c[i], &status, WNOHANG) != 0) {
      c[i] = c.back();
      c.pop_back();
    } else {
      ++i;
    }
  }
}

bool IsUrl(std::string_view s) {
  size_t colon = s.find("://");
  if (colon != std::string_view::npos && colon > 1) return true;
  return s.starts_with("mailto:");
}

std::string FindInPath(const char* program) {
  const char* path = getenv("PATH");
  std::string all = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string candidate = all.substr(start, end - start) + "/" + program;
    struct stat st {};
    // a folder is searchable (X_OK) but no program
    if (*program && end > start && stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return {};
}

int ErrnoToShell(int e) {
  switch (e) {
    case ENOENT:
      return SE_ERR_FNF;
    case ENOTDIR:
      return SE_ERR_PNF;
    case EACCES:
    case EPERM:
      return SE_ERR_ACCESSDENIED;
    case ENOMEM:
    case EAGAIN:
      return SE_ERR_NOMEM;
    case ENOEXEC:
      return SE_ERR_BADFORMAT;
    default:
      return SE_ERR_OOM;
  }
}

int Spawn(const std::string& program, const std::vector<std::string>& args,
          const std::string& directory) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return ErrnoToShell(rc);
  Children().push_back(pid);
  return kShellSuccess;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string cur;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
      cur.push_back('"');
      inWord = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words.push_back(cur);
      cur.clear();
      inWord = false;
    } else {
      cur.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(cur);
  return words;
}

std::optional<std::vector<std::string>> SplitShellWords(std::string_view line) {
  std::vector<std::string> words;
  std::string cur;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(cur);
      cur.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      size_t end = line.find('\'', i + 1);
      if (end == std::string_view::npos) return std::nullopt;
      cur.append(line.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;
        char d = line[i];
        if (d == '"') break;
        if (d == '\\' && i + 1 < line.size() && line[i + 1] != 0 &&
            strchr("$`\"\\\n", line[i + 1])) {
          if (line[++i] != '\n') cur.push_back(line[i]);
        } else {
          cur.push_back(d);
        }
      }
    } else if (c == '\\') {
      if (i + 1 < line.size() && line[++i] != '\n') cur.push_back(line[i]);
    } else {
      cur.push_back(c);
    }
  }
  if (inWord) words.push_back(cur);
  return words;
}

int SpawnProgram(const std::vector<std::string>& argv) {
  ReapFinished();
  if (argv.empty() || argv[0].empty()) return SE_ERR_FNF;
  std::string program = argv[0];
  if (program.find('/') == std::string::npos) {
    program = FindInPath(program.c_str());
    if (program.empty()) return SE_ERR_FNF;
  }
  return Spawn(program, argv, {});
}

int ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                 std::string_view directory, int /*showCommand*/) {
  ReapFinished();
  bool open = verb.empty() || verb == "open";
  if (!open && verb != "explore") return SE_ERR_NOASSOC;
  std::string dir;
  if (!directory.empty()) {
    dir = HostPath(directory);
    struct stat st {};
    if (dir.empty() || stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return SE_ERR_PNF;
  }
  std::string xdgOpen = FindInPath("xdg-open");
  if (IsUrl(file)) {
    if (xdgOpen.empty()) return SE_ERR_NOASSOC;
    return Spawn(xdgOpen, {xdgOpen, std::string(file)}, dir);
  }
  std::string host = HostPath(file);
  struct stat st {};
  if (open && (host.empty() || stat(host.c_str(), &st) != 0) &&
      file.find_first_of("/\\:") == std::string_view::npos) {
    // a bare program name is looked for on the search path, as Windows does
    std::string found = FindInPath(std::string(file).c_str());
    if (!found.empty()) host = found;
  }
  if (host.empty() || stat(host.c_str(), &st) != 0) {
    // the file or already its folder missing
    std::string parent = host.substr(0, host.rfind('/') == std::string::npos ? 0 : host.rfind('/'));
    struct stat pst {};
    if (!host.empty() && !parent.empty() && stat(parent.c_str(), &pst) != 0) return SE_ERR_PNF;
    return SE_ERR_FNF;
  }
  if (!open && !S_ISDIR(st.st_mode)) return SE_ERR_NOASSOC;
  if (open && S_ISREG(st.st_mode) && access(host.c_str(), X_OK) == 0) {
    std::vector<std::string> args{host};
    for (std::string& w : SplitCommandLine(parameters)) args.push_back(std::move(w));
    return Spawn(host, args, dir);
  }
  if (xdgOpen.empty()) return SE_ERR_NOASSOC;
  return Spawn(xdgOpen, {xdgOpen, host}, dir);
}

}  // namespace platform
