#include "platform/findfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/profile.h"
#include "tests/platform/wildcard_reference.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// All results of a search as name -> how often it came.
std::map<std::string, int> Collect(const std::string& pattern,
                                   DotEntries dots = DotEntries::kReport) {
  std::map<std::string, int> seen;
  FindFile f;
  for (bool ok = f.First(pattern, dots); ok; ok = f.Next()) ++seen[f.Data().name];
  return seen;
}

void Touch(const std::string& path, const std::string& bytes = "x") {
  ASSERT_TRUE(pxtest::WriteFile(path, bytes)) << path;
}

}  // namespace

TEST(FindFile, WildcardRules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      // exactly one character per '?'
      {"auto???.*", "auto007.gif", true},
      {"auto???.*", "AUTO123.PXI", true},
      {"auto???.*", "auto1000.gif", false},
      {"auto???.*", "auto7.gif", false},
      {"auto???.*", "auto007", true},  // the dot also matches the end of a dotless name
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a?c", "abbc", false},
      // "*.*" is everything, "*." the names without a dot
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*.*", ".", true},
      {"*.*", "..", true},
      {"*", "anything.at.all", true},
      {"*.", "README", true},
      {"*.", "a.txt", false},
      {"x.*", "x", true},
      {"x.*", "xy", false},
      {"*.txt", "notes.TXT", true},
      {"*.txt", "notes.txt.bak", false},
      {"*.txt", "txt", false},
      {"*.t?t", "a.txt", true},
      {"*.?", "a", false},  // no zero-width '?'
      // literal names, case folded for ASCII only
      {"Readme.TXT", "readme.txt", true},
      {"Readme.TXT", "readme.txt2", false},
      {"\xC3\x84*", "\xC3\xA4.txt", false},
      {"\xC3\x84*", "\xC3\x84.txt", true},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesDosWildcard(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
    EXPECT_EQ(pxtest::ReferenceWildcardMatch(c.pattern, c.name), c.match)
        << "reference " << c.pattern;
  }

  // every pattern up to 4 characters over a small alphabet against every
  // name up to 4 characters: the matcher agrees with the table
  const std::string pa = "a.*?B", na = "ab.";
  std::vector<std::string> patterns{""}, names{""};
  for (size_t len = 0, from = 0; len < 4; ++len) {
    size_t to = patterns.size();
    for (size_t k = from; k < to; ++k)
      for (char c : pa) patterns.push_back(patterns[k] + c);
    from = to;
  }
  for (size_t len = 0, from = 0; len < 4; ++len) {
    size_t to = names.size();
    for (size_t k = from; k < to; ++k)
      for (char c : na) names.push_back(names[k] + c);
    from = to;
  }
  int disagreements = 0;
  for (const auto& p : patterns)
    for (const auto& n : names)
      if (MatchesDosWildcard(p, n) != pxtest::ReferenceWildcardMatch(p, n) && ++disagreements < 5)
        ADD_FAILURE() << "pattern '" << p << "' name '" << n << "'";
  EXPECT_EQ(disagreements, 0);

  // many stars against a long name that does not match: no backtracking blow-up
  std::string manyStars, longName(20000, 'a');
  for (int i = 0; i < 2000; ++i) manyStars += "*a";
  manyStars += "b";
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(MatchesDosWildcard(manyStars, longName));
  EXPECT_TRUE(MatchesDosWildcard(manyStars.substr(0, manyStars.size() - 1) + "*", longName));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  EXPECT_TRUE(HasWildcards("a?"));
  EXPECT_TRUE(HasWildcards("*"));
  EXPECT_FALSE(HasWildcards("C:\\dir\\a.txt"));
}

TEST(FindFile, DosPatternsFindEveryMatchOnceWithAttributes) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(WritePrivateProfileString("Drives", "C", root.c_str(), "win.ini"));
  const std::string dir = root + "/tmp/Shots";
  fs::create_directories(dir + "/auto999.d");  // a directory that matches auto???.*
  Touch(dir + "/auto001.pxi", "12345");
  Touch(dir + "/auto007.gif");
  Touch(dir + "/AUTO003.PXI");
  Touch(dir + "/auto1000.gif");
  Touch(dir + "/auto7.gif");
  Touch(dir + "/.hidden");
  Touch(dir + "/locked.txt");
  ASSERT_EQ(chmod((dir + "/locked.txt").c_str(), 0444), 0);

  // the automatic-name search: three characters, any extension, any case
  auto seen = Collect("C:\\TMP\\SHOTS\\auto???.*");
  std::map<std::string, int> want{
      {"auto001.pxi", 1}, {"auto007.gif", 1}, {"AUTO003.PXI", 1}, {"auto999.d", 1}};
  EXPECT_EQ(seen, want);

  // "*" reports every entry once, "." and ".." included, and "*.*" the same
  std::map<std::string, int> all{{".", 1}, {"..", 1}};
  for (const auto& e : fs::directory_iterator(dir)) all[e.path().filename().string()] = 1;
  EXPECT_EQ(all.size(), 10u);
  EXPECT_EQ(Collect("C:\\tmp\\Shots\\*"), all);
  EXPECT_EQ(Collect(dir + "/*.*"), all);
  all.erase(".");
  all.erase("..");
  EXPECT_EQ(Collect(dir + "/*", DotEntries::kSkip), all);

  // attributes, sizes and times of each kind of entry
  std::map<std::string, FindData> data;
  FindFile f;
  for (bool ok = f.First(dir + "/*"); ok; ok = f.Next()) data[f.Data().name] = f.Data();
  EXPECT_EQ(data["auto001.pxi"].attributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(data["auto001.pxi"].size, 5u);
  EXPECT_FALSE(data["auto001.pxi"].IsDirectory());
  EXPECT_EQ(data["auto999.d"].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data["auto999.d"].size, 0u);
  EXPECT_TRUE(data["auto999.d"].IsDirectory());
  EXPECT_EQ(data[".hidden"].attributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(data["."].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data[".."].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data["locked.txt"].attributes, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  struct stat st;
  ASSERT_EQ(stat((dir + "/auto001.pxi").c_str(), &st), 0);
  EXPECT_EQ(data["auto001.pxi"].lastWriteTime, FileTimeFromTimespec(st.st_mtim));
  EXPECT_EQ(data["auto001.pxi"].lastAccessTime, FileTimeFromTimespec(st.st_atim));
  EXPECT_NE(data["auto001.pxi"].creationTime, 0u);
  EXPECT_EQ(f.Directory(), dir);

  // "." and ".." come first, as Windows lists them
  ASSERT_TRUE(f.First(dir + "/*"));
  EXPECT_EQ(f.Data().name, ".");
  ASSERT_TRUE(f.Next());
  EXPECT_EQ(f.Data().name, "..");
  f.Close();
  f.Close();  // twice is harmless
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.Next());
}

TEST(FindFile, LiteralNamesFindOneEntrySpelledAsOnDisk) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(WritePrivateProfileString("Drives", "C", root.c_str(), "win.ini"));
  const std::string dir = root + "/tmp/Lit";
  fs::create_directories(dir + "/Sub");
  Touch(dir + "/readme.txt", "abc");
  Touch(dir + "/README.TXT", "abcdef");
  Touch(dir + "/Only.Mixed");

  auto one = Collect("C:\\tmp\\lit\\ONLY.MIXED");
  EXPECT_EQ(one, (std::map<std::string, int>{{"Only.Mixed", 1}}));
  // two spellings: the exact one wins and it is the only result
  EXPECT_EQ(Collect("C:\\tmp\\Lit\\README.TXT"), (std::map<std::string, int>{{"README.TXT", 1}}));
  auto data = FindFirstMatch("c:/TMP/lit/readme.txt");
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size, 3u);
  auto sub = FindFirstMatch(dir + "/sub");
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub->name, "Sub");
  EXPECT_TRUE(sub->IsDirectory());

  // misses and errors
  FindFile f;
  errno = 0;
  EXPECT_FALSE(f.First(dir + "/missing.txt"));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.First(dir + "/*.none"));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(f.First(root + "/no/such/dir/*"));
  EXPECT_FALSE(f.First("C:\\tmp\\Lit\\"));  // a pattern must name something
  EXPECT_FALSE(f.First("Q:\\*"));           // unmapped drive
  EXPECT_FALSE(FindFirstMatch(dir + "/*.none"));
}

TEST(FindFile, SearchIsASnapshotThatSkipsRemovedEntries) {
  const std::string dir = pxtest::TestRoot() + "/tmp/snap";
  fs::create_directories(dir);
  for (int i = 0; i < 6; ++i) Touch(dir + "/f" + std::to_string(i) + ".dat");

  FindFile f;
  ASSERT_TRUE(f.First(dir + "/*.dat"));
  std::set<std::string> seen{f.Data().name};
  // remove one entry not reported yet, add a new one: the first is skipped,
  // the second not reported, nothing comes twice
  std::string removed;
  for (int i = 0; i < 6 && removed.empty(); ++i) {
    std::string n = "f" + std::to_string(i) + ".dat";
    if (!seen.count(n)) removed = n;
  }
  ASSERT_EQ(unlink((dir + "/" + removed).c_str()), 0);
  Touch(dir + "/new.dat");
  // deleting what was just reported is fine too
  ASSERT_EQ(unlink((dir + "/" + f.Data().name).c_str()), 0);
  int count = 1;
  while (f.Next()) {
    EXPECT_TRUE(seen.insert(f.Data().name).second) << "twice: " << f.Data().name;
    ++count;
  }
  EXPECT_EQ(count, 5);
  EXPECT_FALSE(seen.count(removed));
  EXPECT_FALSE(seen.count("new.dat"));

  // a moved search carries on; the old object is closed
  ASSERT_TRUE(f.First(dir + "/*.dat"));
  FindFile g = std::move(f);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_TRUE(g.IsOpen());
  int rest = 1;
  while (g.Next()) ++rest;
  EXPECT_EQ(rest, 5);
}

TEST(FindFile, LinksAndRoots) {
  const std::string root = pxtest::TestRoot();
  const std::string dir = root + "/tmp/links";
  fs::create_directories(dir + "/target");
  Touch(dir + "/file.txt", "1234");
  ASSERT_EQ(symlink("target", (dir + "/dirlink").c_str()), 0);
  ASSERT_EQ(symlink("file.txt", (dir + "/filelink").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir + "/dangling").c_str()), 0);

  auto d = FindFirstMatch(dir + "/dirlink");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  auto fl = FindFirstMatch(dir + "/filelink");
  ASSERT_TRUE(fl);
  EXPECT_EQ(fl->attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(fl->size, 4u);
  auto dg = FindFirstMatch(dir + "/dang*");
  ASSERT_TRUE(dg);
  EXPECT_EQ(dg->name, "dangling");
  EXPECT_TRUE(dg->attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_FALSE(dg->IsDirectory());

  // the root of a drive has no "." and ".."
  ASSERT_TRUE(WritePrivateProfileString("Drives", "D", dir.c_str(), "win.ini"));
  auto atRoot = Collect("D:\\*");
  EXPECT_EQ(atRoot.count("."), 0u);
  EXPECT_EQ(atRoot.count(".."), 0u);
  EXPECT_EQ(atRoot.size(), 5u);
  EXPECT_EQ(Collect("D:*.txt"), (std::map<std::string, int>{{"file.txt", 1}}));
  EXPECT_EQ(Collect("/*").count(".."), 0u);

  // a bare pattern searches the current directory
  char cwd[4096];
  ASSERT_TRUE(getcwd(cwd, sizeof cwd));
  ASSERT_EQ(chdir(dir.c_str()), 0);
  auto here = Collect("*.TXT");
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_EQ(here, (std::map<std::string, int>{{"file.txt", 1}}));
}

// The lookup a copy makes: the same answer as FindFirstMatch, plus where
// opening or creating the name leads, by any of its ways (as written, by a
// kept listing, by the folder, by a search).
TEST(FindFile, LookUpFileAgreesWithASearchAndTellsWhereToCreate) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(WritePrivateProfileString("Drives", "C", root.c_str(), "win.ini"));
  const std::string dir = root + "/tmp/Look";
  fs::create_directories(dir + "/Sub");
  Touch(dir + "/Foo.txt", "1");
  Touch(dir + "/foo.txt", "22");
  Touch(dir + "/Only.Mixed", "333");
  for (int i = 0; i < 8; ++i) {
    Touch(dir + "/P" + std::to_string(i) + ".txt");
    Touch(dir + "/p" + std::to_string(i) + ".txt");
  }

  auto check = [&](const std::string& name, const std::string& host, const char* found) {
    SCOPED_TRACE(name);
    platform::FileLookup r = platform::LookUpFile(name);
    auto expected = FindFirstMatch(name);
    EXPECT_EQ(r.hostPath, host);
    ASSERT_EQ(r.data.has_value(), expected.has_value());
    if (!found) {
      EXPECT_EQ(r.error, ENOENT);
      return;
    }
    EXPECT_EQ(r.data->name, found);
    EXPECT_EQ(r.data->name, expected->name);
    EXPECT_EQ(r.data->size, expected->size);
    EXPECT_EQ(r.data->lastWriteTime, expected->lastWriteTime);
    EXPECT_TRUE(S_ISREG(r.mode) || S_ISDIR(r.mode));
  };
  // twice each: the second time the folder's listing is kept (a listing is
  // kept only when the folder's last change is older than the clock tick)
  usleep(20000);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    check("C:\\tmp\\Look\\foo.txt", dir + "/foo.txt", "foo.txt");  // as written wins
    check("C:\\tmp\\Look\\Foo.txt", dir + "/Foo.txt", "Foo.txt");
    check("C:\\tmp\\Look\\FOO.TXT", dir + "/Foo.txt", "Foo.txt");  // else the least spelling
    check("c:/TMP/look/only.mixed", dir + "/Only.Mixed", "Only.Mixed");
    check("C:\\tmp\\Look\\new.txt", dir + "/new.txt", nullptr);
    check("C:\\tmp\\Look\\*.mixed", dir + "/*.mixed", "Only.Mixed");  // where an open leads
    check("C:\\tmp\\look\\sub", dir + "/Sub", "Sub");
  }
  // a missing name: the folder's status comes along, fresh
  platform::FileLookup missing = platform::LookUpFile(dir + "/NEW.TXT");
  EXPECT_FALSE(missing.data);
  ASSERT_TRUE(missing.dirKnown);
  struct stat st;
  ASSERT_EQ(stat(dir.c_str(), &st), 0);
  EXPECT_EQ(missing.dirStat.st_ino, st.st_ino);
  // a file made by someone else after the listing was kept is found
  usleep(20000);
  Touch(dir + "/Later.TXT", "4444");
  // read again: as written wins whatever order the folder lists them in
  for (int i = 0; i < 8; ++i) {
    const std::string lower = "p" + std::to_string(i) + ".txt";
    check("C:\\tmp\\Look\\" + lower, dir + "/" + lower, lower.c_str());
  }
  check("C:\\tmp\\Look\\later.txt", dir + "/Later.TXT", "Later.TXT");
  // missing folders, unmapped drives, trailing separators
  platform::FileLookup deep = platform::LookUpFile("C:\\tmp\\look\\no\\such.txt");
  EXPECT_FALSE(deep.data);
  EXPECT_EQ(deep.error, ENOENT);
  EXPECT_FALSE(deep.dirKnown);
  platform::FileLookup unmapped = platform::LookUpFile("Q:\\x.txt");
  EXPECT_FALSE(unmapped.data);
  EXPECT_TRUE(unmapped.hostPath.empty());
  EXPECT_FALSE(platform::LookUpFile("C:\\tmp\\Look\\").data);
}
