#pragma once
// The rules of the settings dialog's pages, apart from the widgets: margin
// reading, the little page picture, the monochrome bars' steps, the rows
// that may not name the same key twice and the language buttons.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "prentix/app/settings.h"

namespace prentix {

// The nine pages in tab order: page class number and its title key.
struct SheetPage {
  int number;  // PPage<number>
  int titleKey;
};
inline constexpr SheetPage kSheetPages[] = {{1, 104}, {2, 105}, {3, 107}, {4, 108}, {5, 109},
                                            {7, 112}, {8, 147}, {9, 148}, {6, 146}};
inline constexpr int kSheetTitleKey = 15003;
inline constexpr int kRestartKey = 16002;

// ---- margins

enum class Margin { kTop, kLeft, kRight };

inline constexpr int kMarginMax = 30;
// The value a margin of 0 or less jumps to: top 2, left 8, right 2.
int MarginDefault(Margin m);
int& MarginField(Settings& s, Margin m);
// What the edit's text stands for: its first two characters read as a
// decimal number (anything else is 0), 0 or less the default, above 30 30.
int MarginFromText(std::string_view text, Margin m);

// ---- the page picture on the first two pages

struct PreviewRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const PreviewRect&) const = default;
};
struct PreviewLine {
  int x1, x2, y;
  bool operator==(const PreviewLine&) const = default;
};
struct PagePreview {
  PreviewRect paper;
  PreviewRect picture;
  std::vector<PreviewLine> header;  // in drawing order
  bool adjusted = false;            // monochrome thresholds set: the darker fill
};
// The paper, the header lines and the picture within the client rectangle.
// Margins of 0 or less in the record take their defaults first (the record
// is the working copy; it keeps them).
PagePreview PagePreviewGeometry(Settings& s, const PreviewRect& client);

// ---- the monochrome bars

enum class BarAction {
  kLineLeft,
  kLineRight,
  kPageLeft,
  kPageRight,
  kThumbPosition,
  kThumbTrack,
  kEnd  // any other notice: the value stays, the page still previews
};
struct BarStep {
  int value;
  bool tracking;  // only the number changes: no bar update, no preview
};
// The bar's new value after an action, nullopt for a refused step (a line
// step past 0 or 255, a page step that would pass them). thumb is the
// thumb's position for the two thumb actions.
std::optional<BarStep> MonoBarStep(int value, BarAction action, int thumb);

// The live picture is previewed only with a picture and no thresholds set
// live (otherwise the picture on show is already reduced).
bool MonoPreviewAllowed(bool pictureLoaded, const Settings& live);

// ---- rows that may not name the same key

// Saving page: modifiers 0 none, 1 Shift, 2 Ctrl. When the clicked row now
// names the other's modifier, the other row takes the remaining one.
void ExclusiveModifier(int clicked, int& other);
// Keyboard page: choices 0..6. The same function key in both rows sends
// the other back to Print Screen.
void ExclusiveHotKey(int clicked, int& other);
// The automatic-name edit is open when the name rule or its key is on.
bool NameFormatEnabled(bool useNameFormat, int nameKey);

// ---- the printer page and the extra page

// The log path offered when logging is switched on: prentix.log in the
// Windows directory (a drive root is no place a user may write).
std::string DefaultLogPath();
// The text cut to at most 259 bytes, never inside a character.
std::string Cut259(std::string_view text);

// ---- the graphic-tool page

// One entry of a "Text|pattern|Text|pattern||" file filter. "*.*" is every
// file ("*", also in the description); "*.exe" stands for programs, which on this system carry the
// executable bit instead of a suffix, so its "(*.exe)" is dropped from the
// description.
struct FilterEntry {
  std::string description;
  std::string pattern;
  bool programs = false;
  bool operator==(const FilterEntry&) const = default;
};
std::vector<FilterEntry> ParseFilterText(std::string_view text);

// ---- the language page

struct LanguageButton {
  int control;  // also the key of its text
  int number;   // stored as Language
};
inline constexpr LanguageButton kLanguageButtons[] = {
    {1177, 0}, {1178, 7}, {1179, 999}, {1180, 12}, {1181, 19}, {1182, 21}, {1183, 29}};
// The button checked for the stored number: 1177 for 0, English for 9 and
// 999, German for a number without a button of its own.
int LanguageControl(int language);
int LanguageNumber(int control);
// "Standard  (Deutsch)": the standard button's text with the system's
// language named, or the checked button's name when the system's language
// has no button.
std::string StandardLanguageText(int systemLanguage, int checkedControl);

}  // namespace prentix
