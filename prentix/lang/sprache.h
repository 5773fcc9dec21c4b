#pragma once
// Every text the capture program shows comes from one table, looked up by a
// numeric key in the current language. The same table stands in front of the
// program's string resources: LoadSprachString asks it first and falls back
// to the resource string only when it gives nothing.
//
// Keys say where a text is used:
//   104-148                 titles of the settings pages (their dialog ids)
//   5, 1110-1191, 32957/8   texts of the settings pages' controls (control ids)
//   15001-15004             the menu bar's pop-ups (File, Edit, Settings, Help)
//   15005-15007, 16046/7    tool-bar button groups and the tool bar
//   100000 + command id     the command's menu item
//   command id              the command's status-bar prompt "\n" tool tip
//   2, 3, 57344, 57345, 61184-61513   framework strings (document template,
//                           title, idle prompt, system menu, file dialogs,
//                           print preview, print to file)
//   16001-16049, 32960/1    messages, header-line labels, file types, panes
//
// All texts are UTF-8 and shorter than 256 bytes.

#include <span>
#include <string>

namespace prentix {

// Primary language identifiers the table has a column for. 999 is the
// settings page's explicit choice of English; it and every number not listed
// here show English.
enum LanguageId : int {
  kGerman = 7,
  kEnglish = 9,
  kSpanish = 10,
  kFrench = 12,
  kItalian = 16,
  kDutch = 19,
  kPolish = 21,
  kSwedish = 29,
  kEnglishChoice = 999,
};

// The process-wide language number whose texts the user interface shows.
// Set at start and by the settings dialog; read on every lookup, so a change
// takes effect for every text looked up afterwards.
extern int Sprache;

// The key's text in the language `Sprache`: never null, "" for a key the
// table does not have.
const char* GetSprachText(int key);
// The same for an explicit language number.
const char* GetSprachText(int key, int sprache);

// The key's text with its placeholders ("%s") filled in, in order.
std::string FormatSprachText(int key, const std::string& a, const std::string& b = {});

// The loader of string resources by number. Copies the key's text, cut to
// size - 1 bytes at a character boundary, into buffer and zero-terminates it;
// when the table gives no text, the program's resource string of that number
// is taken instead (under the same limit), and the buffer stays empty when
// there is none. Returns the length of the buffer's text. size <= 0 writes
// nothing and returns 0.
int LoadSprachString(int id, char* buffer, int size);
// The same text whole, for callers that hold a std::string.
std::string LoadSprachString(int id);

// The program's own string resource of that number (the framework's standard
// English strings and the program's document template and title), or null.
const char* ResourceString(int id);

// One row of the table. The texts are in column order; a null pointer and an
// empty text both mean "no text in this language".
struct LanguageRow {
  int key = 0;
  const char* de = nullptr;
  const char* en = nullptr;
  const char* it = nullptr;
  const char* fr = nullptr;
  const char* es = nullptr;
  const char* sv = nullptr;
  const char* nl = nullptr;
  const char* pl = nullptr;
};

inline constexpr int kLanguageColumns = 8;
// The texts of a row by column number: German, English, Italian, French,
// Spanish, Swedish, Dutch, Polish.
inline constexpr const char* LanguageRow::*kLanguageColumn[kLanguageColumns] = {
    &LanguageRow::de, &LanguageRow::en, &LanguageRow::it, &LanguageRow::fr,
    &LanguageRow::es, &LanguageRow::sv, &LanguageRow::nl, &LanguageRow::pl};

// The column of a language number, -1 for a number the table has no column
// for (999 included).
int LanguageColumn(int sprache);

// Every row, in ascending key order; no row has key 0.
std::span<const LanguageRow> LanguageTable();
// The row of the key, or null.
const LanguageRow* FindLanguageRow(int key);

// The choice of a row's text by language number: German as stored for 7
// (no fallback); for the other table languages their own text when there is
// one; otherwise English, and German when there is no English either.
// Never null.
const char* ChooseText(const LanguageRow& row, int sprache);

}  // namespace prentix
