#include "prentix/app/settings.h"

#include <climits>
#include <string>

#include "platform/profile.h"
#include "prentix/app/tracelog.h"
#include "prentix/image/picturelimits.h"
#include "prentix/lang/sprache.h"

namespace prentix {

namespace {

Settings g_live;
Settings g_working;
bool g_applied = false;
std::string g_profileName = kProfileName;

// Read rules of the section's values.
int Decimal(const char* key) { return ParseDecimal(GetIni(kSettingsSection, key)); }
int IfOne(const char* key) { return GetIni(kSettingsSection, key) == "1" ? 1 : 0; }
int IfYes(const char* key) { return GetIni(kSettingsSection, key) == "yes" ? 1 : 0; }
int UnlessNo(const char* key) { return GetIni(kSettingsSection, key) == "no" ? 0 : 1; }
int IfNotEmpty(const char* key) { return GetIni(kSettingsSection, key).empty() ? 0 : 1; }
int IfNonZero(const char* key) { return Decimal(key) != 0 ? 1 : 0; }
std::string Text(const char* key) { return GetIni(kSettingsSection, key); }

// The keys of one save, written to the file together.
class SaveBatch {
 public:
  void Decimal(const char* key, int value) { Put(key, std::to_string(value)); }
  void OneOrEmpty(const char* key, int flag) { Put(key, flag ? "1" : ""); }
  void YesNo(const char* key, int flag) { Put(key, flag ? "yes" : "no"); }
  void Text(const char* key, const std::string& value) { Put(key, value); }
  void Put(const char* key, std::string value) {
    TraceLog("WriteIni() %s = %s\n", key, value.c_str());
    entries_.push_back({kSettingsSection, key, std::move(value)});
  }
  bool Write() const { return platform::WritePrivateProfileStrings(entries_, g_profileName); }

 private:
  std::vector<platform::ProfileEntry> entries_;
};

}  // namespace

Settings& LiveSettings() { return g_live; }
Settings& WorkingSettings() { return g_working; }

const std::string& ProfileName() { return g_profileName; }
void SetProfileName(std::string_view name) { g_profileName = name; }

std::string GetIni(std::string_view section, std::string_view key) {
  std::string value = platform::GetPrivateProfileString(section, key, "", g_profileName);
  std::string k(key);
  TraceLog("GetIni() %s = %s\n", k.c_str(), value.c_str());
  return value;
}

bool WriteIni(std::string_view section, std::string_view key, std::string_view value) {
  std::string s(section), k(key), v(value);
  TraceLog("WriteIni() %s = %s\n", k.c_str(), v.c_str());
  return platform::WritePrivateProfileString(s.c_str(), k.c_str(), v.c_str(), g_profileName);
}

int ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

void ReadRemainingSettings(Settings& s) {
  s.SaveAsNameFormat = Text("SaveAsNameFormat");
  s.UseSaveAsNameFormat = IfNotEmpty("UseSaveAsNameFormat");
  s.Gif = IfNotEmpty("Gif");
  s.SaveAs = IfNotEmpty("SaveAs");
  s.SaveAsKeySu = Decimal("SaveAsKeySu");
  s.SaveAsKeySa = Decimal("SaveAsKeySa");
  s.TopMargin = Decimal("TopMargin");
  s.LeftMargin = Decimal("LeftMargin");
  s.RightMargin = Decimal("RightMargin");
  s.BottomMargin = Decimal("BottomMargin");
  s.PrintDate = UnlessNo("PrintDate");
  s.centerV = IfOne("centerV");
  s.center = IfOne("center");
  s.eze = IfOne("eze");
  s.Hostname = UnlessNo("Hostname");
  s.Username = UnlessNo("Username");
  s.Page = IfYes("Page");
  s.Filename = IfYes("Filename");
  s.Landscape = IfYes("Landscape");
  s.MonoChange = IfNonZero("MonoChange");
  s.GreyScale = IfYes("GreyScale");
  s.MonoR = Decimal("MonoR");
  s.MonoG = Decimal("MonoG");
  s.MonoB = Decimal("MonoB");
  s.MonoM = Decimal("MonoM");
  s.PRINTER = Text("PRINTER");
  s.NoPrinter = IfOne("NoPrinter");
  s.Tool = Text("Tool");
  s.MausSwitch = IfOne("MausSwitch");
  s.Taskbar = UnlessNo("Taskbar");
  s.TaskbarText = Text("TaskbarText");
  s.menu = UnlessNo("menu");
  s.DeleteClipboard = IfYes("DeleteClipboard");
  s.MaxMegapixels = Decimal("MaxMegapixels");
  s.MaxPictureSide = Decimal("MaxPictureSide");
}

void ApplyPictureLimits(const Settings& s) {
  PictureLimits limits;
  if (s.MaxMegapixels > 0) limits.maxPixels = uint64_t(s.MaxMegapixels) * 1000000;
  if (s.MaxPictureSide > 0) limits.maxSide = static_cast<uint32_t>(s.MaxPictureSide);
  SetPictureLimits(limits);
}

std::vector<std::string> HoldToRanges(Settings& s) {
  std::vector<std::string> changed;
  auto hold = [&](const char* key, int& value, int low, int high) {
    const int held = value < low ? low : value > high ? high : value;
    if (held == value) return;
    value = held;
    changed.push_back(key);
  };
  // the dialog's margin limit; a larger one leaves no room for the picture
  constexpr int kMargin = 30;
  hold("TopMargin", s.TopMargin, 0, kMargin);
  hold("LeftMargin", s.LeftMargin, 0, kMargin);
  hold("RightMargin", s.RightMargin, 0, kMargin);
  hold("BottomMargin", s.BottomMargin, 0, kMargin);
  hold("MonoR", s.MonoR, 0, 255);
  hold("MonoG", s.MonoG, 0, 255);
  hold("MonoB", s.MonoB, 0, 255);
  hold("MonoM", s.MonoM, 0, 255);
  // a key that is neither Shift (1) nor Ctrl (2) is none
  for (auto [key, value] :
       {std::pair{"SaveAsKeySa", &s.SaveAsKeySa}, {"SaveAsKeySu", &s.SaveAsKeySu}}) {
    if (*value >= 0 && *value <= 2) continue;
    *value = 0;
    changed.push_back(key);
  }
  return changed;
}

bool SaveSettings() {
  g_applied = true;
  g_live = g_working;
  const Settings& s = g_live;
  // One rewrite for every key: a key that cannot be written does not keep
  // the others from the file, and the hook sees a single change.
  SaveBatch b;
  b.Decimal("TopMargin", s.TopMargin);
  b.Decimal("LeftMargin", s.LeftMargin);
  b.Decimal("RightMargin", s.RightMargin);
  b.Decimal("MonoR", s.MonoR);
  b.Decimal("MonoG", s.MonoG);
  b.Decimal("MonoB", s.MonoB);
  b.Decimal("MonoM", s.MonoM);
  b.YesNo("GreyScale", s.GreyScale);
  b.OneOrEmpty("MonoChange", s.MonoChange);
  b.OneOrEmpty("Center", s.center);
  b.OneOrEmpty("CenterV", s.centerV);
  b.YesNo("PrintDate", s.PrintDate);
  b.YesNo("Username", s.Username);
  b.YesNo("Hostname", s.Hostname);
  b.YesNo("Page", s.Page);
  b.YesNo("Filename", s.Filename);
  b.YesNo("Landscape", s.Landscape);
  b.OneOrEmpty("eze", s.eze);
  b.Text("PRINTER", s.PRINTER);
  b.OneOrEmpty("NoPrinter", s.NoPrinter);
  b.Text("Tool", s.Tool);
  b.Text("Logging", s.Logging);
  b.Text("SaveAsNameFormat", s.SaveAsNameFormat);
  b.Decimal("SaveAsKeySu", s.SaveAsKeySu);
  b.Decimal("SaveAsKeySa", s.SaveAsKeySa);
  b.OneOrEmpty("SaveAs", s.SaveAs);
  b.OneOrEmpty("Gif", s.Gif);
  b.OneOrEmpty("UseSaveAsNameFormat", s.UseSaveAsNameFormat);
  b.OneOrEmpty("MausSwitch", s.MausSwitch);
  b.Put("Taskbar", s.Taskbar ? "" : "no");
  b.Text("TaskbarText", s.TaskbarText);
  b.Put("DeleteClipboard", s.DeleteClipboard ? "yes" : "");
  b.Decimal("Language", s.Language);
  return b.Write();
}

bool SettingsApplied() { return g_applied; }
void ClearSettingsApplied() { g_applied = false; }

Settings BeginSettingsEdit() {
  g_working = g_live;
  g_applied = false;
  return g_live;
}

bool NeedsRestart(const Settings& before, const Settings& after) {
  return before.Taskbar != after.Taskbar || before.Gif != after.Gif ||
         before.MausSwitch != after.MausSwitch || before.Language != after.Language;
}

const char* HotKeyName(HotKey key) { return key == HotKey::kScreen ? "Screen" : "Window"; }

std::string ReadHotKey(HotKey key) { return GetIni(kKeySection, HotKeyName(key)); }

bool WriteHotKey(HotKey key, int choice) {
  if (choice < 0 || choice >= kHotKeyChoices) return false;
  return WriteIni(kKeySection, HotKeyName(key), kHotKeyValues[choice]);
}

int HotKeyChoice(std::string_view value) {
  for (int i = 0; i < kHotKeyChoices; ++i)
    if (value == kHotKeyValues[i]) return i;
  return -1;
}

int HotKeyTextKey(HotKey key, std::string_view value) {
  int choice = HotKeyChoice(value);
  if (choice < 0) return 0;
  if (choice == 0) return key == HotKey::kScreen ? 1160 : 1167;
  return 1160 + choice;
}

std::string VirtualKeyName(int vk) {
  if (vk == 44) return GetSprachText(1160);
  if (vk >= 112 && vk <= 135) return "F" + std::to_string(vk - 111);
  if ((vk >= 65 && vk <= 90) || (vk >= 48 && vk <= 57))
    return std::string(1, static_cast<char>(vk));
  return "#" + std::to_string(vk);
}

std::string HotKeyDisplayName(HotKey key, std::string_view value) {
  int textKey = HotKeyTextKey(key, value);
  return textKey ? GetSprachText(textKey) : std::string(value);
}

}  // namespace prentix
