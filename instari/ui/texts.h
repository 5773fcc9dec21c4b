#pragma once
// The installer window's own small text table, the texts of its copy
// progress line, and the locale-aware number formatter they use.

#include <string>

#include "instari/ui/installerui.h"

namespace instari {

// Keys of the text table.
enum InstariTextKey {
  kTextRemainingSeconds = 1,
  kTextRemainingMinutes = 2,
  kTextBytesCopied = 3,
  kTextSelectDirectory = 4,
  kTextSelectProgramGroup = 5,
  kTextBrowse = 6,
  kTextBack = 7,
  kTextNext = 8,
  kTextFinish = 9,
  kTextAbout = 10,
  kTextCancelling = 11,
};

// The text of key for a primary language id (7 German, 9 English, 10
// Spanish, 12 French, 16 Italian); "" for an unknown key.
std::string InstariText(int key, int language);

// Decimal point and thousands separator of the user's locale.
struct NumberLocale {
  std::string decimalPoint = ".";
  std::string thousandsSeparator = ",";
};

// value with 0..3 decimals, the locale's decimal point and thousands groups
// in the integer part. More than 3 decimals: ui (when given) shows
// "Anzahl Nachkommastellen nicht vorgesehen" and no decimals are used.
std::string FormatNumber(double value, int decimals, const NumberLocale& locale,
                         InstallerUi* ui = nullptr);

// What the window's copy line shows for the current progress state.
struct CopyProgressTexts {
  bool barVisible = false;
  std::string remaining;  // control 1011
  std::string percent;    // control 1010
  std::string bytes;      // control 1013
};
CopyProgressTexts MakeCopyProgressTexts(const ProgressState& p, int language,
                                        const NumberLocale& locale);

// The status text as shown: without leading blanks and tabs.
std::string StatusForDisplay(const std::string& status);

}  // namespace instari
