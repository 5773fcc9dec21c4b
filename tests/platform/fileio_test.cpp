// Files put in place whole: what others see before, during and after.
#include "platform/fileio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/testutil.h"

using platform::PendingFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> out;
  for (auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

bool Write(PendingFile& f, const std::string& bytes) {
  return write(f.Fd(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

}  // namespace

TEST(PendingFile, NewTargetAppearsOnlyWhenCommittedAndWhole) {
  const std::string dir = pxtest::TestRoot() + "/out";
  fs::create_directories(dir);
  {
    PendingFile f;
    ASSERT_TRUE(f.Create(dir + "/new.bin", 0640));
    ASSERT_TRUE(Write(f, "half"));
    EXPECT_TRUE(Names(dir).empty() || Names(dir)[0][0] == '.');  // never under its own name
  }
  EXPECT_TRUE(Names(dir).empty());  // dropped: nothing left at all

  PendingFile f;
  ASSERT_TRUE(f.Create(dir + "/new.bin", 0640));
  ASSERT_TRUE(Write(f, "whole"));
  ASSERT_TRUE(f.Close());  // closing early must not lose the file
  ASSERT_TRUE(f.Commit());
  EXPECT_EQ(pxtest::ReadFile(dir + "/new.bin"), "whole");
  struct stat st;
  ASSERT_EQ(stat((dir + "/new.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"new.bin"});
  EXPECT_FALSE(f.Commit());  // once only
}

TEST(PendingFile, ExistingTargetStaysUntilReplaced) {
  const std::string dir = pxtest::TestRoot() + "/out";
  fs::create_directories(dir);
  pxtest::WriteFile(dir + "/old.txt", "old");
  {
    PendingFile f;
    ASSERT_TRUE(f.Create(dir + "/old.txt", 0644));
    ASSERT_TRUE(Write(f, "new"));
    EXPECT_EQ(pxtest::ReadFile(dir + "/old.txt"), "old");
    // no temporary name while it is written: a writer killed now leaves
    // nothing behind
    EXPECT_EQ(Names(dir), std::vector<std::string>{"old.txt"});
  }
  EXPECT_EQ(pxtest::ReadFile(dir + "/old.txt"), "old");
  EXPECT_EQ(Names(dir), std::vector<std::string>{"old.txt"});

  PendingFile f;
  ASSERT_TRUE(f.Create(dir + "/old.txt", 0644));
  ASSERT_TRUE(Write(f, "new"));
  ASSERT_TRUE(f.Commit());
  EXPECT_EQ(pxtest::ReadFile(dir + "/old.txt"), "new");
  EXPECT_EQ(Names(dir), std::vector<std::string>{"old.txt"});
}

TEST(PendingFile, TargetMadeByOthersMeanwhileIsReplacedWhole) {
  const std::string dir = pxtest::TestRoot() + "/out";
  fs::create_directories(dir);
  // also when the caller had found it missing
  for (bool foundMissing : {false, true}) {
    SCOPED_TRACE(foundMissing);
    std::filesystem::remove(dir + "/race.txt");
    PendingFile f;
    ASSERT_TRUE(foundMissing ? f.CreateNew(dir + "/race.txt", 0644)
                             : f.Create(dir + "/race.txt", 0644));
    ASSERT_TRUE(Write(f, "ours"));
    pxtest::WriteFile(dir + "/race.txt", "theirs");
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(pxtest::ReadFile(dir + "/race.txt"), "ours");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"race.txt"});
  }
}

TEST(PendingFile, NamedTemporaryForWritersThatNeedAPath) {
  const std::string dir = pxtest::TestRoot() + "/out";
  fs::create_directories(dir);
  PendingFile f;
  ASSERT_TRUE(f.CreateNamed(dir + "/pic.bmp", 0644));
  ASSERT_FALSE(f.Path().empty());
  ASSERT_TRUE(f.Close());
  pxtest::WriteFile(f.Path(), "by path");
  ASSERT_TRUE(f.Commit());
  EXPECT_EQ(pxtest::ReadFile(dir + "/pic.bmp"), "by path");
  EXPECT_EQ(Names(dir), std::vector<std::string>{"pic.bmp"});

  PendingFile bad;
  EXPECT_FALSE(bad.Create(dir, 0644));  // a directory is no target
  EXPECT_EQ(errno, EISDIR);
  EXPECT_FALSE(bad.Create(dir + "/missing/x.txt", 0644));
}

// A target the caller found missing: no look of its own; the mode asked for
// is the mode got.
TEST(PendingFile, NewTargetCallerFoundMissing) {
  const std::string dir = pxtest::TestRoot() + "/out";
  fs::create_directories(dir);
  struct stat dirStat;
  ASSERT_EQ(stat(dir.c_str(), &dirStat), 0);
  for (mode_t mode : {0644, 0755, 0600, 0666}) {
    SCOPED_TRACE(mode);
    const std::string target = dir + "/m" + std::to_string(mode);
    PendingFile f;
    ASSERT_TRUE(f.CreateNew(target, mode, &dirStat));
    ASSERT_TRUE(Write(f, "data"));
    ASSERT_TRUE(f.Commit());
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    // exactly, even the bits the creation mask would take
    EXPECT_EQ(st.st_mode & 0777, mode);
    ASSERT_EQ(stat(dir.c_str(), &dirStat), 0);
  }
  PendingFile none;
  errno = 0;
  EXPECT_FALSE(none.CreateNew(dir + "/no/such/dir/x", 0644));
  EXPECT_EQ(errno, ENOENT);
}

// What killed writers left: ours (or an earlier version's, after an hour)
// go with the next write into the folder; anything else stays.
TEST(PendingFile, NextWriterRemovesStaleTemporaries) {
  const std::string dir = pxtest::TestRoot() + "/stale";
  fs::create_directories(dir + "/.dir.tmp-Ab3dE9");
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  waitpid(dead, nullptr, 0);
  const std::string d = std::to_string(dead), me = std::to_string(getpid());
  struct Case {
    std::string name;
    int ageSeconds;
    bool goes;
  } cases[] = {
      {".a.txt.tmp-Ab3dE9", 7200, true},         // an earlier version's, old
      {".b.txt.tmp-Zz9yY8", 60, false},          // the same, maybe still written
      {".c.txt.tmp-" + d + "-0", 0, true},       // a writer that is gone
      {".e.reg.tmp-" + d + "-Qw12Er", 0, true},  // its named form
      {".d.txt.tmp-" + me + "-0", 7200, false},  // a writer that lives
      {"f.txt.tmp-" + d + "-0", 7200, false},    // not hidden: not ours
      {".g.txt.tmp-" + d + "-", 7200, false},    // no tail
      {".h.txt.tmp-Ab3d", 7200, false},          // too short
      {".i.txt.tmp-" + d + "-0.bak", 7200, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(pxtest::WriteFile(dir + "/" + c.name, "left"));
    const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(c.ageSeconds);
    fs::last_write_time(dir + "/" + c.name, when);
  }
  ASSERT_TRUE(platform::ReplaceFile(dir + "/new.txt", "x"));
  for (const Case& c : cases) EXPECT_EQ(!fs::exists(dir + "/" + c.name), c.goes) << c.name;
  EXPECT_TRUE(fs::is_directory(dir + "/.dir.tmp-Ab3dE9"));
}
