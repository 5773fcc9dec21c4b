#pragma once
// The user's locale the way the Windows locale calls report it: language
// identifier (LANGID), abbreviated country and language names, and the
// decimal point and thousands separator for formatting numbers.
//
// The locale name is the first non-empty one of LC_ALL, LC_MESSAGES and
// LANG (the variable that decides the language of messages); it serves for
// the numbers as well, since Windows has one user locale for everything.
// "C", "POSIX", "C.UTF-8" or no name at all stand for English (United
// States). A name reads language[_TERRITORY][.codeset][@modifier]; "de-AT"
// is accepted too. A language the table does not know counts as English, a
// territory it does not pair with the language gives the language's
// default sublanguage (de_BE: 0x0407) with the country of the territory
// ("BEL"), and no territory gives the language's main country (de: DEU).
//
// Nothing here changes the process's C library locale; where a program
// wants that too, setlocale(LC_ALL, "") reads the same variables.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Primary language identifiers the programs' text tables know.
constexpr uint16_t kLangGerman = 7;
constexpr uint16_t kLangEnglish = 9;
constexpr uint16_t kLangSpanish = 10;
constexpr uint16_t kLangFrench = 12;
constexpr uint16_t kLangItalian = 16;
constexpr uint16_t kLangDutch = 19;
constexpr uint16_t kLangPolish = 21;
constexpr uint16_t kLangSwedish = 29;

constexpr uint16_t PrimaryLangId(uint16_t langId) { return langId & 0x3FF; }
constexpr uint16_t SubLangId(uint16_t langId) { return langId >> 10; }
constexpr uint16_t MakeLangId(uint16_t primary, uint16_t sub) {
  return static_cast<uint16_t>(sub << 10 | primary);
}

struct LocaleInfo {
  std::string name;                        // the name the values are for; "C" when none was set
  uint16_t langId = 0x0409;                // de_DE 0x0407, de_AT 0x0C07, en_GB 0x0809, ...
  std::string abbrevCountryName = "USA";   // as LOCALE_SABBREVCTRYNAME: "DEU", "GBR", "CHE"
  std::string abbrevLanguageName = "ENU";  // as LOCALE_SABBREVLANGNAME: "DEU", "ENG", "FRA"
  // UTF-8 text, may be more than one byte (fr_FR: U+202F narrow no-break
  // space; de_CH: U+2019); the thousands separator may be empty (pt_PT).
  std::string decimalPoint = ".";
  std::string thousandsSeparator = ",";

  uint16_t PrimaryLanguage() const { return PrimaryLangId(langId); }
};

// Where the decimal point and thousands separator come from.
enum class NumberFormatSource {
  // the C library's data for the locale (its UTF-8 variant) when it is
  // installed, else the built-in table
  kSystemThenBuiltIn,
  // the built-in table only, the same on every machine
  kBuiltIn,
};

// The first non-empty of LC_ALL, LC_MESSAGES, LANG; "" when all are unset.
std::string UserLocaleName();

// The values for a locale name (see above for how names are read).
LocaleInfo LocaleInfoFor(std::string_view localeName,
                         NumberFormatSource source = NumberFormatSource::kSystemThenBuiltIn);

// LocaleInfoFor(UserLocaleName()), read afresh on every call.
LocaleInfo UserLocale();

// The counterpart of GetUserDefaultLangID: UserLocale().langId.
uint16_t GetUserDefaultLangID();

}  // namespace platform
