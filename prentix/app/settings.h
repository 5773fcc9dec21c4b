#pragma once
// The capture program's settings: section "Verwendung" of prentix.ini held
// in one process-wide record, a working copy the settings dialog edits, and
// the hot-key choices of section "Key".
//
// Values are compared byte for byte: only exactly "no" switches a default-on
// flag off ("No" does not), only exactly "yes" or "1" switches the others on.

#include <string>
#include <string_view>
#include <vector>

namespace prentix {

inline constexpr const char kProfileName[] = "prentix.ini";
inline constexpr const char kSettingsSection[] = "Verwendung";
inline constexpr const char kKeySection[] = "Key";

// One field per key, in this order. Flags are 0/1. A default-constructed
// record is what a missing settings file gives.
struct Settings {
  int Language = 0;  // 0 keeps the system's language
  int MausSwitch = 0;
  int Taskbar = 1;
  std::string TaskbarText;
  std::string Logging;
  std::string PRINTER;
  int NoPrinter = 0;
  std::string Tool;
  int menu = 1;
  int TopMargin = 0;
  int LeftMargin = 0;
  int RightMargin = 0;
  int BottomMargin = 0;  // only ever set by editing the file
  int center = 0;
  int centerV = 0;
  int Landscape = 0;
  int Hostname = 1;
  int Username = 1;
  int PrintDate = 1;
  int Filename = 0;
  int Page = 0;
  int eze = 0;
  int GreyScale = 0;
  int MonoChange = 0;
  int MonoR = 0;
  int MonoG = 0;
  int MonoB = 0;
  int MonoM = 0;
  int DeleteClipboard = 0;
  std::string SaveAsNameFormat;
  int UseSaveAsNameFormat = 0;
  int Gif = 0;
  int SaveAs = 0;
  int SaveAsKeySa = 0;  // 0 none, 1 Shift, 2 Ctrl
  int SaveAsKeySu = 0;
  // The picture budget of the readers, only ever set by editing the file;
  // 0 (or less) keeps the built-in limit.
  int MaxMegapixels = 0;
  int MaxPictureSide = 0;

  bool operator==(const Settings&) const = default;
};

// The record every part of the program reads, and the dialog's copy.
Settings& LiveSettings();
Settings& WorkingSettings();

// The profile file GetIni and WriteIni use: a bare name, so it lives in the
// Windows directory. Set by the start-up; kProfileName until then.
const std::string& ProfileName();
void SetProfileName(std::string_view name);

// The key's value (empty when missing), logged as "GetIni() key = value".
std::string GetIni(std::string_view section, std::string_view key);
// Logs "WriteIni() key = value", then writes; false when the write failed.
bool WriteIni(std::string_view section, std::string_view key, std::string_view value);

// Leading decimal digits with an optional sign, 0 when there are none;
// saturates instead of overflowing.
int ParseDecimal(std::string_view text);

// Every key but Logging and Language, in the order the start-up reads them.
void ReadRemainingSettings(Settings& settings);

// Hands MaxMegapixels and MaxPictureSide to the picture readers.
void ApplyPictureLimits(const Settings& settings);

// A hand-edited file may hold what the dialog never offers; these are held
// to the dialog's ranges: margins 0 (the default) to 30, thresholds
// 0 to 255, a save key other than 0, 1, 2 none. Returns the keys that were changed.
std::vector<std::string> HoldToRanges(Settings& settings);

// Marks settings as applied, makes the working copy live and writes every
// key but BottomMargin, menu and the picture budget. False when a write failed.
bool SaveSettings();

// The flag SaveSettings sets; the settings command clears it before it
// opens the dialog.
bool SettingsApplied();
void ClearSettingsApplied();

// Opening the dialog: the working copy becomes the live record and the
// applied flag is cleared. Returns the record as it was, for NeedsRestart.
Settings BeginSettingsEdit();
// True when the changes between the two records act only after a restart
// (tray icon, document type, mouse buttons, language).
bool NeedsRestart(const Settings& before, const Settings& after);

// Section "Key": the screen and the window hot key. A value is "" (Print
// Screen, respectively Alt+Print Screen) or one of the six choices below.
enum class HotKey { kScreen, kWindow };

inline constexpr int kHotKeyChoices = 7;
// The value of each choice of the keyboard page: "", F12, Shift+F12,
// Alt+F12, F11, Shift+F11, Alt+F11.
inline constexpr const char* kHotKeyValues[kHotKeyChoices] = {"",    "123",  "s123", "a123",
                                                              "122", "s122", "a122"};

// "Screen" or "Window".
const char* HotKeyName(HotKey key);
// The stored value, through GetIni.
std::string ReadHotKey(HotKey key);
// Writes the value of a choice 0..6 through WriteIni; false for another
// choice or when the write failed.
bool WriteHotKey(HotKey key, int choice);
// The choice of a value, -1 for a value that is none of the seven.
int HotKeyChoice(std::string_view value);
// The language text key naming a value: 1160 (screen) or 1167 (window) for
// the empty value, 1161-1166 for the others, 0 for an unknown value.
int HotKeyTextKey(HotKey key, std::string_view value);
// A key by its Windows key code, as the user knows it: "Print Screen" (in
// the current language), "F12", "A", else "#" and the code.
std::string VirtualKeyName(int vk);
// The name shown for a value in the current language; an unknown value
// (written by hand) is shown as it is.
std::string HotKeyDisplayName(HotKey key, std::string_view value);

}  // namespace prentix
