// The commands that hand a file to the operations library: the expanding
// copies, the date comparison, copying and reading file dates.

#include <sys/stat.h>

#include <cstring>

#include "instari/ixstdf32/ixstdf.h"
#include "instari/script/filecommands.h"
#include "platform/paths.h"

namespace instari::script::files {

namespace {

// lzcopyfile src dst [h]
Outcome LzCopyFile(Interpreter& in, TokenBuffer& t) {
  if (!OperandsThenLog(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  std::optional<FILE*> log = LogStream(in, t, LogToken(t, 2));
  if (!log) return Outcome::kDone;
  std::string host = platform::HostPath(dst);
  struct stat st;
  if (!host.empty() && stat(host.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR))
    chmod(host.c_str(), st.st_mode | S_IWUSR);
  int code = IxCopyFile(src.c_str(), dst.c_str());
  if (code == -2)
    Log(*log, "Ok (<=) CopyFile %s \t%s\n", src.c_str(), dst.c_str());
  else if (code >= 1)
    Log(*log, "Ok      CopyFile %s \t%s\n", src.c_str(), dst.c_str());
  else
    Log(*log, "Error:  [%s] CopyFile %s \t%s\n", LastErrorText().c_str(), src.c_str(), dst.c_str());
  if (*log) fflush(*log);
  SetResult(in, code, code < 1 && code != -2);
  return Outcome::kDone;
}

Outcome LzCopyDir(Interpreter& in, TokenBuffer& t) {
  return DirectoryCopy(in, t, false, IxCopyFileNoName);
}
Outcome LzCopyDirTree(Interpreter& in, TokenBuffer& t) {
  return DirectoryCopy(in, t, true, IxCopyFileNoName);
}

// movefilebystartup src dst: the replacement waits for the next start
Outcome MoveFileByStartup(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || !Op(t, 1) || !Op(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  CopyByStartup(src.c_str(), dst.c_str()) == 1 ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

// testfiledate src dst
Outcome TestFileDate(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || !Op(t, 1) || !Op(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  int r = TesteFileDatum(src.c_str(), dst.c_str());
  // scripts read "differ" as -3 and "up to date" as 1
  if (r == 1)
    r = -3;
  else if (r == 0)
    r = 1;
  SetResult(in, r, false);
  return Outcome::kDone;
}

// setfiledate src dst
Outcome SetFileDate(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || !Op(t, 1) || !Op(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string src, dst;
  if (!SourceAndTarget(in, t, &src, &dst)) return Outcome::kDone;
  SetzeFileDatum(src.c_str(), dst.c_str()) == 0 ? in.SetSuccess() : in.SetFailure();
  return Outcome::kDone;
}

// F = getfiledate x [kind], and the parts of it
Outcome FileDatePart(Interpreter& in, TokenBuffer& t, size_t from, size_t length) {
  if ((t.count != 4 && t.count != 5) || !Id(t, 0) || !Op(t, 3) || (t.count == 5 && !Op(t, 4)))
    return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> file = in.OperandValue(t, 3);
  if (!file) return Outcome::kDone;
  int which = 3;
  if (t.count == 5) {
    // the kind is read as written: getfiledate x c
    const std::string& kind = t.texts[4];
    char c = kind.empty() ? 0 : kind[0];
    if (c == 'c' || c == 'C')
      which = 1;
    else if (c == 'a' || c == 'A')
      which = 2;
    else if (c == 'w' || c == 'W')
      which = 3;
    else {
      in.ReportError("Unbekanntes Datumsformat: " + kind + ".");
      return Outcome::kDone;
    }
  }
  std::string text = GetFileDatum(file->c_str(), which);
  if (text.size() != 14) {  // "0": the file is not there
    in.SetField(t.texts[0], "0");
    in.SetFailure();
    return Outcome::kDone;
  }
  in.SetField(t.texts[0], text.substr(from, length));
  in.SetSuccess();
  return Outcome::kDone;
}

Outcome GetFileDate(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 0, 14); }
Outcome GetFileDateYear(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 0, 4); }
Outcome GetFileDateMonth(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 4, 2); }
Outcome GetFileDateDay(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 6, 2); }
Outcome GetFileDateHour(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 8, 2); }
Outcome GetFileDateMinute(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 10, 2); }
Outcome GetFileDateSecond(Interpreter& in, TokenBuffer& t) { return FileDatePart(in, t, 12, 2); }

}  // namespace

void AddLibraryFileCommands(CommandTable& table) {
  table.AddStatement(kw_lzcopyfile, LzCopyFile);
  table.AddStatement(kw_lzcopydir, LzCopyDir);
  table.AddStatement(kw_lzcopydirrecursive, LzCopyDirTree);
  table.AddStatement(kw_movefilebystartup, MoveFileByStartup);
  table.AddStatement(kw_testfiledate, TestFileDate);
  table.AddStatement(kw_setfiledate, SetFileDate);
  table.AddFunction(kw_getfiledate, GetFileDate);
  table.AddFunction(kw_getfiledateyear, GetFileDateYear);
  table.AddFunction(kw_getfiledatemonth, GetFileDateMonth);
  table.AddFunction(kw_getfiledateday, GetFileDateDay);
  table.AddFunction(kw_getfiledatehour, GetFileDateHour);
  table.AddFunction(kw_getfiledateminute, GetFileDateMinute);
  table.AddFunction(kw_getfiledatesecond, GetFileDateSecond);
}

}  // namespace instari::script::files
