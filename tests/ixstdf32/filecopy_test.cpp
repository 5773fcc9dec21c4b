// File-date comparisons, file times and the expanding copies.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/testutil.h"
#include "ixtest.h"
#include "platform/filetime.h"

using ixtest::IxStdF;

namespace {

std::string Root() { return pxtest::TestRoot(); }

void SetWrite(const std::string& path, platform::FileTime t) {
  ASSERT_TRUE(platform::SetFileTimes(path, nullptr, &t, &t));
}

// 2024-03-01 12:00:00 UTC
platform::FileTime Noon() {
  platform::SystemTime st;
  st.year = 2024;
  st.month = 3;
  st.day = 1;
  st.hour = 12;
  platform::FileTime t = 0;
  platform::SystemTimeToFileTime(st, &t);
  return t;
}

constexpr platform::FileTime kMs = 10000;

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

TEST_F(IxStdF, FileDateComparisons) {
  const std::string a = Root() + "/a.txt", b = Root() + "/b.txt";
  ASSERT_TRUE(pxtest::WriteFile(a, "12345"));
  ASSERT_TRUE(pxtest::WriteFile(b, "12345"));
  // within one even second: equal by time
  SetWrite(a, Noon() + 500 * kMs);
  SetWrite(b, Noon() + 1900 * kMs);
  EXPECT_EQ(TesteFileDatum(b.c_str(), a.c_str()), 0);
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Dateien sind gleich !"));
  SetWrite(b, Noon() + 2000 * kMs);
  EXPECT_EQ(TesteFileDatum(b.c_str(), a.c_str()), 1);
  EXPECT_EQ(GibLetzteFehlerNr(), IXSTDF_FAILURE);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: von-Datei ist neuer !"));

  // same DOS time and size: all four say equal
  SetWrite(b, Noon() + 1000 * kMs);
  for (auto f : {TesteFileDatum, TesteFileDatumUSize, TesteFileDatumLOSize, TesteFileDatumOSize})
    EXPECT_EQ(f(a.c_str(), b.c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Datum + Größe gleich"));
  EXPECT_EQ(GibLetzteFehlerNr(), 0);
  // same time, other size
  ASSERT_TRUE(pxtest::WriteFile(b, "123456"));
  SetWrite(b, Noon());
  EXPECT_EQ(TesteFileDatumUSize(a.c_str(), b.c_str()), 1);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum:  Dateien unterschiedlich"));
  EXPECT_EQ(TesteFileDatumLOSize(a.c_str(), b.c_str()), 1);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Dateigröße unterschiedlich"));

  // an older source with another size: kept by time, replaced by size
  SetWrite(a, Noon() - 24ULL * 3600 * platform::kFileTimeTicksPerSecond);
  EXPECT_EQ(TesteFileDatumUSize(a.c_str(), b.c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Datum kleiner oder gleich"));
  EXPECT_EQ(TesteFileDatumLOSize(a.c_str(), b.c_str()), 1);
  EXPECT_EQ(TesteFileDatumOSize(a.c_str(), b.c_str()), 1);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Dateigröße unterschiedlich"));
  EXPECT_EQ(TesteFileDatum(a.c_str(), b.c_str()), 0);

  // missing files; wildcards find the first match
  const std::string none = Root() + "/none.txt";
  for (auto f : {TesteFileDatum, TesteFileDatumUSize, TesteFileDatumLOSize, TesteFileDatumOSize}) {
    EXPECT_EQ(f(a.c_str(), none.c_str()), -2);
    EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum, Fehler open Datei: " + none));
    EXPECT_EQ(f(none.c_str(), a.c_str()), -1);
  }
  EXPECT_EQ(TesteFileDatum((Root() + "/A.T?T").c_str(), b.c_str()), 0);

  // empty files always differ
  const std::string empty = Root() + "/empty.txt";
  ASSERT_TRUE(pxtest::WriteFile(empty, ""));
  EXPECT_EQ(TesteFileDatum(empty.c_str(), a.c_str()), 1);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Von-Datei Größe = 0"));
  EXPECT_EQ(TesteFileDatum(a.c_str(), empty.c_str()), 1);
  EXPECT_TRUE(StartsWith(Text(), "TesteFileDatum: Nach-Datei Größe = 0"));
}

TEST_F(IxStdF, FileTimesSetAndShown) {
  const std::string a = Root() + "/a.txt", b = Root() + "/b.txt";
  ASSERT_TRUE(pxtest::WriteFile(a, "1"));
  ASSERT_TRUE(pxtest::WriteFile(b, "2"));
  setenv("TZ", "UTC", 1);
  tzset();
  SetWrite(a, Noon() + 7 * platform::kFileTimeTicksPerSecond);
  EXPECT_EQ(SetzeFileDatum(a.c_str(), b.c_str()), 0);
  EXPECT_STREQ(GetFileDatum(b.c_str(), 3), "20240301120007");
  EXPECT_STREQ(GetFileDatum(b.c_str(), 2), "20240301120007");
  EXPECT_STRNE(GetFileDatum(b.c_str(), 1), "0");
  EXPECT_STREQ(GetFileDatum(b.c_str(), 4), "0");
  EXPECT_TRUE(StartsWith(Text(), "GetFileDatum, Fehler open Datei: " + b));
  EXPECT_STREQ(GetFileDatum((Root() + "/none").c_str(), 3), "0");
  const std::string none = Root() + "/none";
  EXPECT_EQ(SetzeFileDatum(none.c_str(), b.c_str()), IXSTDF_FAILURE);
  EXPECT_TRUE(StartsWith(Text(), "SetzteFileDatum, Fehler open Datei: " + none));
  EXPECT_EQ(SetzeFileDatum(a.c_str(), none.c_str()), IXSTDF_FAILURE);
  EXPECT_TRUE(StartsWith(Text(), "SetzteFileDatum, Fehler open Datei: " + none));
  unsetenv("TZ");
  tzset();
}

TEST_F(IxStdF, ExpandingCopies) {
  const std::string dir = Root() + "/src", out = Root() + "/out";
  std::filesystem::create_directories(dir);
  std::filesystem::create_directories(out);
  std::string text;
  for (int i = 0; text.size() < 100000; ++i) text += "Zeile " + std::to_string(i) + "\n";
  ASSERT_TRUE(pxtest::WriteFile(dir + "/prog.txt", text));
  ASSERT_EQ(pxtest::Run({"/usr/bin/mscompress", dir + "/prog.txt"}), 0);
  // compress.exe's naming: the last character replaced by '_'
  std::filesystem::rename(dir + "/prog.txt_", dir + "/prog.tx_");
  std::string packed = pxtest::ReadFile(dir + "/prog.tx_");
  packed[9] = 't';
  ASSERT_TRUE(pxtest::WriteFile(dir + "/prog.tx_", packed));

  // missing target: created, expanded
  EXPECT_EQ(IxCopyFile((dir + "/prog.tx_").c_str(), (out + "/prog.txt").c_str()),
            static_cast<int>(text.size()));
  EXPECT_TRUE(pxtest::ReadFile(out + "/prog.txt") == text);
  EXPECT_EQ(IxCopyFile((dir + "/prog.tx_").c_str(), (out + "/prog.txt").c_str()), -2);
  EXPECT_EQ(IxCopyFile((dir + "/none").c_str(), (out + "/x").c_str()), -1);
  // the expanded name comes from the file; a trailing backslash doubles
  EXPECT_EQ(IxCopyFileNoName((dir + "/prog.tx_").c_str(), (out + "/sub\\").c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "Datei " + out + "/sub\\\\prog.txt kann nicht erstellt werden"))
      << Text();
  std::filesystem::create_directories(out + "/sub");
  EXPECT_EQ(IxCopyFileNoName((dir + "/prog.tx_").c_str(), (out + "/sub\\").c_str()), 1);
  EXPECT_TRUE(pxtest::ReadFile(out + "/sub/prog.txt") == text);
  EXPECT_EQ(IxCopyFileNoName((dir + "/prog.tx_").c_str(), (out + "/sub").c_str()), -2);
  // an uncompressed source keeps its name and bytes, and its execute bits
  ASSERT_TRUE(pxtest::WriteFile(dir + "/run.sh", "#!/bin/sh\n"));
  chmod((dir + "/run.sh").c_str(), 0755);
  EXPECT_EQ(IxCopyFileNoName((dir + "/run.sh").c_str(), out.c_str()), 1);
  EXPECT_EQ(pxtest::ReadFile(out + "/run.sh"), "#!/bin/sh\n");
  EXPECT_EQ(access((out + "/run.sh").c_str(), X_OK), 0);
  // a relative name has no folder to cut the name from
  EXPECT_EQ(IxCopyFileNoName("prog.tx_", out.c_str()), 0);

  // an empty source is copied, writes nothing and fails
  ASSERT_TRUE(pxtest::WriteFile(dir + "/empty", ""));
  EXPECT_EQ(IxCopyFile((dir + "/empty").c_str(), (out + "/empty").c_str()), 0);
  EXPECT_TRUE(StartsWith(
      Text(), "Fehler beim Kopieren (Länge) von " + dir + "/empty --> " + out + "/empty"))
      << Text();
  EXPECT_FALSE(std::filesystem::exists(out + "/empty"));

  // names at the path limit are refused
  std::string longName = out + "/" + std::string(260, 'l');
  EXPECT_EQ(IxCopyFile((dir + "/run.sh").c_str(), longName.c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "Datei " + out + "/lll")) << Text();
}

TEST_F(IxStdF, FailedCopyKeepsTheInstalledFile) {
  const std::string dir = Root() + "/src", out = Root() + "/out";
  std::filesystem::create_directories(dir);
  std::filesystem::create_directories(out);
  const std::string installed = "the installed version\n";
  auto reset = [&] {
    ASSERT_TRUE(pxtest::WriteFile(out + "/t.dll", installed));
    SetWrite(out + "/t.dll", Noon());
  };
  std::string big(300000, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(pxtest::WriteFile(dir + "/t.dll", big));
  ASSERT_EQ(pxtest::Run({"/usr/bin/mscompress", dir + "/t.dll"}), 0);

  // damaged compressed data: the stream ends half-way
  std::string packed = pxtest::ReadFile(dir + "/t.dll_");
  ASSERT_TRUE(pxtest::WriteFile(dir + "/cut.dl_", packed.substr(0, packed.size() / 2)));
  reset();
  EXPECT_EQ(IxCopyFile((dir + "/cut.dl_").c_str(), (out + "/t.dll").c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "Fehler beim Kopieren (Länge)")) << Text();
  EXPECT_EQ(pxtest::ReadFile(out + "/t.dll"), installed);

  // the disk fills: writes beyond 64 KiB fail
  reset();
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 65536;
  setrlimit(RLIMIT_FSIZE, &small);
  int plain = IxCopyFile((dir + "/t.dll").c_str(), (out + "/t.dll").c_str());
  int expanded = IxCopyFile((dir + "/t.dll_").c_str(), (out + "/t.dll").c_str());
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(plain, 0);
  EXPECT_EQ(expanded, 0);
  EXPECT_EQ(pxtest::ReadFile(out + "/t.dll"), installed);
  // no temporary files are left behind
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 1);

  // a folder the copy may not write into
  if (geteuid() != 0) {
    chmod(out.c_str(), 0555);
    EXPECT_EQ(IxCopyFile((dir + "/t.dll").c_str(), (out + "/t.dll").c_str()), 0);
    EXPECT_TRUE(StartsWith(Text(), "Datei " + out + "/t.dll kann nicht erstellt werden"));
    chmod(out.c_str(), 0755);
    EXPECT_EQ(pxtest::ReadFile(out + "/t.dll"), installed);
  }
  // a read-only target is not replaced, not even by root
  chmod((out + "/t.dll").c_str(), 0444);
  EXPECT_EQ(IxCopyFile((dir + "/t.dll").c_str(), (out + "/t.dll").c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "Datei " + out + "/t.dll kann nicht erstellt werden")) << Text();
  EXPECT_EQ(pxtest::ReadFile(out + "/t.dll"), installed);
  chmod((out + "/t.dll").c_str(), 0644);
  // the source is a folder: it cannot be opened for expansion
  reset();
  std::filesystem::create_directories(dir + "/folder");
  SetWrite(dir + "/folder", Noon() + 1000 * platform::kFileTimeTicksPerSecond);
  EXPECT_EQ(IxCopyFile((dir + "/folder").c_str(), (out + "/t.dll").c_str()), 0);
  EXPECT_TRUE(StartsWith(Text(), "Datei " + dir + "/folder kann nicht geöffnet werden")) << Text();
  EXPECT_EQ(pxtest::ReadFile(out + "/t.dll"), installed);
  // and a good copy replaces it
  EXPECT_EQ(IxCopyFile((dir + "/t.dll_").c_str(), (out + "/t.dll").c_str()),
            static_cast<int>(big.size()));
  EXPECT_TRUE(pxtest::ReadFile(out + "/t.dll") == big);
}
