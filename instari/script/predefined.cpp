// The predefined fields of a run and the date and time functions.

#include <cstdio>
#include <cstring>

#include "instari/script/interpreter.h"

namespace instari::script {

namespace {

// The build stamp in the form "Fri Oct 17 09:10:26 1997", from the
// compiler's date and time, with fixed English names whatever the locale.
std::string BuildStamp() {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  char month[4] = "";
  int day = 1, year = 1970, h = 0, m = 0, s = 0;
  sscanf(__DATE__, "%3s %d %d", month, &day, &year);
  sscanf(__TIME__, "%d:%d:%d", &h, &m, &s);
  int mon = 0;
  for (int i = 0; i < 12; ++i)
    if (strcmp(month, kMonths[i]) == 0) mon = i;
  // day of the week by Sakamoto's rule
  static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  int y = year - (mon < 2);
  int weekday = (y + y / 4 - y / 100 + y / 400 + kOffsets[mon] + day) % 7;
  char buffer[64];
  snprintf(buffer, sizeof buffer, "%s %s %2d %02d:%02d:%02d %d", kDays[weekday], kMonths[mon], day,
           h, m, s, year);
  return buffer;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

// "%04d%02d%02d%02d%02d%02d" of the local time.
std::string TimeText(const std::tm& t) {
  char buffer[64];
  snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
           t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

template <int Kind>
Outcome DateFunction(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || t.kinds[0] != kIdentifier) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string value;
  if (Kind == kw_gettime) {
    value = std::to_string(in.Facts().MillisecondsSinceStart());
  } else {
    std::tm now = in.Facts().LocalTime();
    std::string text = TimeText(now);
    switch (Kind) {
      case kw_getdate:
        value = text;
        break;
      case kw_getdateyear:
        value = text.substr(0, 4);
        break;
      case kw_getdatemonth:
        value = text.substr(4, 2);
        break;
      case kw_getdateday:
        value = text.substr(6, 2);
        break;
      case kw_getdatehour:
        value = text.substr(8, 2);
        break;
      case kw_getdateminute:
        value = text.substr(10, 2);
        break;
      case kw_getdatesecond:
        value = text.substr(12, 2);
        break;
      case kw_getdatedayofweek:
        value = std::to_string(now.tm_wday);
        break;
      case kw_getdatedayofyear:
        value = std::to_string(now.tm_yday + 1);
        break;
    }
  }
  in.SetField(t.texts[0], value);
  in.SetSuccess();
  return Outcome::kDone;
}

}  // namespace

void AddDateCommands(CommandTable& table) {
  table.AddFunction(kw_getdate, DateFunction<kw_getdate>);
  table.AddFunction(kw_getdateyear, DateFunction<kw_getdateyear>);
  table.AddFunction(kw_getdatemonth, DateFunction<kw_getdatemonth>);
  table.AddFunction(kw_getdateday, DateFunction<kw_getdateday>);
  table.AddFunction(kw_getdatehour, DateFunction<kw_getdatehour>);
  table.AddFunction(kw_getdateminute, DateFunction<kw_getdateminute>);
  table.AddFunction(kw_getdatesecond, DateFunction<kw_getdatesecond>);
  table.AddFunction(kw_getdatedayofweek, DateFunction<kw_getdatedayofweek>);
  table.AddFunction(kw_getdatedayofyear, DateFunction<kw_getdatedayofyear>);
  table.AddFunction(kw_gettime, DateFunction<kw_gettime>);
}

void Interpreter::CreateStartFields() {
  // locale set-up first: the number formatter and the window's texts use it
  numbers_ = facts_.Numbers();
  language_ = facts_.LanguageId();

  fields_.Set("__Language__", Lower(facts_.CountryAbbreviation()));
  fields_.Set("__error__", "0");
  fields_.Set("__Error__", "1");
  KeysHeld keys = facts_.KeysDown();
  fields_.Set("__ShiftKey__", keys.shift ? "1" : "0");
  fields_.Set("__AltKey__", keys.alt ? "1" : "0");
  fields_.Set("__ControlKey__", keys.control ? "1" : "0");
  WindowsVersionInfo v = facts_.Version();
  fields_.Set("__WinVersion__", std::to_string(v.major));
  fields_.Set("__WinMinor__", std::to_string(v.minor));
  std::string system = "3";
  if (v.win95) system = "95";
  if (v.winNT) system = "NT";
  if (v.winFW) system = "WfW";
  fields_.Set("__WinSystem__", system);
  fields_.Set("__System32__", v.win95 || v.winNT ? "1" : "0");
  std::string windir = facts_.WindowsDirectory();
  fields_.Set("__WindowsVerzeichnis__", windir);
  fields_.Set("__WindowsDirectory__", windir);
  std::string sysdir = facts_.SystemDirectory();
  fields_.Set("__WindowsSystemVerzeichnis__", sysdir);
  fields_.Set("__WindowsSystemDirectory__", sysdir);
  fields_.Set("__ProgrammName__", "instari/script/Interpre");
  fields_.Set("__ProgrammVersion__", BuildStamp());
  fields_.Set("__DllName__", facts_.DllName());
  fields_.Set("__DllVersion__", facts_.DllVersion());
  fields_.Set("__CpuModel__", facts_.CpuModel());
  fields_.Set("__BsBuild__", facts_.BsBuild());
  fields_.Set("__CpuType__", facts_.CpuType());
  std::string startup = facts_.FolderPath(4);
  fields_.Set("__AutostartVerzeichnis__", startup);
  fields_.Set("__StartUpFolder__", startup);
  std::string desktop = facts_.FolderPath(1);
  fields_.Set("__DesktopVerzeichnis__", desktop);
  fields_.Set("__DesktopFolder__", desktop);
  std::string start = facts_.FolderPath(3);
  fields_.Set("__StartVerzeichnis__", start);
  fields_.Set("__StartMenuFolder__", start);
  std::string programs = facts_.FolderPath(2);
  fields_.Set("__ProgrammVerzeichnis__", programs);
  fields_.Set("__ProgramFolder__", programs);
  const uint64_t mb = 1024 * 1024;
  fields_.Set("__Memory__", std::to_string((facts_.PhysicalMemoryBytes() + mb - 1) / mb));
  lateIp_ = lateAdapter_ = lateHost_ = lateUser_ = false;
}

}  // namespace instari::script
