// Predefined fields, date functions, the window's texts and numbers.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "harness.h"
#include "instari/script/systemfacts.h"
#include "instari/ui/scriptedui.h"
#include "instari/ui/texts.h"

using namespace instari;
using scripttest::Harness;

TEST(Predefined, StartFieldsInOrder) {
  Harness h;
  h.facts.keys.shift = true;
  h.Run("if __ShiftKey__\n shifted = 1\nendif\n");
  std::vector<std::pair<std::string, std::string>> expected = {
      {"__ARGC__", "2"},
      {"__ARGV__[0]", "instari"},
      {"__ARGV__[1]", "setup.inf"},
      {"__InstariFileName__", "setup.inf"},
      {"__Language__", "deu"},
      {"__error__", "0"},
      {"__Error__", "1"},
      {"__ShiftKey__", "1"},
      {"__AltKey__", "0"},
      {"__ControlKey__", "0"},
      {"__WinVersion__", "4"},
      {"__WinMinor__", "0"},
      {"__WinSystem__", "NT"},
      {"__System32__", "1"},
      {"__WindowsVerzeichnis__", "/win"},
      {"__WindowsDirectory__", "/win"},
      {"__WindowsSystemVerzeichnis__", "/win/system"},
      {"__WindowsSystemDirectory__", "/win/system"},
      {"__ProgrammName__", "instari/script/Interpre"},
  };
  const auto& all = h.in.Fields().All();
  ASSERT_GT(all.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(all[i], expected[i]) << i;
  std::vector<std::string> rest;
  for (size_t i = expected.size(); i < all.size(); ++i) rest.push_back(all[i].first);
  EXPECT_EQ(rest, (std::vector<std::string>{
                      "__ProgrammVersion__", "__DllName__", "__DllVersion__", "__CpuModel__",
                      "__BsBuild__", "__CpuType__", "__AutostartVerzeichnis__", "__StartUpFolder__",
                      "__DesktopVerzeichnis__", "__DesktopFolder__", "__StartVerzeichnis__",
                      "__StartMenuFolder__", "__ProgrammVerzeichnis__", "__ProgramFolder__",
                      "__Memory__", "shifted"}));
  EXPECT_EQ(h.F("__StartUpFolder__"), "/folder4");
  EXPECT_EQ(h.F("__DesktopFolder__"), "/folder1");
  EXPECT_EQ(h.F("__StartMenuFolder__"), "/folder3");
  EXPECT_EQ(h.F("__ProgramFolder__"), "/folder2");
  EXPECT_EQ(h.F("__DllVersion__"), "2.1");
  // "Fri Oct 17 09:10:26 1997"
  std::string stamp = h.F("__ProgrammVersion__");
  ASSERT_EQ(stamp.size(), 24u) << stamp;
  EXPECT_EQ(stamp[3], ' ');
  EXPECT_EQ(stamp[13], ':');
}

TEST(Predefined, VersionsAndMemory) {
  Harness nt;
  nt.facts.memory = 16ull * 1024 * 1024 - 384 * 1024;
  nt.Run("x = 1\n");
  EXPECT_EQ(nt.F("__WinSystem__"), "NT");
  EXPECT_EQ(nt.F("__System32__"), "1");
  EXPECT_EQ(nt.F("__Memory__"), "16");

  Harness w95;
  w95.facts.version = {4, 0, true, false, false};
  w95.facts.memory = 16ull * 1024 * 1024;
  w95.Run("x = 1\n");
  EXPECT_EQ(w95.F("__WinSystem__"), "95");
  EXPECT_EQ(w95.F("__Memory__"), "16");

  Harness w3;
  w3.facts.version = {3, 10, false, false, false};
  w3.facts.memory = 16ull * 1024 * 1024 + 1;
  w3.Run("x = 1\n");
  EXPECT_EQ(w3.F("__WinSystem__"), "3");
  EXPECT_EQ(w3.F("__System32__"), "0");
  EXPECT_EQ(w3.F("__WinMinor__"), "10");
  EXPECT_EQ(w3.F("__Memory__"), "17");

  Harness wfw;
  wfw.facts.version = {3, 11, true, false, true};
  wfw.Run("x = 1\n");
  EXPECT_EQ(wfw.F("__WinSystem__"), "WfW");

  // the host's facts are the library's: 3.x is "not NT", so IsWin95 holds
  setenv("TERVOLA_WINVER", "3.10", 1);
  script::HostSystemFacts host;
  EXPECT_EQ(host.Version().major, 3);
  EXPECT_EQ(host.Version().minor, 10);
  EXPECT_TRUE(host.Version().win95);
  EXPECT_FALSE(host.Version().winNT);
  setenv("TERVOLA_WINVER", "4.0-95", 1);
  EXPECT_TRUE(host.Version().win95);
  unsetenv("TERVOLA_WINVER");
  EXPECT_TRUE(host.Version().winNT);
}

TEST(Predefined, LateFieldsWhenMentioned) {
  Harness h;
  h.Run(
      "a = 1\n"
      "d = __Date__\n"
      "h1 = __Hostname__\n"
      "u = __UserName__\n"
      "ip = __IpAdresse__\n"
      "na = __Netzadapter__\n"
      "h2 = __Hostname__\n"
      "t = 'at %__Date__%'\n");
  EXPECT_EQ(h.F("d"), "97-10-17 09:10:26");
  EXPECT_EQ(h.F("h1"), "buildhost");
  EXPECT_EQ(h.F("u"), "anna");
  EXPECT_EQ(h.F("ip"), "10.0.0.7");
  EXPECT_EQ(h.F("na"), "00a0c9123456");
  EXPECT_EQ(h.F("t"), "at 97-10-17 09:10:26");
  EXPECT_EQ(h.facts.hostnameCalls, 1);  // first mention only

  // the host name keeps its first value; the date follows the clock
  Harness k;
  k.facts.user = std::nullopt;
  pxtest::WriteFile(pxtest::TestRoot() + "/part.inf", "");
  k.Run("h1 = __Hostname__\nd1 = __Date__\nnone = __UserName__\n");
  EXPECT_EQ(k.F("none"), " ");
  Harness y;
  y.facts.now.tm_year = 101;
  y.Run("d = __Date__\nnotyet = 1\n");
  EXPECT_EQ(y.F("d"), "101-10-17 09:10:26");
  EXPECT_EQ(y.F("__Hostname__"), "<none>");
}

TEST(Dates, Functions) {
  Harness h;
  h.Run(
      "a = getdate\nb = getdateyear\nc = getdatemonth\nd = getdateday\ne = getdatehour\n"
      "f = getdateminute\ng = getdatesecond\nw = getdatedayofweek\ny = getdatedayofyear\n"
      "t = gettime\n");
  EXPECT_EQ(h.F("a"), "19971017091026");
  EXPECT_EQ(h.F("b"), "1997");
  EXPECT_EQ(h.F("c"), "10");
  EXPECT_EQ(h.F("d"), "17");
  EXPECT_EQ(h.F("e"), "09");
  EXPECT_EQ(h.F("f"), "10");
  EXPECT_EQ(h.F("g"), "26");
  EXPECT_EQ(h.F("w"), "5");
  EXPECT_EQ(h.F("y"), "290");
  EXPECT_EQ(h.F("t"), "123456");
  EXPECT_EQ(h.F("__error__"), "1");
  EXPECT_TRUE(h.Errors().empty());
}

TEST(WindowTexts, TableCopyLineAndNumbers) {
  EXPECT_EQ(InstariText(3, 7), "%s von %s Bytes kopiert.");
  EXPECT_EQ(InstariText(3, 9), "%s from %s bytes copied.");
  EXPECT_EQ(InstariText(6, 12), "Browse...");  // no French: English
  EXPECT_EQ(InstariText(4, 29), "Select directory");
  EXPECT_EQ(InstariText(99, 7), "");

  NumberLocale de{",", "."};
  EXPECT_EQ(FormatNumber(1234567.891, 2, de), "1.234.567,89");
  EXPECT_EQ(FormatNumber(-1234567, 0, de), "-1.234.567");
  EXPECT_EQ(FormatNumber(123, 0, de), "123");
  EXPECT_EQ(FormatNumber(-123456, 1, de), "-123.456,0");
  EXPECT_EQ(FormatNumber(999.9996, 3, NumberLocale{}), "1,000.000");
  ScriptedUi ui;
  EXPECT_EQ(FormatNumber(2.5, 4, de, &ui), "2");
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0].text, "Anzahl Nachkommastellen nicht vorgesehen");

  ProgressState p;
  p.file = 40;
  p.bytesCopied = 1234567;
  p.bytesTotal = 9876543;
  p.remainingSeconds = 150;
  CopyProgressTexts t = MakeCopyProgressTexts(p, 7, de);
  EXPECT_TRUE(t.barVisible);
  EXPECT_EQ(t.remaining, "Restzeit: 2 Minuten (f\xC3\xBCr diese Aktion)");
  EXPECT_EQ(t.percent, "40%");
  EXPECT_EQ(t.bytes, "1.234.567 von 9.876.543 Bytes kopiert.");
  p.remainingSeconds = 119;
  EXPECT_EQ(MakeCopyProgressTexts(p, 9, de).remaining,
            "Remaining time for this action: 119 seconds.");
  p.remainingSeconds = -1;
  t = MakeCopyProgressTexts(p, 9, de);
  EXPECT_FALSE(t.barVisible);
  EXPECT_EQ(t.bytes, "1.234.567 from ??? bytes copied.");
  p.remainingSeconds = 0;
  t = MakeCopyProgressTexts(p, 9, de);
  EXPECT_FALSE(t.barVisible);
  EXPECT_EQ(t.remaining + t.percent + t.bytes, "");
  EXPECT_EQ(StatusForDisplay(" \t \tcopyfile a b"), "copyfile a b");
}

TEST(WindowTexts, ButtonsAndDefaults) {
  EXPECT_EQ(ButtonsOfStyle(mb::kOkCancel), (std::vector<int>{id::kOk, id::kCancel}));
  EXPECT_EQ(ButtonsOfStyle(mb::kYesNoCancel | mb::kIconQuestion),
            (std::vector<int>{id::kYes, id::kNo, id::kCancel}));
  EXPECT_EQ(DefaultButton(mb::kOkCancel), id::kOk);
  EXPECT_EQ(DefaultButton(mb::kYesNo | mb::kDefButton2), id::kNo);
  EXPECT_EQ(DefaultButton(mb::kOk | mb::kDefButton3), id::kOk);
  ScriptedUi ui;
  ui.texts.push_back(std::nullopt);
  EXPECT_EQ(ui.SelectDirectory("c", "/start"), std::nullopt);
  EXPECT_EQ(ui.SelectDirectory("c", "/start"), "/start");
}
