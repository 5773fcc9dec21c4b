#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "common/testutil.h"
#include "platform/paths.h"

using namespace platform;
using pxtest::ReadFile;
using pxtest::WriteFile;

namespace {

std::string IniPath(const std::string& name) { return WindowsDirectory() + "/" + name; }

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(Profile, NamesMatchWithoutCaseValuesKeepTheirBytes) {
  WriteFile(IniPath("prentix.ini"),
            "[Verwendung]\nTaskbar=No\nGreyScale=yes\nLanguage=7\n[Key]\nwindow=a123\n");
  EXPECT_EQ(GetPrivateProfileString("verwendung", "TASKBAR", "x", "prentix.ini"), "No");
  EXPECT_EQ(GetPrivateProfileString("VERWENDUNG", "greyscale", "", "prentix.ini"), "yes");
  // file names, too, are found without regard to case
  EXPECT_EQ(GetPrivateProfileString("key", "WINDOW", "", "PRENTIX.INI"), "a123");
  // a missing key, section or file gives the default, with no default the empty string
  EXPECT_EQ(GetPrivateProfileString("Verwendung", "Logging", "", "prentix.ini"), "");
  EXPECT_EQ(GetPrivateProfileString("Nowhere", "Logging", "dflt", "prentix.ini"), "dflt");
  EXPECT_EQ(GetPrivateProfileString("Verwendung", "Taskbar", "dflt", "missing.ini"), "dflt");
  EXPECT_EQ(GetPrivateProfileInt("Verwendung", "Language", 0, "prentix.ini"), 7);
  EXPECT_EQ(GetPrivateProfileInt("Verwendung", "Nope", 42, "prentix.ini"), 42);
}

TEST(Profile, ValuesAreTrimmedAndLoseSurroundingQuotes) {
  WriteFile(IniPath("q.ini"),
            "[S]\n  a =  spaced value \t\nb=\"quoted \"\nc='single'\nd=\"unbalanced\ne=\"\"\n"
            "f=a=b\n");
  EXPECT_EQ(GetPrivateProfileString("S", "a", "", "q.ini"), "spaced value");
  EXPECT_EQ(GetPrivateProfileString("S", "b", "", "q.ini"), "quoted ");
  EXPECT_EQ(GetPrivateProfileString("S", "c", "", "q.ini"), "single");
  EXPECT_EQ(GetPrivateProfileString("S", "d", "", "q.ini"), "\"unbalanced");
  EXPECT_EQ(GetPrivateProfileString("S", "e", "x", "q.ini"), "");
  EXPECT_EQ(GetPrivateProfileString("S", "f", "", "q.ini"), "a=b");
}

TEST(Profile, FirstMatchWinsAndBufferCutsKeepCharactersWhole) {
  WriteFile(IniPath("d.ini"), "[S]\nk=first\nK=second\n[s]\nk=third\nother=1\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", "d.ini"), "first");
  // only the first section of a name is looked at
  EXPECT_EQ(GetPrivateProfileString("S", "other", "none", "d.ini"), "none");

  WriteFile(IniPath("u.ini"), "[S]\nk=Größe\n");
  // "Gr" + two-byte "ö": a 4-byte buffer holds 3 bytes, which would split it
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", 4, "u.ini"), "Gr");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", 5, "u.ini"), "Grö");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", 0, "u.ini"), "");
}

TEST(Profile, WriteReplacesInPlaceAndKeepsEverythingElseByteForByte) {
  const std::string original =
      "; settings written by hand\n"
      "[Verwendung]\n"
      "TopMargin = 3   ; keep me\n"
      "BottomMargin=5\n"
      "\n"
      "; comment inside a section\n"
      "[Key]\n"
      "window=a123\n"
      "\n";
  WriteFile(IniPath("prentix.ini"), original);
  ASSERT_TRUE(WritePrivateProfileString("VERWENDUNG", "topmargin", "4", "prentix.ini"));
  ASSERT_TRUE(WritePrivateProfileString("Verwendung", "Gif", "1", "prentix.ini"));
  ASSERT_TRUE(WritePrivateProfileString("Extra", "New", "v", "prentix.ini"));
  EXPECT_EQ(ReadFile(IniPath("prentix.ini")),
            "; settings written by hand\n"
            "[Verwendung]\n"
            "TopMargin=4\n"
            "BottomMargin=5\n"
            "\n"
            "; comment inside a section\n"
            "Gif=1\n"
            "[Key]\n"
            "window=a123\n"
            "\n"
            "[Extra]\n"
            "New=v\n");
  // the hand-written key is never rewritten and survives
  EXPECT_EQ(GetPrivateProfileString("Verwendung", "BottomMargin", "", "prentix.ini"), "5");
}

TEST(Profile, DeletingKeysAndSections) {
  WriteFile(IniPath("x.ini"), "[A]\nk1=1\nk2=2\n[B]\nb=1\n; note\n[C]\nc=1\n");
  EXPECT_TRUE(WritePrivateProfileString("a", "K1", nullptr, "x.ini"));
  EXPECT_TRUE(WritePrivateProfileString("b", nullptr, nullptr, "x.ini"));
  EXPECT_EQ(ReadFile(IniPath("x.ini")), "[A]\nk2=2\n[C]\nc=1\n");
  // deleting what is not there succeeds and creates nothing
  EXPECT_TRUE(WritePrivateProfileString("A", "gone", nullptr, "x.ini"));
  EXPECT_TRUE(WritePrivateProfileString("S", "k", nullptr, "absent.ini"));
  EXPECT_EQ(access(IniPath("absent.ini").c_str(), F_OK), -1);
  EXPECT_EQ(GetPrivateProfileSectionNames("x.ini"), (std::vector<std::string>{"A", "C"}));
}

TEST(Profile, NewFileAndValuesThatWouldBreakTheFileAreRefused) {
  ASSERT_TRUE(WritePrivateProfileString("Key", "screen", "s122", "fresh.ini"));
  EXPECT_EQ(ReadFile(IniPath("fresh.ini")), "[Key]\nscreen=s122\n");
  EXPECT_FALSE(WritePrivateProfileString("Key", "screen", "a\nb=c", "fresh.ini"));
  EXPECT_FALSE(WritePrivateProfileString("Key", "x=y", "1", "fresh.ini"));
  EXPECT_FALSE(WritePrivateProfileString("K]ey", "x", "1", "fresh.ini"));
  EXPECT_EQ(ReadFile(IniPath("fresh.ini")), "[Key]\nscreen=s122\n");
  // a value that reads back differently is still written as given
  ASSERT_TRUE(WritePrivateProfileString("Key", "q", "\"x\"", "fresh.ini"));
  EXPECT_EQ(GetPrivateProfileString("Key", "q", "", "fresh.ini"), "x");
}

TEST(Profile, SeveralKeysInOneRewrite) {
  const std::string start = "; kept\n[Prentix]\nTopMargin=5\n[Other]\nx=1\n";
  WriteFile(IniPath("batch.ini"), start);
  WriteFile(IniPath("single.ini"), start);
  const std::vector<ProfileEntry> entries = {{"Prentix", "TopMargin", "7"},
                                             {"prentix", "Landscape", "yes"},
                                             {"New", "Key", "v"},
                                             {"Prentix", "TopMargin", "8"}};
  ASSERT_TRUE(WritePrivateProfileStrings(entries, "batch.ini"));
  for (const ProfileEntry& e : entries)
    ASSERT_TRUE(
        WritePrivateProfileString(e.section.c_str(), e.key.c_str(), e.value.c_str(), "single.ini"));
  EXPECT_EQ(ReadFile(IniPath("batch.ini")), ReadFile(IniPath("single.ini")));

  // nothing changed: the file is not even replaced
  struct stat before, after;
  ASSERT_EQ(stat(IniPath("batch.ini").c_str(), &before), 0);
  ASSERT_TRUE(WritePrivateProfileStrings(entries, "batch.ini"));
  ASSERT_EQ(stat(IniPath("batch.ini").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);

  // a value that would break the file is refused; the rest still lands
  EXPECT_FALSE(WritePrivateProfileStrings(
      {{"Prentix", "Bad", "two\nlines"}, {"Prentix", "Good", "1"}}, "batch.ini"));
  EXPECT_EQ(GetPrivateProfileString("Prentix", "Good", "", "batch.ini"), "1");
  EXPECT_EQ(GetPrivateProfileString("Prentix", "Bad", "none", "batch.ini"), "none");
  // a refused entry alone creates no file
  EXPECT_FALSE(WritePrivateProfileStrings({{"S", "K", "a\nb"}}, "absent.ini"));
  EXPECT_FALSE(FileExists(IniPath("absent.ini")));
}

TEST(Profile, CrLfAndGarbageLinesAreReadAndKept) {
  WriteFile(IniPath("w.ini"),
            "[Drives]\r\nC=/\r\n\r\n[Win]\r\nnot a key line\r\n=novalue\r\n[broken\r\nx=1\r\n"
            "\x01\xff\xfe binary\r\ny = 2");
  EXPECT_EQ(GetPrivateProfileString("drives", "c", "", "w.ini"), "/");
  EXPECT_EQ(GetPrivateProfileString("broken", "x", "", "w.ini"), "1");
  EXPECT_EQ(GetPrivateProfileString("broken", "y", "", "w.ini"), "2");
  EXPECT_EQ(GetPrivateProfileKeys("Win", "w.ini"), (std::vector<std::string>{""}));
  ASSERT_TRUE(WritePrivateProfileString("Win", "k", "v", "w.ini"));
  // every line survives, written with LF
  EXPECT_EQ(ReadFile(IniPath("w.ini")),
            "[Drives]\nC=/\n\n[Win]\nnot a key line\n=novalue\nk=v\n[broken\nx=1\n"
            "\x01\xff\xfe binary\ny = 2\n");
  EXPECT_EQ(GetPrivateProfileSection("Win", "w.ini"),
            (std::vector<std::string>{"not a key line", "=novalue", "k=v"}));
}

TEST(Profile, PathsOfProfileFiles) {
  EXPECT_EQ(ProfilePath("prentix.ini"), WindowsDirectory() + "/prentix.ini");
  std::string other = pxtest::TestRoot() + "/tmp/own.ini";
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", other));
  EXPECT_EQ(ReadFile(other), "[S]\nk=v\n");
  // a file in a directory that does not exist is not written
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", pxtest::TestRoot() + "/no/such/dir/x.ini"));
}

TEST(Profile, ReadOnlyFileIsNotReplaced) {
  WriteFile(IniPath("ro.ini"), "[S]\nk=v\n");
  chmod(IniPath("ro.ini").c_str(), 0444);
  // the directory is writable, so only the file's own mode can refuse
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "w", "ro.ini"));
  EXPECT_EQ(ReadFile(IniPath("ro.ini")), "[S]\nk=v\n");
}

// Two writer processes hammer different keys of one file while this process
// reads it; every read must parse and see the keys written so far.
TEST(Profile, ConcurrentWritersLoseNothingAndReadersNeverSeeHalfAFile) {
  const int kWrites = 1000;
  ASSERT_TRUE(WritePrivateProfileString("Head", "marker", "present", "shared.ini"));
  pid_t kids[2];
  for (int w = 0; w < 2; ++w) {
    kids[w] = fork();
    ASSERT_GE(kids[w], 0);
    if (kids[w] == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites && ok; ++i) {
        std::string key = "w" + std::to_string(w) + "_" + std::to_string(i % 50);
        ok = WritePrivateProfileString(w == 0 ? "Alpha" : "Beta", key.c_str(),
                                       std::to_string(i).c_str(), "shared.ini");
      }
      _exit(ok ? 0 : 1);
    }
  }
  std::atomic<bool> done{false};
  int reads = 0, bad = 0;
  std::thread reader([&] {
    while (!done) {
      if (GetPrivateProfileString("head", "MARKER", "", "shared.ini") != "present") ++bad;
      ++reads;
    }
  });
  for (pid_t k : kids) {
    int status = 0;
    waitpid(k, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  done = true;
  reader.join();
  EXPECT_EQ(bad, 0) << "of " << reads << " reads";
  EXPECT_GT(reads, 0);
  for (int w = 0; w < 2; ++w)
    for (int k = 0; k < 50; ++k) {
      std::string key = "w" + std::to_string(w) + "_" + std::to_string(k);
      // the last write of key k was i = 950 + k
      EXPECT_EQ(GetPrivateProfileString(w == 0 ? "Alpha" : "Beta", key, "", "shared.ini"),
                std::to_string(950 + k))
          << key;
    }
}

// Readings are kept between calls, but a file changed by any means, even in
// place with the same size right after it was read, is read again.
TEST(Profile, KeptReadingsFollowEveryChange) {
  const std::string path = platform::WindowsDirectory() + "/win.ini";
  ASSERT_TRUE(WriteFile(path, "[Drives]\nD=/aa\n"));
  usleep(20000);  // older than the clock tick of the reading
  EXPECT_EQ(GetPrivateProfileString("Drives", "D", "", "win.ini"), "/aa");
  EXPECT_EQ(GetPrivateProfileString("Drives", "d", "", "WIN.INI"), "/aa");
  for (const char* value : {"/bb", "/cc", "/dd"}) {
    SCOPED_TRACE(value);
    // in place: same inode, same size
    FILE* f = fopen(path.c_str(), "r+");
    ASSERT_TRUE(f);
    fprintf(f, "[Drives]\nD=%s\n", value);
    fclose(f);
    EXPECT_EQ(GetPrivateProfileString("Drives", "D", "", "win.ini"), value);
    EXPECT_EQ(HostPath("D:\\x"), std::string(value) + "/x");
  }
  // other files read in between do not mix up with it
  for (int i = 0; i < 6; ++i) {
    std::string name = "f" + std::to_string(i) + ".ini";
    ASSERT_TRUE(WriteFile(platform::WindowsDirectory() + "/" + name,
                          "[S]\nK=" + std::to_string(i) + "\n"));
  }
  usleep(20000);
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(GetPrivateProfileInt("S", "K", -1, "f" + std::to_string(i) + ".ini"), i);
  EXPECT_EQ(GetPrivateProfileString("Drives", "D", "", "win.ini"), "/dd");
  ASSERT_EQ(unlink(path.c_str()), 0);
  EXPECT_EQ(GetPrivateProfileString("Drives", "D", "gone", "win.ini"), "gone");
}
