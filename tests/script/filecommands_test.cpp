// File and directory commands: results in the error flags, the exact log
// lines, the files left behind, and nothing done in the syntax pass.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "harness.h"
#include "instari/ixstdf32/ixstdf.h"
#include "platform/filetime.h"

using scripttest::Harness;

namespace {

namespace fs = std::filesystem;

std::string Root() { return pxtest::TestRoot(); }
std::string P(const std::string& rel) { return Root() + "/" + rel; }
void Put(const std::string& rel, const std::string& bytes) {
  fs::create_directories(fs::path(P(rel)).parent_path());
  ASSERT_TRUE(pxtest::WriteFile(P(rel), bytes));
}
std::string Get(const std::string& rel) { return pxtest::ReadFile(P(rel)); }
bool Exists(const std::string& rel) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(P(rel), ec));
}

// Last-write time in seconds since 1970 (local time as given to mktime).
void SetTime(const std::string& rel, time_t t) {
  struct timespec ts[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, P(rel).c_str(), ts, 0), 0);
}
time_t MTime(const std::string& rel) {
  struct stat st;
  return stat(P(rel).c_str(), &st) == 0 ? st.st_mtime : -1;
}
time_t Local(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

// Maps drive C: onto <root>/c.
void MapDriveC() {
  fs::create_directories(P("c"));
  fs::create_directories(P("windows"));
  ASSERT_TRUE(pxtest::WriteFile(P("windows/win.ini"), "[Drives]\nC=" + P("c") + "\n"));
}

std::string Flags(Harness& h) { return h.F("__error__") + "/" + h.F("__Error__"); }

}  // namespace

TEST(FileCommands, CopyFileCompareModesAndLog) {
  Put("a.txt", "source");
  Put("b.txt", "newer destination");
  SetTime("a.txt", Local(2020, 5, 1, 10, 0, 0));
  SetTime("b.txt", Local(2020, 5, 1, 12, 0, 0));
  Harness h;
  h.Run(
      "log = fopen 'copy.log' 'w'\n"
      "copyfile 'a.txt' 'b.txt' log\n"
      "r1 = __error__\nf1 = __Error__\n"
      // same day: DATEDIFFERENT ONLYDAY leaves it
      "copyfile 'a.txt' 'b.txt' DATEDIFFERENT ONLYDAY log\n"
      "r2 = __error__\n"
      // a mode after ONLYDAY sets the mode anew: times differ, so copy
      "copyfile 'a.txt' 'b.txt' ONLYDAY DATEDIFFERENT log\n"
      "r3 = __error__\n"
      "fclose log\n");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r1"), "-2");
  EXPECT_EQ(h.F("f1"), "0");
  EXPECT_EQ(h.F("r2"), "-2");
  EXPECT_EQ(h.F("r3"), "1");
  EXPECT_EQ(Flags(h), "1/0");
  EXPECT_EQ(Get("b.txt"), "source");
  EXPECT_EQ(MTime("b.txt"), MTime("a.txt"));  // the source's times go with it
  EXPECT_EQ(Get("copy.log"),
            "Ok (<=) CopyFile a.txt \tb.txt\n"
            "Ok (<=) CopyFile a.txt \tb.txt\n"
            "Ok      CopyFile a.txt \tb.txt\n");

  // different calendar days copy under ONLYDAY; the other modes
  Put("d.txt", "old");
  SetTime("a.txt", Local(2020, 5, 2, 0, 30, 0));
  SetTime("d.txt", Local(2020, 5, 1, 23, 30, 0));
  Put("older.txt", "12345");
  Put("same.txt", "abcde");
  SetTime("older.txt", Local(2019, 1, 1, 0, 0, 0));
  SetTime("same.txt", Local(2020, 1, 1, 0, 0, 0));
  Put("big.txt", "123456");
  SetTime("big.txt", Local(2020, 1, 1, 0, 0, 0));
  Harness m;
  m.Run(
      "copyfile 'a.txt' 'd.txt' DATEDIFFERENT ONLYDAY\nr1 = __error__\n"
      // older source, same size: mode 1 keeps, mode 2 copies (times differ)
      "copyfile 'older.txt' 'same.txt' DATENEWERORSIZEDIFFERENT\nr2 = __error__\n"
      "copyfile 'older.txt' 'same.txt' DATEORSIZEDIFFERENT\nr3 = __error__\n");
  EXPECT_TRUE(m.Errors().empty());
  EXPECT_EQ(m.F("r1"), "1");
  EXPECT_EQ(Get("d.txt"), "source");
  EXPECT_EQ(m.F("r2"), "-2");
  EXPECT_EQ(m.F("r3"), "1");
  // equal times, other size: mode 3 keeps, mode 1 copies
  SetTime("same.txt", Local(2020, 1, 1, 0, 0, 0));
  Harness m2;
  m2.Run(
      "copyfile 'big.txt' 'same.txt' DATEDIFFERENT\nr4 = __error__\n"
      "copyfile 'big.txt' 'same.txt' DATENEWERORSIZEDIFFERENT\nr5 = __error__\n");
  EXPECT_EQ(m2.F("r4"), "-2");
  EXPECT_EQ(m2.F("r5"), "1");
  EXPECT_EQ(Get("same.txt"), "123456");

  // PACK changes nothing: the same outcomes as without it
  Put("p1.txt", "pack me");
  Harness p;
  p.Run(
      "copyfile 'p1.txt' 'p2.txt' PACK\nr1 = __error__\n"
      "copyfile 'p1.txt' 'p2.txt' PACK UNPACK\nr2 = __error__\n"
      "copyfile 'p1.txt' 'p3.txt'\nr3 = __error__\n"
      "copyfile 'p1.txt' 'p3.txt'\nr4 = __error__\n"
      "copyfile 'p1.txt' 'p3.txt' always\nr5 = __error__\n");
  EXPECT_EQ(p.F("r1"), "1");
  EXPECT_EQ(p.F("r2"), "-2");
  EXPECT_EQ(p.F("r3"), "1");
  EXPECT_EQ(p.F("r4"), "-2");
  EXPECT_EQ(p.F("r5"), "1");
  EXPECT_EQ(Get("p2.txt"), "pack me");
}

TEST(FileCommands, CopyFileFailuresLoseNothing) {
  Put("keep.txt", "precious");
  fs::create_directories(P("adir"));
  Put("src.txt", "new");
  Harness h;
  h.Run(
      "log = fopen 'err.log' 'w'\n"
      "copyfile 'missing.txt' 'keep.txt' log\nr1 = __error__\nf1 = __Error__\n"
      "copyfile 'adir' 'keep.txt' ALWAYS log\nr2 = __error__\n"
      "copyfile 'src.txt' 'nodir/x.txt' log\nr3 = __error__\n"
      "copyfile 'src.txt' 'keep.txt/x' log\nr4 = __error__ + __Error__ * 10\n"
      "fclose log\n");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r1"), "0");
  EXPECT_EQ(h.F("f1"), "1");
  EXPECT_EQ(h.F("r2"), "0");
  EXPECT_EQ(h.F("r3"), "0");
  EXPECT_EQ(h.F("r4"), "10");
  EXPECT_EQ(Get("keep.txt"), "precious");
  EXPECT_EQ(Get("err.log"),
            "Error:  [Datei missing.txt kann nicht geöffnet werden / LastError: 0x2=2=No such "
            "file or directory] CopyFile missing.txt \tkeep.txt\n"
            "Error:  [Read-Error Datei adir / LastError: 0x15=21=Is a directory] CopyFile adir "
            "\tkeep.txt\n"
            "Error:  [Datei nodir/x.txt kann nicht erstellt werden / LastError: 0x2=2=No such "
            "file or directory] CopyFile src.txt \tnodir/x.txt\n"
            "Error:  [Datei keep.txt/x kann nicht erstellt werden / LastError: 0x14=20=Not a "
            "directory] CopyFile src.txt \tkeep.txt/x\n");
  // no temporary file is left behind
  for (const auto& e : fs::directory_iterator(Root()))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos);

  // a read-only destination is replaced; an unwritable directory is not
  Put("ro.txt", "old");
  chmod(P("ro.txt").c_str(), 0444);
  Put("locked/x.txt", "stays");
  chmod(P("locked").c_str(), 0555);
  Harness r;
  r.Run(
      "copyfile 'src.txt' 'ro.txt' ALWAYS\nr1 = __error__\n"
      "copyfile 'src.txt' 'locked/x.txt' ALWAYS\nr2 = __error__\n");
  EXPECT_EQ(r.F("r1"), "1");
  EXPECT_EQ(Get("ro.txt"), "new");
  if (geteuid() != 0) {  // root writes anyway
    EXPECT_EQ(r.F("r2"), "0");
    EXPECT_EQ(Get("locked/x.txt"), "stays");
  }
  chmod(P("locked").c_str(), 0755);
}

TEST(FileCommands, NothingHappensInTheSyntaxPass) {
  Put("a.txt", "x");
  Put("del.txt", "x");
  Harness h;
  h.Run(
      "exit\n"
      "copyfile 'a.txt' 'b.txt'\ncopydir 'a.txt' 'out'\nmkdir 'newdir'\nmovefile 'a.txt' 'm.txt'\n"
      "deletefile 'del.txt'\nf = fopen 'new.txt' 'w'\ntranslatefile 'a.txt' 't.txt' 'x' 'y'\n"
      "lzcopyfile 'a.txt' 'lz.txt'\ns = getfilesize 'a.txt'\n");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_FALSE(Exists("b.txt"));
  EXPECT_FALSE(Exists("newdir"));
  EXPECT_FALSE(Exists("m.txt"));
  EXPECT_FALSE(Exists("new.txt"));
  EXPECT_FALSE(Exists("t.txt"));
  EXPECT_FALSE(Exists("lz.txt"));
  EXPECT_TRUE(Exists("del.txt"));
  EXPECT_EQ(h.F("s"), "<none>");
  // a shape that no command has is an unknown command in both passes
  Harness b;
  b.Run("copyfile 'a.txt'\nmkdir 'a' 'b' 'c'\n");
  EXPECT_EQ(b.Errors(), (std::vector<std::string>(4, "Kommando unbekannt.")));
}

TEST(FileCommands, MkdirEveryParentAndRmdir) {
  MapDriveC();
  Harness h;
  h.Run(R"(log = fopen 'mk.log' 'w'
mkdir 'c:\\a\\b\\c' log
r1 = __error__
mkdir 'c:\\a\\b' log
fclose log
)");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(Flags(h), "1/0");
  EXPECT_TRUE(fs::is_directory(P("c/a/b/c")));
  EXPECT_EQ(Get("mk.log"),
            "Aufruf mkdir: c:\\a\\b\\c\n"
            "mkdir ok: c:\\a\n"
            "mkdir ok: c:\\a\\b\n"
            "mkdir ok: c:\\a\\b\\c\n"
            "mkdir OK!\n"
            "Aufruf mkdir: c:\\a\\b\n"  // folders that are there: no complaint
            "mkdir OK!\n");

  Put("c/file", "x");
  std::string longPath(257, 'x');
  Harness f;
  f.Run(
      "log = fopen 'f.log' 'w'\nmkdir 'c:\\\\file' log\nr1 = __error__\n"
      "mkdir '" +
      longPath +
      "' log\nr2 = __Error__\nfclose log\n"
      "rmdir 'c:\\\\a\\\\b\\\\c'\nr3 = __error__\n"
      "rmdir 'c:\\\\a'\nr4 = __error__\n"
      "rmdir '" +
      longPath + "'\nr5 = __error__\n");
  EXPECT_EQ(f.F("r1"), "0");
  EXPECT_EQ(f.F("r2"), "1");
  EXPECT_FALSE(Exists(longPath));
  EXPECT_EQ(Get("f.log"),
            "Aufruf mkdir: c:\\file\n"
            "File exists - mkdir: c:\\file\n"
            "mkdir: Verzeichnis nicht gefunden: c:\\file\n");
  EXPECT_EQ(f.F("r3"), "1");
  EXPECT_FALSE(Exists("c/a/b/c"));
  EXPECT_EQ(f.F("r4"), "0");  // not empty
  EXPECT_TRUE(Exists("c/a/b"));
  EXPECT_EQ(f.F("r5"), "0");
}

TEST(FileCommands, MoveFileSingleAndWildcard) {
  MapDriveC();
  Put("c/x/a.dll", "A");
  Put("c/x/b.DLL", "B");
  Put("c/x/c.txt", "C");
  fs::create_directories(P("c/x/sub.dll"));
  fs::create_directories(P("c/y"));
  Put("c/y/a.dll", "old A");
  Harness h;
  h.Run(R"(log = fopen 'mv.log' 'w'
movefile 'c:\\x\\*.exe' 'c:\\y' log
r1 = __error__
f1 = __Error__
movefile 'c:\\x\\*.dll' 'c:\\y' log
r2 = __error__
movefile 'c:\\x\\c.txt' 'c:\\y\\d.txt' log
r3 = __error__
movefile 'c:\\x\\none.txt' 'c:\\y\\e.txt' log
r4 = __error__
f4 = __Error__
fclose log
)");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r1") + "/" + h.F("f1"), "0/1");
  EXPECT_EQ(h.F("r2"), "2");
  EXPECT_EQ(h.F("r3"), "1");
  EXPECT_EQ(h.F("r4") + "/" + h.F("f4"), "0/1");
  EXPECT_EQ(Get("c/y/a.dll"), "A");
  EXPECT_EQ(Get("c/y/b.DLL"), "B");
  EXPECT_EQ(Get("c/y/d.txt"), "C");
  EXPECT_TRUE(fs::is_directory(P("c/x/sub.dll")));  // directories stay
  EXPECT_EQ(Get("mv.log"),
            "Ok   : MoveFile c:\\x\\a.dll \tc:\\y\\a.dll\n"
            "Ok   : MoveFile c:\\x\\b.DLL \tc:\\y\\b.DLL\n"
            "Ok   : MoveFile c:\\x\\c.txt \tc:\\y\\d.txt\n"
            "Error: [Datei c:\\x\\none.txt kann nicht verschoben werden / LastError: "
            "0x2=2=No such file or directory] MoveFile c:\\x\\none.txt \tc:\\y\\e.txt\n");
  std::vector<std::string> statuses = h.ui.Statuses();
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "MoveFile [2]\nc:\\x\\b.DLL\nc:\\y\\b.DLL"),
            statuses.end());
}

TEST(FileCommands, TextFilesAndHandles) {
  Put("in.txt", "first line\nsecond\n");
  std::string longLine(300, 'z');
  Put("long.txt", longLine);
  Harness h;
  h.Run(
      "h = fopen 'in.txt' 'r'\n"
      "n = 0\nall = ''\n"
      "while 1\n fgets h line\n if __Error__\n  break\n endif\n strcat all line\n n++\nendwhile\n"
      "hafter = h\nfclose h\nclosed = __Error__\n"
      "o = fopen 'out.txt' 'w'\nfputs o 'a\\tb'\nfputs o '\\n'\nfclose o\n"
      "r = fopen 'long.txt' 'r'\nfgets r piece\nfread r rest 20\nr1 = __error__\n"
      "fread r tail 500\nfread r none 5\nr2 = __Error__\nfclose r\n"
      "s = fopen 'stdout' 'w'\nfclose s\n");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("n"), "2");
  EXPECT_EQ(h.F("all"), "first line\nsecond\n");
  EXPECT_EQ(h.F("hafter"), "0");  // the end closed it
  EXPECT_EQ(h.F("closed"), "0");  // so fclose had nothing to do
  EXPECT_EQ(Get("out.txt"), "a\tb\n");
  EXPECT_EQ(h.F("piece"), std::string(255, 'z'));
  EXPECT_EQ(h.F("rest"), std::string(20, 'z'));
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(h.F("tail"), std::string(25, 'z'));  // at most 259, fewer at the end
  EXPECT_EQ(h.F("none"), "");
  EXPECT_EQ(h.F("r2"), "1");

  // forged and stale handles fail without harm (a log handle that is no open
  // file is said, as the command does nothing); a missing file is an error
  Put("x.txt", "x");
  Harness f;
  f.Run(
      "bogus = '4242'\nfputs bogus 'x'\nr1 = __Error__\n"
      "h = fopen 'x.txt' 'r'\nfclose h\nfgets h line\nr2 = __Error__\nfclose h\nr3 = __Error__\n"
      "copyfile 'x.txt' 'y.txt' bogus\nr4 = __Error__\n"
      "text = 'abc'\nfputs text 'x'\nr5 = __Error__\n"
      "m = fopen 'nofile.txt' 'r'\n");
  EXPECT_EQ(f.F("r1"), "1");
  EXPECT_EQ(f.F("r2"), "1");
  EXPECT_EQ(f.F("r3"), "1");
  EXPECT_EQ(f.F("r4"), "1");
  EXPECT_FALSE(Exists("y.txt"));
  EXPECT_EQ(f.F("r5"), "1");
  EXPECT_EQ(f.Errors(),
            (std::vector<std::string>{"Log-Datei: 'bogus' ist nicht geöffnet.",
                                      "Datei: 'nofile.txt' kann nicht geöffnet werden."}));
  EXPECT_EQ(f.F("m"), "<none>");

  // text mode reads CR LF as a line end, binary mode keeps the CR
  Put("dos.txt", "one\r\ntwo\rthree\r\n");
  Harness d;
  d.Run(
      "t = fopen 'dos.txt' 'r'\nfgets t l1\nfgets t l2\nfclose t\n"
      "b = fopen 'dos.txt' 'rb'\nfgets b b1\nfclose b\n"
      "r = fopen 'dos.txt' 'rt'\nfread r all 100\nfclose r\n");
  EXPECT_EQ(d.F("l1"), "one\n");
  EXPECT_EQ(d.F("l2"), "two\rthree\n");  // a lone CR is no line end
  EXPECT_EQ(d.F("b1"), "one\r\n");
  EXPECT_EQ(d.F("all"), "one\ntwo\rthree\n");
}

TEST(FileCommands, CopyOptionsAndTheLogHandle) {
  Put("a.txt", "a");
  Harness h;
  h.Run(
      "log = fopen 'log.txt' 'w'\n"
      // the handle ends the list: what follows is not read
      "copyfile 'a.txt' 'b.txt' ALWAYS log ALWAYS\nr1 = __error__\n"
      // a handle field holding text logs nothing, the copy is made
      "none = ''\ncopyfile 'a.txt' 'c.txt' none\nr2 = __error__\n"
      "fclose log\n"
      // options of directory copies are a handle field to copyfile
      "copyfile 'a.txt' 'd.txt' DELETE_IF_NO_SOURCE\n");
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(h.F("r2"), "1");
  EXPECT_EQ(Get("b.txt"), "a");
  EXPECT_EQ(Get("c.txt"), "a");
  EXPECT_EQ(Get("log.txt"), "Ok      CopyFile a.txt \tb.txt\n");
  EXPECT_FALSE(Exists("d.txt"));
  EXPECT_EQ(h.Errors(),
            std::vector<std::string>{"Feld: 'DELETE_IF_NO_SOURCE' ist nicht definiert."});
}

TEST(FileCommands, DirectorySearch) {
  Put("d/a.txt", "1");
  Put("d/b.txt", "22");
  fs::create_directories(P("d/sub.txt"));
  Harness h;
  h.Run(
      "found = ''\n"
      "s = findfirstfile 'd/*.txt' name isdir\n"
      "while s\n strcat found name\n strcat found isdir\n strcat found ';'\n"
      " s = findnextfile s name isdir\nendwhile\n"
      "findfileclose s\nclosed = __Error__\n"
      "e = findfirstfile 'd/*.none' ename\nr1 = __Error__\n"
      "t = findfirstfile 'd/a.txt' tname\nfindfileclose t\nr2 = __Error__\n"
      "findfileclose t\nr3 = __Error__\n"
      "z = 0\ny = findnextfile z yname\n");
  std::string found = h.F("found");
  std::vector<std::string> parts;
  for (size_t at = 0, semi; (semi = found.find(';', at)) != std::string::npos; at = semi + 1)
    parts.push_back(found.substr(at, semi - at));
  std::sort(parts.begin(), parts.end());
  EXPECT_EQ(parts, (std::vector<std::string>{"a.txt0", "b.txt0", "sub.txt1"}));
  EXPECT_EQ(h.F("s"), "0");
  EXPECT_EQ(h.F("closed"), "0");
  EXPECT_EQ(h.F("ename"), "");
  EXPECT_EQ(h.F("e"), "0");
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(h.F("tname"), "a.txt");
  EXPECT_EQ(h.F("r2"), "0");
  EXPECT_EQ(h.F("r3"), "1");  // already closed
  EXPECT_EQ(h.Errors(), std::vector<std::string>{">>>Fehler beim Aufruf<<<"});
}

TEST(FileCommands, TranslateAndChangeFileValue) {
  Put("t.bin", std::string("abcab\0c", 7));
  Harness h;
  h.Run(
      "log = fopen 't.log' 'w'\n"
      "translatefile 't.bin' 't.out' 'ab' 'bc' log\nr1 = __error__\n"
      "translatefile 't.bin' 't2.out' 'ab' 'b'\n"
      "translatefile 'none.bin' 't3.out' 'a' 'b' log\nr3 = __Error__\n"
      "fclose log\n");
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(Get("t.out"), std::string("bccbc\0c", 7));  // as translate: a->b, b->c
  EXPECT_FALSE(Exists("t2.out"));
  EXPECT_EQ(h.Errors(), std::vector<std::string>{"Translate-Strings müssen gleich lang sein."});
  EXPECT_EQ(h.F("r3"), "1");
  EXPECT_EQ(Get("t.log"),
            "Ok      TranslateFile t.bin \tt.out\n"
            "Error: [Datei none.bin kann nicht geöffnet werden / LastError: 0x2=2=No such file or "
            "directory] TranslateFile none.bin \tt3.out\n");

  std::string original = "Path=old\nnothing here\nOLD and old again\n";
  Put("cfg.ini", original);
  Harness c;
  c.Run(
      "log = fopen 'c.log' 'w'\n"
      // the replacement holds the search text: it must not be found again
      "changefilevalue 'cfg.ini' 'Old' 'xoldx' log\nr1 = __error__\n"
      "fclose log\n"
      "zero = 0\nchangefilevalue 'cfg.ini' 'a' 'b' zero\nr2 = __Error__\n");
  EXPECT_TRUE(c.Errors().empty());
  EXPECT_EQ(c.F("r1"), "1");
  EXPECT_EQ(c.F("r2"), "1");
  EXPECT_EQ(Get("cfg.ini"), "Path=xoldx\nnothing here\nxoldx and xoldx again\n");
  EXPECT_EQ(Get("cfg.alt"), original);
  EXPECT_FALSE(Exists("cfg.neu"));
  EXPECT_EQ(Get("c.log"),
            "/ChangeFileValue Suche:   'OLD'\n"
            "/ChangeFileValue Ersetze: 'xoldx'\n\n"
            "/ChangeFileValue FileIn:  'cfg.ini'\n"
            "/ChangeFileValue FileOut: 'cfg.alt'\n"
            "/ChangeFileValue FileIn:  'cfg.ini'\n"
            "/ChangeFileValue FileOut: 'cfg.neu'\n"
            "\tPath=old\n\tPath=xoldx\n\n"
            "\tOLD and old again\n\txoldx and xoldx again\n\n");
}

TEST(FileCommands, DeletesAndDirectoryComparison) {
  Put("del/a.txt", "1");
  Put("del/.hidden", "2");
  fs::create_directories(P("del/sub"));
  fs::create_directories(P("del/.hdir"));  // a directory, and hidden
  Put("one.txt", "x");
  Harness h;
  h.Run(
      "log = fopen 'd.log' 'w'\n"
      "deletefile 'one.txt' log\nr1 = __error__\n"
      "deletefile 'one.txt' log\nr2 = __error__\n"
      "deletedir 'del' log\nr3 = __error__\nf3 = __Error__\n"
      "deletedir 'del' log\nr4 = __error__\nf4 = __Error__\n"
      "fclose log\n");
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(h.F("r2"), "0");
  EXPECT_EQ(h.F("r3") + "/" + h.F("f3"), "2/0");
  EXPECT_EQ(h.F("r4") + "/" + h.F("f4"), "0/1");
  EXPECT_TRUE(fs::is_directory(P("del/sub")));  // not entered, so del stays
  EXPECT_EQ(Get("d.log"),
            "Ok      DeleteFile one.txt\n"
            "Error:  DeleteFile one.txt\n"
            "Error:      DeleteFile del/.hdir\n"
            "Ok          DeleteFile del/.hidden\n"
            "Ok          DeleteFile del/a.txt\n"
            "            DeleteDir del/*.* \t2 Dateien gelöscht\n"
            "Error:      DeleteFile del/.hdir\n"
            "            DeleteDir del/*.* \t0 Dateien gelöscht\n");
  EXPECT_TRUE(fs::is_directory(P("del/.hdir")));

  Put("src/keep.txt", "s");
  Put("src/inner/keep2.txt", "s");
  Put("dst/keep.txt", "d");
  Put("dst/gone.txt", "d");
  Put("dst/inner/keep2.txt", "d");
  Put("dst/inner/gone2.txt", "d");
  Put("dst/orphan/gone3.txt", "d");
  Put("dst/.dot/stays.txt", "d");
  Harness c;
  c.Run(
      "log = fopen 'c.log' 'w'\n"
      "cmpdirdelete 'src' 'dst' log\nr1 = __error__\n"
      "cmpdirdeleterecursive 'src' 'dst' log\nr2 = __error__\nf2 = __Error__\n"
      "fclose log\n");
  EXPECT_EQ(c.F("r1"), "1");
  EXPECT_EQ(c.F("r2") + "/" + c.F("f2"), "2/0");
  EXPECT_TRUE(Exists("dst/keep.txt"));
  EXPECT_TRUE(Exists("dst/inner/keep2.txt"));
  EXPECT_FALSE(Exists("dst/inner/gone2.txt"));
  EXPECT_FALSE(Exists("dst/orphan"));
  EXPECT_TRUE(Exists("dst/.dot/stays.txt"));
  EXPECT_EQ(Get("c.log"),
            "Delete Ok   :   CmpDirDelete dst/gone.txt\n"
            "Delete Ok   :   CmpDirDelete dst/inner/gone2.txt\n"
            "Delete Ok   :   CmpDirDelete dst/orphan/gone3.txt\n");
}

TEST(FileCommands, DirectoryCopyTreeExclusionsMasksAndDeletion) {
  MapDriveC();
  Put("c/src/a.txt", "a");
  Put("c/src/b.dll", "bb");
  Put("c/src/skip.txt", "s");
  Put("c/src/sub/c.txt", "ccc");
  Put("c/src/sub/deeper/d.txt", "dddd");
  Put("c/src/excl/e.txt", "e");
  Put("c/dst/stale.txt", "old");
  Put("c/dst/oldtree/x/y.txt", "old");
  Put("c/dst/excl/kept.txt", "kept");
  Harness h;
  h.Run(R"(log = fopen 'cd.log' 'w'
__ExcludeDirectory__[1] = 'C:\\SRC\\EXCL'
__ExcludeFile__[1] = 'c:\\src\\Skip.txt'
__ExcludeFile__[3] = 'c:\\src\\a.txt'
copydirrecursive 'c:\\src' 'c:\\dst' DELETE_IF_NO_SOURCE log
r1 = __error__
f1 = __Error__
copydirrecursive 'c:\\src' 'c:\\dst' log
r2 = __error__
copydir 'c:\\src\\*.DLL' 'c:\\flat' log
r3 = __error__
f3 = __Error__
mkdir 'c:\\flat'
copydir 'c:\\src\\*.DLL' 'c:\\flat' ALWAYS log
r4 = __error__
copydir 'c:\\src\\*.none' 'c:\\flat' log
r5 = __error__
f5 = __Error__
fclose log
)");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r1") + "/" + h.F("f1"), "4/0");
  EXPECT_EQ(h.F("r2"), "0");
  EXPECT_EQ(h.F("r3") + "/" + h.F("f3"), "0/1");  // no destination directory
  EXPECT_EQ(h.F("r4"), "1");
  EXPECT_EQ(h.F("r5") + "/" + h.F("f5"), "0/0");
  EXPECT_EQ(Get("c/dst/a.txt"), "a");
  EXPECT_EQ(Get("c/dst/b.dll"), "bb");
  EXPECT_FALSE(Exists("c/dst/skip.txt"));
  EXPECT_EQ(Get("c/dst/sub/c.txt"), "ccc");
  EXPECT_EQ(Get("c/dst/sub/deeper/d.txt"), "dddd");
  EXPECT_FALSE(Exists("c/dst/excl/e.txt"));
  EXPECT_EQ(Get("c/dst/excl/kept.txt"), "kept");  // its source counterpart exists
  EXPECT_FALSE(Exists("c/dst/stale.txt"));
  EXPECT_FALSE(Exists("c/dst/oldtree"));
  EXPECT_EQ(Get("c/flat/b.dll"), "bb");
  EXPECT_FALSE(Exists("c/flat/a.txt"));
  EXPECT_EQ(Get("cd.log"),
            "Ok       CopyFile c:\\src\\a.txt \tc:\\dst\\a.txt\n"
            "Ok       CopyFile c:\\src\\b.dll \tc:\\dst\\b.dll\n"
            "Exclude  File: c:\\src\\skip.txt\n"
            "OK    Delete-File: c:\\dst\\oldtree\\x\\y.txt\n"
            "OK    Delete-Directory: c:\\dst\\oldtree\\x\n"
            "OK    Delete-Directory: c:\\dst\\oldtree\n"
            "OK    Delete-File: c:\\dst\\stale.txt\n"
            "Exclude  Directory: c:\\src\\excl\n"
            "Ok       CopyFile c:\\src\\sub\\c.txt \tc:\\dst\\sub\\c.txt\n"
            "Ok       CopyFile c:\\src\\sub\\deeper\\d.txt \tc:\\dst\\sub\\deeper\\d.txt\n"
            // second run: everything up to date
            "Ok (<=)  CopyFile c:\\src\\a.txt \tc:\\dst\\a.txt\n"
            "Ok (<=)  CopyFile c:\\src\\b.dll \tc:\\dst\\b.dll\n"
            "Exclude  File: c:\\src\\skip.txt\n"
            "Exclude  Directory: c:\\src\\excl\n"
            "Ok (<=)  CopyFile c:\\src\\sub\\c.txt \tc:\\dst\\sub\\c.txt\n"
            "Ok (<=)  CopyFile c:\\src\\sub\\deeper\\d.txt \tc:\\dst\\sub\\deeper\\d.txt\n"
            "Error: [Datei c:\\flat\\b.dll kann nicht erstellt werden / LastError: 0x2=2=No such "
            "file or directory] CopyFile c:\\src\\b.dll \tc:\\flat\\b.dll\n"
            "Ok       CopyFile c:\\src\\b.dll \tc:\\flat\\b.dll\n"
            "Error: keine Dateien gefunden: CopyDir c:\\src\\*.none c:\\flat\n");
  std::vector<std::string> st = h.ui.Statuses();
  EXPECT_NE(std::find(st.begin(), st.end(), "Scan-Directory: c:\\src\\sub\\deeper"), st.end());
  EXPECT_NE(
      std::find(st.begin(), st.end(), "CopyFile [3]\nc:\\src\\sub\\c.txt\nc:\\dst\\sub\\c.txt"),
      st.end());
  EXPECT_NE(std::find(st.begin(), st.end(), "Delete-Directory: c:\\dst\\oldtree"), st.end());
}

TEST(FileCommands, DirectoryCopyMeetsTargetsSpelledInAnotherCase) {
  MapDriveC();
  Put("c/src/readme.txt", "new");
  Put("c/src/Setup.ini", "ini");
  Put("c/dst/README.TXT", "old");
  Put("c/dst/SETUP.INI", "kept");
  SetTime("c/src/readme.txt", 2000000000);
  SetTime("c/dst/README.TXT", 1000000000);
  SetTime("c/src/Setup.ini", 1000000000);
  SetTime("c/dst/SETUP.INI", 2000000000);
  // two source names for one target: the second meets what the first made
  Put("c/two/Same.txt", "first");
  Put("c/two/same.TXT", "second");
  SetTime("c/two/Same.txt", 2000000000);
  SetTime("c/two/same.TXT", 1000000000);
  Harness h;
  h.Run(R"(copydir 'c:\\src' 'c:\\dst'
r1 = __error__
mkdir 'c:\\one'
copydir 'c:\\two' 'c:\\one'
r2 = __error__
)");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r1"), "1");
  EXPECT_EQ(Get("c/dst/README.TXT"), "new");  // replaced under its own spelling
  EXPECT_EQ(Get("c/dst/SETUP.INI"), "kept");  // newer than its source
  size_t files = 0;
  for (auto& e : fs::directory_iterator(P("c/dst"))) files += e.is_regular_file();
  EXPECT_EQ(files, 2u);
  EXPECT_EQ(h.F("r2"), "1");
  files = 0;
  for (auto& e : fs::directory_iterator(P("c/one"))) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

namespace {
// A clock that moves on by one millisecond at every look.
struct TickingFacts : scripttest::FakeFacts {
  uint64_t MillisecondsSinceStart() override { return ++ticks; }
};
}  // namespace

TEST(FileCommands, TransferRateAndCopyProgress) {
  Put("s/f.bin", std::string(2048, 'q'));
  Put("big.bin", std::string(2 * 1024 * 1024 + 100, 'b'));
  TickingFacts facts;
  instari::ScriptedUi ui;
  instari::script::Interpreter in{ui, facts};
  pxtest::WriteFile(P("rate.inf"),
                    "log = fopen 'rate.log' 'w'\ncopydir 's' 'd' log\nfclose log\n"
                    "copyfile 'big.bin' 'big.out'\n");
  fs::create_directories(P("d"));
  ASSERT_EQ(chdir(Root().c_str()), 0);
  in.RunScript({"instari", "rate.inf"});
  // 2 KB in 2 ms, with the German separators of the fake locale
  EXPECT_EQ(Get("rate.log"), "Ok       CopyFile s/f.bin \td/f.bin \t(1.000,000 KB/Sek)\n");
  // progress only when the percentage changes: 100 % of the small file, then
  // the three runs of the large one, each followed by the bar going away
  std::vector<std::pair<std::string, int>> copies;
  for (const auto& s : ui.shown)
    if (s.kind == instari::ScriptedUi::Shown::kCopy) copies.emplace_back(s.text, s.overall);
  ASSERT_EQ(copies.size(), 6u);
  EXPECT_EQ(copies[0], (std::pair<std::string, int>{"0", 100}));
  EXPECT_EQ(copies[1], (std::pair<std::string, int>{"0", 0}));
  EXPECT_EQ(copies[2].second, 49);
  EXPECT_EQ(copies[2].first, "1");
  EXPECT_EQ(copies[3].second, 99);
  EXPECT_EQ(copies[4], (std::pair<std::string, int>{"0", 100}));
  EXPECT_EQ(copies[5], (std::pair<std::string, int>{"0", 0}));
  EXPECT_EQ(ui.Progress().bytesTotal, 2u * 1024 * 1024 + 100);
  EXPECT_EQ(Get("big.out").size(), 2u * 1024 * 1024 + 100);
}

TEST(FileCommands, TestsSizesAndDates) {
  Put("sz.txt", "12345");
  Put("new.txt", "new!");
  Put("old.txt", "old");
  SetTime("sz.txt", Local(2001, 2, 3, 4, 5, 6));
  SetTime("new.txt", Local(2021, 1, 1, 0, 0, 0));
  SetTime("old.txt", Local(2020, 1, 1, 0, 0, 0));
  Harness h;
  h.Run(
      "testfile 'sz.txt'\nt1 = __error__\ntestfile 's?.*'\nt2 = __error__\n"
      "testfile 'nothing*'\nt3 = __error__\n"
      "s = getfilesize 'sz.txt'\nm = getfilesize 'missing'\nm1 = __Error__\n"
      "d = getfiledate 'sz.txt'\ny = getfiledateyear 'sz.txt' w\nmo = getfiledatemonth 'sz.txt'\n"
      "dd = getfiledateday 'sz.txt'\nhh = getfiledatehour 'sz.txt'\n"
      "mi = getfiledateminute 'sz.txt' 'write'\nse = getfiledatesecond 'sz.txt'\n"
      "nd = getfiledate 'missing'\nn1 = __Error__\n"
      "bad = getfiledate 'sz.txt' x\n"
      "testfiledate 'new.txt' 'old.txt'\nc1 = __error__\nc1e = __Error__\n"
      "testfiledate 'old.txt' 'new.txt'\nc2 = __error__\n"
      "testfiledate 'missing' 'new.txt'\nc3 = __error__\n"
      "testfiledate 'new.txt' 'missing'\nc4 = __error__\n"
      "setfiledate 'sz.txt' 'old.txt'\nsd = __error__\n"
      "setfiledate 'missing' 'old.txt'\nsd2 = __Error__\n"
      "lzcopyfile 'sz.txt' 'lz.txt'\nl1 = __error__\nlzcopyfile 'sz.txt' 'lz.txt'\nl2 = "
      "__error__\n");
  EXPECT_EQ(h.F("t1"), "1");
  EXPECT_EQ(h.F("t2"), "1");
  EXPECT_EQ(h.F("t3"), "0");
  EXPECT_EQ(h.F("s"), "5");
  EXPECT_EQ(h.F("m"), "<none>");
  EXPECT_EQ(h.F("m1"), "1");
  EXPECT_EQ(h.F("d"), "20010203040506");
  EXPECT_EQ(h.F("y"), "2001");
  EXPECT_EQ(h.F("mo"), "02");
  EXPECT_EQ(h.F("dd"), "03");
  EXPECT_EQ(h.F("hh"), "04");
  EXPECT_EQ(h.F("mi"), "05");
  EXPECT_EQ(h.F("se"), "06");
  EXPECT_EQ(h.F("nd"), "0");
  EXPECT_EQ(h.F("n1"), "1");
  EXPECT_EQ(h.F("bad"), "<none>");
  EXPECT_EQ(h.Errors(), std::vector<std::string>{"Unbekanntes Datumsformat: x."});
  EXPECT_EQ(h.F("c1") + "/" + h.F("c1e"), "-3/0");
  EXPECT_EQ(h.F("c2"), "1");
  EXPECT_EQ(h.F("c3"), "-1");
  EXPECT_EQ(h.F("c4"), "-2");
  EXPECT_EQ(h.F("sd"), "1");
  EXPECT_EQ(MTime("old.txt"), MTime("sz.txt"));
  EXPECT_EQ(h.F("sd2"), "1");
  EXPECT_EQ(h.F("l1"), "5");  // the library's byte count
  EXPECT_EQ(h.F("l2"), "-2");
  EXPECT_EQ(Get("lz.txt"), "12345");
}

TEST(FileCommands, MoveFileByStartupQueuesTheReplacement) {
  setenv("TERVOLA_WINVER", "4.0-95", 1);
  Harness h;
  h.Run("movefilebystartup 'c:\\\\new.dll' 'c:\\\\old.dll'\nr = __error__\n");
  unsetenv("TERVOLA_WINVER");
  EXPECT_TRUE(h.Errors().empty());
  EXPECT_EQ(h.F("r"), "1");
  // kept as what the names meant then: drive C is the root folder
  EXPECT_EQ(Get("windows/wininit.ini"), "[rename]\n/old.dll=/new.dll\n");
}

// Queued in folder A, carried out from folder B: the names mean A's files.
// What cannot be done stays queued, and so does a later entry on its names;
// the start trigger goes with the last entry.
TEST(FileCommands, DeferredOperationsMeanTheirFolderAndKeepWhatFailed) {
  for (const char* version : {"4.0-nt", "4.0-95"}) {
    SCOPED_TRACE(version);
    setenv("TERVOLA_WINVER", version, 1);
    for (const char* dir : {"A", "B"}) {
      fs::create_directories(P(dir));
      pxtest::WriteFile(P(std::string(dir) + "/victim.txt"), dir);
    }
    pxtest::WriteFile(P("A/new.dll"), "new");
    Harness h;
    h.Run(
        "cd 'A'\n"
        "movefilebystartup 'victim.txt' 'nul'\n"
        "movefilebystartup 'new.dll' 'sub\\\\new.dll'\n"
        "movefilebystartup 'new.dll' 'nul'\n"
        "r = __error__\n");
    EXPECT_TRUE(h.Errors().empty());
    EXPECT_EQ(h.F("r"), "1");
    const std::string autostart = P("home/.config/autostart");
    std::vector<fs::path> triggers;
    for (const auto& e : fs::directory_iterator(autostart)) triggers.push_back(e.path());
    ASSERT_EQ(triggers.size(), 1u);
    EXPECT_NE(pxtest::ReadFile(triggers[0]).find("Exec=env WINDIR=" + P("windows") + " "),
              std::string::npos);
    EXPECT_NE(pxtest::ReadFile(triggers[0]).find(" --apply-pending-renames\n"), std::string::npos);

    ASSERT_EQ(chdir(P("B").c_str()), 0);
    EXPECT_EQ(ApplyPendingRenames(), 2);
    EXPECT_FALSE(Exists("A/victim.txt"));
    EXPECT_EQ(Get("B/victim.txt"), "B");
    EXPECT_EQ(Get("A/new.dll"), "new");  // the deletion waits for the failed move
    EXPECT_NE(Get("windows/instari.err").find(P("A/new.dll") + " -> " + P("A/sub/new.dll")),
              std::string::npos);
    EXPECT_TRUE(fs::exists(triggers[0]));

    fs::create_directories(P("A/sub"));
    EXPECT_EQ(ApplyPendingRenames(), 0);
    EXPECT_EQ(Get("A/sub/new.dll"), "new");
    EXPECT_FALSE(fs::exists(triggers[0]));
    EXPECT_EQ(ApplyPendingRenames(), 0);  // nothing left to do
    unsetenv("TERVOLA_WINVER");
    fs::remove_all(P("A"));
    fs::remove_all(P("B"));
  }
}
