// Directory copies, deletes of whole directories and the directory
// comparison that removes what the source no longer has.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>

#include "instari/script/filecommands.h"
#include "platform/paths.h"

namespace instari::script::files {

namespace {

bool IsRealDirectory(const platform::FindData& d) {
  return d.IsDirectory() && !(d.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT);
}

bool HasEntryNamed(const std::vector<platform::FindData>& list, const std::string& name) {
  for (const platform::FindData& d : list)
    if (platform::SameNameIgnoringCase(d.name, name)) return true;
  return false;
}

bool RemoveFile(const std::string& path) {
  std::string host = platform::HostPath(path);
  return !host.empty() && unlink(host.c_str()) == 0;
}

bool RemoveDirectory(const std::string& path) {
  std::string host = platform::HostPath(path);
  return !host.empty() && rmdir(host.c_str()) == 0;
}

// Deletes a destination directory with everything in it. Links are removed
// as links; what they point to is never touched.
void DeleteTree(Interpreter& in, FILE* log, const std::string& dir) {
  Status(in, "Delete-Directory: " + dir);
  for (const platform::FindData& d : ListDirectory(dir)) {
    std::string path = JoinPath(dir, d.name);
    if (IsRealDirectory(d)) {
      DeleteTree(in, log, path);
      continue;
    }
    if (RemoveFile(path))
      Log(log, "OK    Delete-File: %s\n", path.c_str());
    else
      Log(log, "Error Delete-File: %s\n", path.c_str());
    in.Ui().DispatchPending();
  }
  if (RemoveDirectory(dir))
    Log(log, "OK    Delete-Directory: %s\n", dir.c_str());
  else
    Log(log, "Error Delete-Directory: %s\n", dir.c_str());
}

class DirCopy {
 public:
  DirCopy(Interpreter& in, const CopyOptions& o, FILE* log, bool recursive, ExpandingCopy lz)
      : in_(in), o_(o), log_(log), recursive_(recursive), lz_(lz) {
    excludeDirs_ = ReadList(in, "__ExcludeDirectory__");
    excludeFiles_ = ReadList(in, "__ExcludeFile__");
  }

  void Run(const std::string& src, const std::string& dst, const std::string& mask) {
    std::string m = mask;
    for (char& c : m)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    mask_ = m;
    Directory(src, dst);
  }

  int copied = 0;
  bool failed = false;
  bool found = false;

 private:
  static bool Listed(const std::vector<std::string>& list, const std::string& path) {
    for (const std::string& e : list)
      if (SamePath(e, path)) return true;
    return false;
  }

  void Directory(const std::string& src, const std::string& dst) {
    if (Listed(excludeDirs_, src)) {
      Log(log_, "Exclude  Directory: %s\n", src.c_str());
      return;
    }
    if (recursive_) {
      // the recursive copies make each destination directory as they reach it
      std::string host = platform::HostPath(dst);
      if (!host.empty()) mkdir(host.c_str(), 0777);
    }
    Status(in_, "Scan-Directory: " + src);
    std::vector<platform::FindData> entries = ListDirectory(src);
    Places places = PlacesFor(src, dst, entries);
    for (const platform::FindData& d : entries) {
      if (in_.Ui().CancelRequested()) return;
      if (d.IsDirectory() || !platform::MatchesDosWildcard(mask_, d.name)) continue;
      found = true;
      File(d, JoinPath(src, d.name), dst, places);
      in_.Ui().DispatchPending();
    }
    if (o_.deleteIfNoSource) {
      for (const platform::FindData& d : ListDirectory(dst)) {
        if (HasEntryNamed(entries, d.name)) continue;
        std::string path = JoinPath(dst, d.name);
        if (IsRealDirectory(d)) {
          DeleteTree(in_, log_, path);
        } else if (RemoveFile(path)) {
          Log(log_, "OK    Delete-File: %s\n", path.c_str());
        } else {
          Log(log_, "Error Delete-File: %s\n", path.c_str());
        }
      }
    }
    if (!recursive_) return;
    for (const platform::FindData& d : entries) {
      // a linked directory is not followed: it may lead back up the tree
      if (!IsRealDirectory(d) || in_.Ui().CancelRequested()) continue;
      Directory(JoinPath(src, d.name), JoinPath(dst, d.name));
    }
  }

  // Both directories resolved once, and the targets already there, so that
  // each file costs no lookups of its own. Source names that differ only in
  // case may meet one target: then each file looks for its target itself.
  struct Places {
    bool resolved = false;
    std::string hostSrc, hostDst;
    std::map<std::string, platform::FindData> targets;  // by folded name
  };

  static std::string Folded(std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
  }

  Places PlacesFor(const std::string& src, const std::string& dst,
                   const std::vector<platform::FindData>& entries) {
    Places p;
    if (lz_) return p;
    for (size_t i = 1; i < entries.size(); ++i)  // sorted by folded name
      if (platform::SameNameIgnoringCase(entries[i - 1].name, entries[i].name)) return p;
    p.hostSrc = platform::HostPath(src);
    p.hostDst = platform::HostPath(dst);
    if (p.hostSrc.empty() || p.hostDst.empty()) return p;
    for (platform::FindData& d : ListDirectory(dst)) {
      std::string key = Folded(d.name);
      auto it = p.targets.find(key);
      // the least spelling, as a single lookup would find
      if (it == p.targets.end() || d.name < it->second.name) p.targets[key] = std::move(d);
    }
    p.resolved = true;
    return p;
  }

  void File(const platform::FindData& source, const std::string& src, const std::string& dstDir,
            const Places& places) {
    if (Listed(excludeFiles_, src)) {
      Log(log_, "Exclude  File: %s\n", src.c_str());
      return;
    }
    std::string dst = JoinPath(dstDir, source.name);
    std::optional<platform::FindData> target;
    if (places.resolved) {
      auto it = places.targets.find(Folded(source.name));
      if (it != places.targets.end()) target = it->second;
    } else if (!o_.always) {
      target = platform::FindFirstMatch(dst);
    }
    if (!o_.always) {
      if (target && !NeedsCopy(source, *target, o_)) {
        Log(log_, "Ok (<=)  CopyFile %s \t%s\n", src.c_str(), dst.c_str());
        return;
      }
    }
    ++number_;
    Status(in_, "CopyFile [" + std::to_string(number_) + "]\n" + src + "\n" + dst);
    CopyStats stats;
    int r;
    if (lz_) {
      uint64_t start = in_.Facts().MillisecondsSinceStart();
      r = lz_(src.c_str(), dstDir.c_str());
      stats.bytes = source.size;
      stats.milliseconds = in_.Facts().MillisecondsSinceStart() - start;
      if (r == -2) {
        Log(log_, "Ok (<=)  CopyFile %s \t%s\n", src.c_str(), dst.c_str());
        return;
      }
    } else if (places.resolved) {
      r = BlockCopyHost(in_, src, dst, JoinHost(places.hostSrc, source.name),
                        JoinHost(places.hostDst, target ? target->name : source.name), nullptr,
                        &stats, !target);
    } else {
      r = BlockCopy(in_, src, dst, nullptr, &stats);
    }
    if (r == 1) {
      ++copied;
      if (stats.milliseconds > 0) {
        double rate = static_cast<double>(stats.bytes) / 1024.0 /
                      (static_cast<double>(stats.milliseconds) / 1000.0);
        Log(log_, "Ok       CopyFile %s \t%s \t(%s KB/Sek)\n", src.c_str(), dst.c_str(),
            FormatNumber(rate, 3, in_.Numbers()).c_str());
      } else {
        Log(log_, "Ok       CopyFile %s \t%s\n", src.c_str(), dst.c_str());
      }
    } else {
      failed = true;
      Log(log_, "Error: [%s] CopyFile %s \t%s\n", LastErrorText().c_str(), src.c_str(),
          dst.c_str());
    }
  }

  static std::string JoinHost(const std::string& dir, const std::string& name) {
    return dir.back() == '/' ? dir + name : dir + "/" + name;
  }

  Interpreter& in_;
  CopyOptions o_;
  FILE* log_;
  bool recursive_;
  ExpandingCopy lz_;
  std::string mask_;
  std::vector<std::string> excludeDirs_, excludeFiles_;
  int number_ = 0;
};

// deletefile's neighbour for whole directories: the files, not the
// subdirectories, then the directory itself when that emptied it.
Outcome DeleteDir(Interpreter& in, TokenBuffer& t) {
  if (!OperandsThenLog(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> dir = in.OperandValue(t, 1);
  if (!dir) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 1));
  if (!log) return Outcome::kDone;
  int count = 0;
  for (const platform::FindData& d : ListDirectory(*dir)) {
    // subdirectories are not entered; one with more attributes than that
    // (hidden, say) is tried as a file, which fails and is logged
    if (d.attributes == platform::FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string path = JoinPath(*dir, d.name);
    Status(in, "DeleteFile " + path);
    if (RemoveFile(path)) {
      ++count;
      Log(*log, "Ok          DeleteFile %s\n", path.c_str());
    } else {
      Log(*log, "Error:      DeleteFile %s\n", path.c_str());
    }
  }
  Log(*log, "            DeleteDir %s \t%d Dateien gelöscht\n", JoinPath(*dir, "*.*").c_str(),
      count);
  RemoveDirectory(*dir);  // only an empty one goes
  if (*log) fflush(*log);
  SetResult(in, count, count == 0);
  return Outcome::kDone;
}

void CmpDir(Interpreter& in, FILE* log, const std::string& src, const std::string& dst,
            bool recursive, int* number, int* deleted) {
  std::vector<platform::FindData> entries = ListDirectory(dst);
  for (const platform::FindData& d : entries) {
    if (d.IsDirectory()) continue;
    std::string path = JoinPath(dst, d.name);
    ++*number;
    Status(in, "CmpDirDelete [" + std::to_string(*number) + "]\n" + path);
    if (platform::FindFirstMatch(JoinPath(src, d.name))) continue;
    if (RemoveFile(path)) {
      ++*deleted;
      Log(log, "Delete Ok   :   CmpDirDelete %s\n", path.c_str());
    } else {
      Log(log, "Delete Error: %d CmpDirDelete %s\n", errno, path.c_str());
    }
  }
  if (!recursive) return;
  for (const platform::FindData& d : entries) {
    if (!IsRealDirectory(d) || d.name[0] == '.') continue;
    std::string sub = JoinPath(dst, d.name);
    CmpDir(in, log, JoinPath(src, d.name), sub, true, number, deleted);
    RemoveDirectory(sub);  // only when it is empty now
  }
}

Outcome CmpDirDelete(Interpreter& in, TokenBuffer& t, bool recursive) {
  if (!OperandsThenLog(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 2));
  if (!log) return Outcome::kDone;
  int number = 0, deleted = 0;
  CmpDir(in, *log, src, dst, recursive, &number, &deleted);
  if (*log) fflush(*log);
  SetResult(in, deleted, false);
  return Outcome::kDone;
}
Outcome CmpDirDeleteFlat(Interpreter& in, TokenBuffer& t) { return CmpDirDelete(in, t, false); }
Outcome CmpDirDeleteTree(Interpreter& in, TokenBuffer& t) { return CmpDirDelete(in, t, true); }

Outcome CopyDir(Interpreter& in, TokenBuffer& t) { return DirectoryCopy(in, t, false, nullptr); }
Outcome CopyDirTree(Interpreter& in, TokenBuffer& t) { return DirectoryCopy(in, t, true, nullptr); }

}  // namespace

Outcome DirectoryCopy(Interpreter& in, TokenBuffer& t, bool recursive, ExpandingCopy lz) {
  CopyOptions o;
  if (t.count < 3 || !Op(t, 1) || !Op(t, 2) || !ParseCopyOptions(t, 3, &o, true))
    return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, o.handleToken);
  if (!log) return Outcome::kDone;

  // a last component with wildcards is the file mask
  std::string dir = src, mask = "*.*";
  size_t cut = dir.find_last_of("\\/");
  std::string last = cut == std::string::npos ? dir : dir.substr(cut + 1);
  if (platform::HasWildcards(last)) {
    mask = last;
    dir = cut == std::string::npos ? "." : cut == 0 ? dir.substr(0, 1) : dir.substr(0, cut);
  }
  DirCopy copy(in, o, *log, recursive, lz);
  copy.Run(dir, dst, mask);
  if (!copy.found)
    Log(*log, "Error: keine Dateien gefunden: CopyDir %s %s\n", src.c_str(), dst.c_str());
  if (*log) fflush(*log);
  SetResult(in, copy.copied, copy.failed);
  return Outcome::kDone;
}

void AddDirectoryCommands(CommandTable& table) {
  table.AddStatement(kw_copydir, CopyDir);
  table.AddStatement(kw_copydirrecursive, CopyDirTree);
  table.AddStatement(kw_deletedir, DeleteDir);
  table.AddStatement(kw_cmpdirdelete, CmpDirDeleteFlat);
  table.AddStatement(kw_cmpdirdeleterecursive, CmpDirDeleteTree);
}

}  // namespace instari::script::files
