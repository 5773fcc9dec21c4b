// The single-file commands: copy, move, translate, change in place,
// delete, directories, tests and sizes.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "instari/script/filecommands.h"
#include "platform/paths.h"

namespace instari::script::files {

namespace {

// Longer paths are refused by mkdir and rmdir.
constexpr size_t kMaxDirectoryPath = 256;
// changefilevalue reads its file in pieces of at most this many characters.
constexpr int kChangeLine = 254;

// copyfile src dst [options] [h]
Outcome CopyFile(Interpreter& in, TokenBuffer& t) {
  CopyOptions o;
  if (t.count < 3 || !Op(t, 1) || !Op(t, 2) || !ParseCopyOptions(t, 3, &o, false))
    return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, o.handleToken);
  if (!log) return Outcome::kDone;

  int code = -1;
  if (!o.always) {
    std::optional<platform::FindData> s = platform::FindFirstMatch(src);
    std::optional<platform::FindData> d = s ? platform::FindFirstMatch(dst) : std::nullopt;
    if (s && d && !NeedsCopy(*s, *d, o)) code = -2;
  }
  if (code != -2) code = BlockCopy(in, src, dst, nullptr, nullptr);
  if (code == -2)
    Log(*log, "Ok (<=) CopyFile %s \t%s\n", src.c_str(), dst.c_str());
  else if (code == 1)
    Log(*log, "Ok      CopyFile %s \t%s\n", src.c_str(), dst.c_str());
  else
    Log(*log, "Error:  [%s] CopyFile %s \t%s\n", LastErrorText().c_str(), src.c_str(), dst.c_str());
  if (*log) fflush(*log);
  SetResult(in, code, code < 1 && code != -2);
  return Outcome::kDone;
}

// Moves one file over an existing destination; false with the reason as the
// library's last error.
bool MoveReplacing(const std::string& src, const std::string& dst) {
  std::string hs = platform::HostPath(src), hd = platform::HostPath(dst);
  if (hs.empty()) {
    RecordFailure("Datei " + src + " kann nicht verschoben werden", ENOENT);
    return false;
  }
  if (hd.empty()) {
    RecordFailure("Datei " + dst + " kann nicht erstellt werden", ENOENT);
    return false;
  }
  struct stat st;
  if (stat(hs.c_str(), &st) != 0) {
    RecordFailure("Datei " + src + " kann nicht verschoben werden", errno);
    return false;
  }
  // rename replaces an existing destination in one step, so nothing is lost
  // when the move fails
  if (!MoveOneFile(hs, hd)) {
    RecordFailure("Datei " + src + " kann nicht verschoben werden", errno);
    return false;
  }
  return true;
}

// movefile src dst [h]
Outcome MoveFile(Interpreter& in, TokenBuffer& t) {
  if (!OperandsThenLog(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 2));
  if (!log) return Outcome::kDone;

  size_t cut = src.find_last_of("\\/");
  std::string last = cut == std::string::npos ? src : src.substr(cut + 1);
  if (!platform::HasWildcards(last)) {
    bool ok = MoveReplacing(src, dst);
    if (ok)
      Log(*log, "Ok   : MoveFile %s \t%s\n", src.c_str(), dst.c_str());
    else
      Log(*log, "Error: [%s] MoveFile %s \t%s\n", LastErrorText().c_str(), src.c_str(),
          dst.c_str());
    if (*log) fflush(*log);
    SetResult(in, ok ? 1 : 0, !ok);
    return Outcome::kDone;
  }
  std::string dir = cut == std::string::npos ? "."
                    : cut == 0               ? src.substr(0, 1)
                                             : src.substr(0, cut);
  int moved = 0, number = 0;
  for (const platform::FindData& d : ListDirectory(dir)) {
    if (d.IsDirectory() || !platform::MatchesDosWildcard(last, d.name)) continue;
    std::string from = JoinPath(dir, d.name), to = JoinPath(dst, d.name);
    ++number;
    Status(in, "MoveFile [" + std::to_string(number) + "]\n" + from + "\n" + to);
    if (MoveReplacing(from, to)) {
      ++moved;
      Log(*log, "Ok   : MoveFile %s \t%s\n", from.c_str(), to.c_str());
    } else {
      Log(*log, "Error: [%s] MoveFile %s \t%s\n", LastErrorText().c_str(), from.c_str(),
          to.c_str());
    }
  }
  if (*log) fflush(*log);
  SetResult(in, moved, moved == 0);
  return Outcome::kDone;
}

// translatefile src dst from to [h]
Outcome TranslateFile(Interpreter& in, TokenBuffer& t) {
  if (!OperandsThenLog(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> values[4];
  for (int i = 0; i < 4; ++i)
    if (!(values[i] = in.OperandValue(t, i + 1))) return Outcome::kDone;
  const std::string &src = *values[0], &dst = *values[1], &from = *values[2], &to = *values[3];
  if (from.size() != to.size()) {
    in.ReportError("Translate-Strings müssen gleich lang sein.");
    return Outcome::kDone;
  }
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 4));
  if (!log) return Outcome::kDone;
  // as translate does it: each byte is replaced once, by the first pair that
  // names it, so "ab" -> "bc" turns a into b
  unsigned char table[256];
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (size_t k = from.size(); k-- > 0;)
    table[static_cast<unsigned char>(from[k])] = static_cast<unsigned char>(to[k]);
  bool ok = BlockCopy(in, src, dst, table, nullptr) == 1;
  if (ok)
    Log(*log, "Ok      TranslateFile %s \t%s\n", src.c_str(), dst.c_str());
  else
    Log(*log, "Error: [%s] TranslateFile %s \t%s\n", LastErrorText().c_str(), src.c_str(),
        dst.c_str());
  if (*log) fflush(*log);
  ok ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// The name with the extension of its last component replaced.
std::string WithExtension(const std::string& name, const char* extension) {
  size_t dot = name.rfind('.');
  size_t sep = name.find_last_of("\\/");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name + extension;
  return name.substr(0, dot) + extension;
}

// changefilevalue file search replace h
Outcome ChangeFileValue(Interpreter& in, TokenBuffer& t) {
  if (t.count != 5 || !Op(t, 1) || !Op(t, 2) || !Op(t, 3) || !Id(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> file = in.OperandValue(t, 1);
  if (!file) return Outcome::kDone;
  std::optional<std::string> searchText = in.OperandValue(t, 2);
  if (!searchText) return Outcome::kDone;
  std::optional<std::string> replace = in.OperandValue(t, 3);
  if (!replace) return Outcome::kDone;
  std::optional<FILE*> logged = LogStream(in, t, 4);
  if (!logged) return Outcome::kDone;
  FILE* log = *logged;
  if (!log) {  // the log is what this command is for
    in.SetFailure();
    return Outcome::kDone;
  }
  std::string search = UpperAscii(*searchText);
  Log(log, "/ChangeFileValue Suche:   '%s'\n", search.c_str());
  Log(log, "/ChangeFileValue Ersetze: '%s'\n\n", replace->c_str());
  Log(log, "/ChangeFileValue FileIn:  '%s'\n", file->c_str());

  auto fail = [&](const char* line) {
    if (line) Log(log, "%s", line);
    fflush(log);
    in.SetFailure();
    return Outcome::kDone;
  };
  std::string hostFile = platform::HostPath(*file);
  std::string backup = WithExtension(*file, ".alt");
  Log(log, "/ChangeFileValue FileOut: '%s'\n", backup.c_str());
  std::string hostBackup = platform::HostPath(backup);
  struct stat old;
  if (!hostBackup.empty() && stat(hostBackup.c_str(), &old) == 0 && !(old.st_mode & S_IWUSR))
    chmod(hostBackup.c_str(), old.st_mode | S_IWUSR);
  FILE* in1 = hostFile.empty() ? nullptr : fopen(hostFile.c_str(), "rb");
  if (!in1) return fail("Fehler bei Open Datei\n");
  struct stat st;
  fstat(fileno(in1), &st);
  FILE* out1 = hostBackup.empty() ? nullptr : fopen(hostBackup.c_str(), "wb");
  if (!out1) {
    fclose(in1);
    return fail("Fehler bei Open Datei\n");
  }
  char piece[64 * 1024];
  size_t n;
  bool copied = true;
  while ((n = fread(piece, 1, sizeof piece, in1)) > 0)
    if (fwrite(piece, 1, n, out1) != n) copied = false;
  if (ferror(in1)) copied = false;
  if (fclose(out1) != 0) copied = false;
  fclose(in1);
  if (!copied) return fail("Fehler bei Open Datei\n");

  std::string work = WithExtension(*file, ".neu");
  Log(log, "/ChangeFileValue FileIn:  '%s'\n", file->c_str());
  Log(log, "/ChangeFileValue FileOut: '%s'\n", work.c_str());
  std::string hostWork = platform::HostPath(work);
  FILE* source = fopen(hostFile.c_str(), "rb");
  FILE* out = hostWork.empty() ? nullptr : fopen(hostWork.c_str(), "wb");
  if (!source || !out) {
    if (source) fclose(source);
    if (out) fclose(out);
    return fail("Fehler bei Open Datei\n");
  }
  bool written = true;
  char buffer[kChangeLine + 1];
  while (fgets(buffer, sizeof buffer, source)) {
    std::string line = buffer;
    size_t pos = search.empty() ? std::string::npos : UpperAscii(line).find(search);
    if (pos != std::string::npos) {
      Log(log, "\t%s", line.c_str());
      if (!replace->empty()) {
        // go on after the inserted text, so a replacement that holds the
        // search text cannot make the line grow for ever
        while (pos != std::string::npos) {
          line.replace(pos, search.size(), *replace);
          pos = UpperAscii(line).find(search, pos + replace->size());
        }
      }
      Log(log, "\t%s\n", line.c_str());
    }
    if (fputs(line.c_str(), out) < 0) written = false;
  }
  fclose(source);
  if (fclose(out) != 0) written = false;
  if (!written) return fail("Fehler bei Open Datei\n");
  chmod(hostWork.c_str(), st.st_mode & 07777);
  // one rename replaces the file, so it is never missing in between
  if (rename(hostWork.c_str(), hostFile.c_str()) != 0) {
    Log(log, "rename-error: %s --> %s\n", work.c_str(), file->c_str());
    return fail(nullptr);
  }
  fflush(log);
  in.SetSuccess();
  return Outcome::kDone;
}

// deletefile x [h]
Outcome DeleteFile(Interpreter& in, TokenBuffer& t) {
  if (!OperandsThenLog(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> name = in.OperandValue(t, 1);
  if (!name) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 1));
  if (!log) return Outcome::kDone;
  std::string host = platform::HostPath(*name);
  struct stat st;
  bool ok = false;
  if (!host.empty() && lstat(host.c_str(), &st) == 0)
    ok = (S_ISDIR(st.st_mode) ? rmdir(host.c_str()) : unlink(host.c_str())) == 0;
  if (ok)
    Log(*log, "Ok      DeleteFile %s\n", name->c_str());
  else
    Log(*log, "Error:  DeleteFile %s\n", name->c_str());
  if (*log) fflush(*log);
  ok ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

bool IsDirectory(const std::string& path) {
  std::string host = platform::HostPath(path);
  struct stat st;
  return !host.empty() && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void MakeOne(FILE* log, const std::string& path) {
  std::string host = platform::HostPath(path);
  int e = ENOENT;
  if (!host.empty()) {
    if (mkdir(host.c_str(), 0777) == 0) {
      Log(log, "mkdir ok: %s\n", path.c_str());
      return;
    }
    e = errno;
    // a folder that is there already is no failure worth a log line
    struct stat st;
    if (e == EEXIST && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
  }
  RecordFailure(strerrordesc_np(e) ? strerrordesc_np(e) : "mkdir", 0);
  Log(log, "%s - mkdir: %s\n", LastErrorText().c_str(), path.c_str());
}

// mkdir path [h]
Outcome MkDir(Interpreter& in, TokenBuffer& t) {
  if (!OperandsThenLog(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> path = in.OperandValue(t, 1);
  if (!path) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 1));
  if (!log) return Outcome::kDone;
  if (path->size() > kMaxDirectoryPath) {
    in.SetFailure();
    return Outcome::kDone;
  }
  Log(*log, "Aufruf mkdir: %s\n", path->c_str());
  for (size_t i = 1; i < path->size(); ++i) {
    char c = (*path)[i];
    if ((c == '\\' || c == '/') && (*path)[i - 1] != ':') MakeOne(*log, path->substr(0, i));
  }
  MakeOne(*log, *path);
  bool ok = IsDirectory(*path);
  if (ok)
    Log(*log, "mkdir OK!\n");
  else
    Log(*log, "mkdir: Verzeichnis nicht gefunden: %s\n", path->c_str());
  if (*log) fflush(*log);
  ok ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

// rmdir path
Outcome RmDir(Interpreter& in, TokenBuffer& t) {
  if (t.count != 2 || !Op(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> path = in.OperandValue(t, 1);
  if (!path) return Outcome::kDone;
  if (path->size() > kMaxDirectoryPath) {
    in.SetFailure();
    return Outcome::kDone;
  }
  std::string host = platform::HostPath(*path);
  if (!host.empty()) rmdir(host.c_str());
  struct stat st;
  bool gone = host.empty() || lstat(host.c_str(), &st) != 0;
  gone ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

// testfile x
Outcome TestFile(Interpreter& in, TokenBuffer& t) {
  if (t.count != 2 || !Op(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> path = in.OperandValue(t, 1);
  if (!path) return Outcome::kDone;
  platform::FindFirstMatch(*path) ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

// F = getfilesize x
Outcome GetFileSize(Interpreter& in, TokenBuffer& t) {
  if (t.count != 4 || !Id(t, 0) || !Op(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> path = in.OperandValue(t, 3);
  if (!path) return Outcome::kDone;
  std::optional<platform::FindData> d = platform::FindFirstMatch(*path);
  if (!d) {
    in.SetFailure();
    return Outcome::kDone;
  }
  in.SetField(t.texts[0], std::to_string(d->size));
  in.SetSuccess();
  return Outcome::kDone;
}

}  // namespace

}  // namespace instari::script::files

namespace instari::script {

void AddFileCommands(CommandTable& table) {
  using namespace files;
  table.AddStatement(kw_copyfile, CopyFile);
  table.AddStatement(kw_movefile, MoveFile);
  table.AddStatement(kw_translatefile, TranslateFile);
  table.AddStatement(kw_changefilevalue, ChangeFileValue);
  table.AddStatement(kw_deletefile, DeleteFile);
  table.AddStatement(kw_mkdir, MkDir);
  table.AddStatement(kw_rmdir, RmDir);
  table.AddStatement(kw_testfile, TestFile);
  table.AddFunction(kw_getfilesize, GetFileSize);
  AddDirectoryCommands(table);
  AddTextFileCommands(table);
  AddLibraryFileCommands(table);
}

}  // namespace instari::script
