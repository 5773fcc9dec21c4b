#include "prentix/app/prentixapp.h"

#include <sys/stat.h>
#include <unistd.h>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/locale.h"
#include "platform/utf8.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/lang/sprache.h"

namespace prentix {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// __DATE__ ("Oct 17 1997") and __TIME__ in the form asctime gives.
std::string FormatBuildTimestamp() {
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char month[4] = {};
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  sscanf(__DATE__, "%3s %d %d", month, &day, &year);
  sscanf(__TIME__, "%d:%d:%d", &hour, &minute, &second);
  const char* found = strstr(kMonths, month);
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = found ? static_cast<int>((found - kMonths) / 3) : 0;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  timegm(&t);  // fills in the weekday
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  char text[64];
  snprintf(text, sizeof text, "%s %.3s %2d %02d:%02d:%02d %d", kDays[t.tm_wday % 7],
           kMonths + 3 * t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
  return text;
}

}  // namespace

std::string FindGraphicTool(std::string_view searchPath) {
  for (const char* program : kPaintPrograms) {
    size_t start = 0;
    while (start <= searchPath.size()) {
      size_t end = searchPath.find(':', start);
      if (end == std::string_view::npos) end = searchPath.size();
      std::string_view dir = searchPath.substr(start, end - start);
      if (!dir.empty() && dir.front() == '/') {
        std::string path(dir);
        if (path.back() != '/') path += '/';
        path += program;
        if (IsExecutableFile(path)) return path;
      }
      start = end + 1;
    }
  }
  return {};
}

const std::string& BuildTimestamp() {
  static const std::string text = FormatBuildTimestamp();
  return text;
}

int InitSprache(bool setRuntimeLocale) {
  platform::LocaleInfo locale = platform::UserLocale();
  // GetLocaleInfo's buffer of 100 bytes
  std::string country(platform::Utf8Prefix(locale.abbrevCountryName, 99));
  TraceLog("InitSprache() GetLocaleInfo() = %s\n", country.c_str());
  // Windows takes the country name; here the environment names the locale.
  if (setRuntimeLocale) setlocale(LC_ALL, "");
  Sprache = platform::PrimaryLangId(locale.langId);
  TraceLog("InitSprache() Sprache = %d  h = %x\n", Sprache, static_cast<unsigned>(Sprache));
  return Sprache;
}

std::string CommandLinePath(const std::vector<std::string>& args) {
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) line += ' ';
    line += args[i];
  }
  return line;
}

std::string TrayTooltip() {
  const std::string& text = LiveSettings().TaskbarText;
  // the standard text of some language, stored by an earlier OK in the
  // settings, follows the language; only the user's own text stays
  bool standard = text.empty();
  if (const LanguageRow* row = FindLanguageRow(16010)) {
    for (auto column : kLanguageColumn) {
      const char* t = row->*column;
      if (t && (text == t || text == platform::Utf8ForBuffer(t, 64))) standard = true;
    }
  }
  return platform::Utf8ForBuffer(standard ? std::string(GetSprachText(16010)) : text, 64);
}

PrentixApp::PrentixApp(StartupSources sources) : sources_(std::move(sources)) {}

StartupPlan PrentixApp::InitInstance(const std::vector<std::string>& args) {
  // A start is a new run: an earlier failed log open does not carry over.
  ResetTraceLog();
  Settings& s = LiveSettings();
  s = Settings();

  SetProfileName(kProfileName);
  s.Logging = GetIni(kSettingsSection, "Logging");
  TraceLog("InitInstance(), Version: %s\n", BuildTimestamp().c_str());
  TraceLog("Ini-File: %s\n", ProfileName().c_str());

  InitSprache(sources_.setRuntimeLocale);
  s.Language = ParseDecimal(GetIni(kSettingsSection, "Language"));
  if (s.Language != 0) Sprache = s.Language;
  TraceLog("Sprache nach GetIni() = %d\n", Sprache);

  ReadRemainingSettings(s);
  for (const std::string& key : HoldToRanges(s)) {
    TraceLog("InitInstance() %s is out of range and is not used as written\n", key.c_str());
  }
  ApplyPictureLimits(s);

  // The graphic tool found here stays in memory; the next SaveSettings
  // writes it.
  if (s.Tool.empty()) {
    std::string searchPath;
    if (sources_.searchPath) {
      searchPath = *sources_.searchPath;
    } else if (const char* env = getenv("PATH")) {
      searchPath = env;
    }
    s.Tool = FindGraphicTool(searchPath);
  }

  WindowsVersion version = sources_.windowsVersion ? sources_.windowsVersion() : WindowsVersion{};
  if (version.major < 4) s.Taskbar = 0;

  StartupPlan plan;
  plan.trayIcon = s.Taskbar == 1;
  plan.startHidden = plan.trayIcon;
  plan.templateId = s.Gif == 1 ? 3 : 2;
  plan.templateString = LoadSprachString(plan.templateId);
  std::string line = CommandLinePath(args);
  if (!line.empty()) plan.openPath = line;
  plan.windowTitle = GetSprachText(16001);
  WorkingSettings() = s;
  return plan;
}

int PrentixApp::ExitInstance() {
  TraceLog("ExitInstance()\n");
  CloseTraceLog();
  return 0;
}

}  // namespace prentix
