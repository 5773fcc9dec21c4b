#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>

namespace platform {

namespace {

struct LocaleEntry {
  const char* language;   // ISO 639-1, lower case
  const char* territory;  // ISO 3166-1 alpha-2
  uint16_t langId;
  const char* abbrevLanguage;
  const char* decimalPoint;  // UTF-8, as the C library's locale data has them
  const char* thousandsSeparator;
};

// The first entry of a language is its default (language without territory,
// territory not listed). Separators agree with the C library's locale data,
// so a machine with the locale installed and one without give the same.
const LocaleEntry kLocales[] = {
    {"ar", "SA", 0x0401, "ARA", ".", ""},
    {"ar", "IQ", 0x0801, "ARI", ".", ","},
    {"ar", "EG", 0x0C01, "ARE", ".", ","},
    {"ar", "LY", 0x1001, "ARL", ".", ","},
    {"ar", "DZ", 0x1401, "ARG", ".", ","},
    {"ar", "MA", 0x1801, "ARM", ".", ","},
    {"ar", "TN", 0x1C01, "ART", ".", ","},
    {"ar", "OM", 0x2001, "ARO", ".", ","},
    {"ar", "YE", 0x2401, "ARY", ".", ","},
    {"ar", "SY", 0x2801, "ARS", ".", ","},
    {"ar", "JO", 0x2C01, "ARJ", ".", ","},
    {"ar", "LB", 0x3001, "ARB", ".", ","},
    {"ar", "KW", 0x3401, "ARK", ".", ","},
    {"ar", "AE", 0x3801, "ARU", ".", ","},
    {"ar", "BH", 0x3C01, "ARH", ".", ","},
    {"ar", "QA", 0x4001, "ARQ", ".", ","},
    {"bg", "BG", 0x0402, "BGR", ",", ""},
    {"ca", "ES", 0x0403, "CAT", ",", "."},
    {"zh", "CN", 0x0804, "CHS", ".", ","},
    {"zh", "TW", 0x0404, "CHT", ".", ","},
    {"zh", "HK", 0x0C04, "ZHH", ".", ","},
    {"zh", "SG", 0x1004, "ZHI", ".", ","},
    {"cs", "CZ", 0x0405, "CSY", ",", "\xE2\x80\xAF"},
    {"da", "DK", 0x0406, "DAN", ",", "."},
    {"de", "DE", 0x0407, "DEU", ",", "."},
    {"de", "CH", 0x0807, "DES", ".", "\xE2\x80\x99"},
    {"de", "AT", 0x0C07, "DEA", ",", "."},
    {"de", "LU", 0x1007, "DEL", ",", "."},
    {"de", "LI", 0x1407, "DEC", ".", "\xE2\x80\x99"},
    {"el", "GR", 0x0408, "ELL", ",", "."},
    {"en", "US", 0x0409, "ENU", ".", ","},
    {"en", "GB", 0x0809, "ENG", ".", ","},
    {"en", "AU", 0x0C09, "ENA", ".", ","},
    {"en", "CA", 0x1009, "ENC", ".", ","},
    {"en", "NZ", 0x1409, "ENZ", ".", ","},
    {"en", "IE", 0x1809, "ENI", ".", ","},
    {"en", "ZA", 0x1C09, "ENS", ".", ","},
    {"en", "ZW", 0x3009, "ENW", ".", ","},
    {"en", "PH", 0x3409, "ENP", ".", ","},
    {"en", "IN", 0x4009, "ENN", ".", ","},
    {"en", "SG", 0x4809, "ENE", ".", ","},
    {"es", "ES", 0x0C0A, "ESN", ",", "."},
    {"es", "MX", 0x080A, "ESM", ".", "\xE2\x80\xAF"},
    {"es", "GT", 0x100A, "ESG", ".", ","},
    {"es", "CR", 0x140A, "ESC", ",", "\xE2\x80\xAF"},
    {"es", "PA", 0x180A, "ESA", ".", ","},
    {"es", "DO", 0x1C0A, "ESD", ".", ","},
    {"es", "VE", 0x200A, "ESV", ",", "."},
    {"es", "CO", 0x240A, "ESO", ",", "."},
    {"es", "PE", 0x280A, "ESR", ",", "."},
    {"es", "AR", 0x2C0A, "ESS", ",", "."},
    {"es", "EC", 0x300A, "ESF", ",", "."},
    {"es", "CL", 0x340A, "ESL", ",", "."},
    {"es", "UY", 0x380A, "ESY", ",", "."},
    {"es", "PY", 0x3C0A, "ESZ", ",", "."},
    {"es", "BO", 0x400A, "ESB", ",", "."},
    {"es", "SV", 0x440A, "ESE", ".", ","},
    {"es", "HN", 0x480A, "ESH", ".", ","},
    {"es", "NI", 0x4C0A, "ESI", ".", ","},
    {"es", "PR", 0x500A, "ESU", ".", ","},
    {"es", "US", 0x540A, "EST", ".", ","},
    {"fi", "FI", 0x040B, "FIN", ",", "\xE2\x80\xAF"},
    {"fr", "FR", 0x040C, "FRA", ",", "\xE2\x80\xAF"},
    {"fr", "BE", 0x080C, "FRB", ",", "."},
    {"fr", "CA", 0x0C0C, "FRC", ",", "\xE2\x80\xAF"},
    {"fr", "CH", 0x100C, "FRS", ".", "\xE2\x80\x99"},
    {"fr", "LU", 0x140C, "FRL", ",", "\xE2\x80\xAF"},
    {"he", "IL", 0x040D, "HEB", ".", ","},
    {"hu", "HU", 0x040E, "HUN", ",", "."},
    {"is", "IS", 0x040F, "ISL", ",", "."},
    {"it", "IT", 0x0410, "ITA", ",", "."},
    {"it", "CH", 0x0810, "ITS", ".", "\xE2\x80\x99"},
    {"ja", "JP", 0x0411, "JPN", ".", ","},
    {"ko", "KR", 0x0412, "KOR", ".", ","},
    {"nl", "NL", 0x0413, "NLD", ",", "."},
    {"nl", "BE", 0x0813, "NLB", ",", "."},
    {"nb", "NO", 0x0414, "NOR", ",", "\xE2\x80\xAF"},
    {"nn", "NO", 0x0814, "NON", ",", "\xE2\x80\xAF"},
    {"pl", "PL", 0x0415, "PLK", ",", "\xE2\x80\xAF"},
    {"pt", "BR", 0x0416, "PTB", ",", "."},
    {"pt", "PT", 0x0816, "PTG", ",", ""},
    {"ro", "RO", 0x0418, "ROM", ",", "."},
    {"ru", "RU", 0x0419, "RUS", ",", "\xE2\x80\xAF"},
    {"hr", "HR", 0x041A, "HRV", ",", "."},
    {"sr", "RS", 0x281A, "SRO", ",", ""},
    {"bs", "BA", 0x141A, "BSB", ",", ""},
    {"sk", "SK", 0x041B, "SKY", ",", "\xE2\x80\xAF"},
    {"sq", "AL", 0x041C, "SQI", ",", "."},
    {"sv", "SE", 0x041D, "SVE", ",", "\xE2\x80\xAF"},
    {"sv", "FI", 0x081D, "SVF", ",", "\xE2\x80\xAF"},
    {"th", "TH", 0x041E, "THA", ".", ","},
    {"tr", "TR", 0x041F, "TRK", ",", "."},
    {"ur", "PK", 0x0420, "URD", ".", ","},
    {"id", "ID", 0x0421, "IND", ",", "."},
    {"uk", "UA", 0x0422, "UKR", ",", "\xE2\x80\xAF"},
    {"be", "BY", 0x0423, "BEL", ",", "."},
    {"sl", "SI", 0x0424, "SLV", ",", "."},
    {"et", "EE", 0x0425, "ETI", ",", "\xE2\x80\xAF"},
    {"lv", "LV", 0x0426, "LVI", ",", "\xE2\x80\xAF"},
    {"lt", "LT", 0x0427, "LTH", ",", "."},
    {"fa", "IR", 0x0429, "FAR", ".", ","},
    {"vi", "VN", 0x042A, "VIT", ",", "."},
    {"hy", "AM", 0x042B, "HYE", ".", ","},
    {"eu", "ES", 0x042D, "EUQ", ",", "."},
    {"mk", "MK", 0x042F, "MKI", ",", "\xE2\x80\xAF"},
    {"af", "ZA", 0x0436, "AFK", ".", ","},
    {"ka", "GE", 0x0437, "KAT", ",", "."},
    {"fo", "FO", 0x0438, "FOS", ",", "."},
    {"hi", "IN", 0x0439, "HIN", ".", ","},
    {"ga", "IE", 0x083C, "IRE", ".", ","},
    {"ms", "MY", 0x043E, "MSL", ".", ","},
    {"kk", "KZ", 0x043F, "KKZ", ",", "\xE2\x80\xAF"},
    {"sw", "KE", 0x0441, "SWK", ".", ","},
    {"bn", "IN", 0x0445, "BNG", ".", ","},
    {"ta", "IN", 0x0449, "TAI", ".", ","},
    {"cy", "GB", 0x0452, "CYM", ".", ","},
    {"gl", "ES", 0x0456, "GLC", ",", ""},
};

// ISO 3166-1 alpha-2 followed by alpha-3, which is what Windows gives as the
// abbreviated country name.
constexpr std::string_view kCountries =
    "ADANDAEAREAFAFGAGATGALALBAMARMARARGATAUTAUAUSAWABWAZAZEBABIHBDBGDBEBEL"
    "BGBGRBHBHRBOBOLBRBRABTBTNBWBWABYBLRCACANCDCODCHCHECLCHLCNCHNCOCOLCRCRI"
    "CUCUBCWCUWCYCYPCZCZEDEDEUDJDJIDKDNKDODOMDZDZAECECUEEESTEGEGYERERIESESP"
    "ETETHFIFINFJFJIFOFROFRFRAGBGBRGEGEOGHGHAGLGRLGRGRCGTGTMHKHKGHNHNDHRHRV"
    "HTHTIHUHUNIDIDNIEIRLILISRININDIQIRQIRIRNISISLITITAJOJORJPJPNKEKENKGKGZ"
    "KHKHMKRKORKWKWTKZKAZLALAOLBLBNLILIELKLKALTLTULULUXLVLVALYLBYMAMARMCMCO"
    "MEMNEMGMDGMKMKDMMMMRMNMNGMOMACMTMLTMUMUSMVMDVMXMEXMYMYSNGNGANINICNLNLD"
    "NONORNPNPLNUNIUNZNZLOMOMNPAPANPEPERPGPNGPHPHLPKPAKPLPOLPRPRIPTPRTPYPRY"
    "QAQATROROURSSRBRURUSRWRWASASAUSCSYCSDSDNSESWESGSGPSISVNSKSVKSNSENSOSOM"
    "SSSSDSVSLVSYSYRTHTHATJTJKTMTKMTNTUNTOTONTRTURTWTWNTZTZAUAUKRUGUGAUSUSA"
    "UYURYUZUZBVEVENVNVNMVUVUTWSWSMYEYEMZAZAFZMZMBZWZWE";

const LocaleEntry& EnglishUs() {
  static const LocaleEntry* entry = [] {
    for (const auto& e : kLocales)
      if (std::string_view(e.language) == "en" && std::string_view(e.territory) == "US") return &e;
    return &kLocales[0];
  }();
  return *entry;
}

std::string CountryAbbreviation(std::string_view territory) {
  if (territory.size() != 2) return {};
  for (size_t i = 0; i + 5 <= kCountries.size(); i += 5)
    if (kCountries.substr(i, 2) == territory) return std::string(kCountries.substr(i + 2, 3));
  return {};
}

struct ParsedName {
  std::string language;   // lower case; empty for C and POSIX
  std::string territory;  // upper case
  std::string modifier;
};

ParsedName Parse(std::string_view name) {
  ParsedName p;
  const size_t at = name.find('@');
  if (at != name.npos) {
    p.modifier = std::string(name.substr(at + 1));
    name = name.substr(0, at);
  }
  name = name.substr(0, name.find('.'));
  const size_t sep = name.find_first_of("_-");
  std::string_view lang = name.substr(0, sep);
  std::string_view terr = sep == name.npos ? std::string_view() : name.substr(sep + 1);
  for (char c : lang) p.language += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  for (char c : terr) p.territory += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  if (p.language == "c" || p.language == "posix") p = ParsedName();
  return p;
}

// The C library's separators for the UTF-8 variant of the locale, so the
// text is UTF-8 whatever codeset the name asked for.
bool SystemSeparators(const ParsedName& p, std::string* decimalPoint, std::string* thousands) {
  if (p.language.empty()) return false;
  std::string name = p.language;
  if (!p.territory.empty()) name += "_" + p.territory;
  name += ".UTF-8";
  if (!p.modifier.empty()) name += "@" + p.modifier;
  locale_t loc = newlocale(LC_NUMERIC_MASK, name.c_str(), static_cast<locale_t>(0));
  if (!loc) return false;
  const char* dp = nl_langinfo_l(RADIXCHAR, loc);
  const char* ts = nl_langinfo_l(THOUSEP, loc);
  const bool ok = dp && *dp;
  if (ok) {
    *decimalPoint = dp;
    *thousands = ts ? ts : "";
  }
  freelocale(loc);
  return ok;
}

}  // namespace

std::string UserLocaleName() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = getenv(var);
    if (v && *v) return v;
  }
  return {};
}

LocaleInfo LocaleInfoFor(std::string_view localeName, NumberFormatSource source) {
  const ParsedName p = Parse(localeName);
  const LocaleEntry* byLanguage = nullptr;
  const LocaleEntry* exact = nullptr;
  for (const auto& e : kLocales) {
    if (p.language != e.language) continue;
    if (!byLanguage) byLanguage = &e;
    if (p.territory == e.territory) {
      exact = &e;
      break;
    }
  }
  const LocaleEntry& entry = exact ? *exact : byLanguage ? *byLanguage : EnglishUs();

  LocaleInfo info;
  info.name = localeName.empty() ? std::string("C") : std::string(localeName);
  info.langId = entry.langId;
  info.abbrevLanguageName = entry.abbrevLanguage;
  info.abbrevCountryName = CountryAbbreviation(p.territory);
  if (info.abbrevCountryName.empty()) info.abbrevCountryName = CountryAbbreviation(entry.territory);
  info.decimalPoint = entry.decimalPoint;
  info.thousandsSeparator = entry.thousandsSeparator;
  if (source == NumberFormatSource::kSystemThenBuiltIn) {
    ParsedName query = p;
    if (query.territory.empty() && byLanguage) query.territory = byLanguage->territory;
    SystemSeparators(query, &info.decimalPoint, &info.thousandsSeparator);
  }
  return info;
}

LocaleInfo UserLocale() { return LocaleInfoFor(UserLocaleName()); }

uint16_t GetUserDefaultLangID() { return UserLocale().langId; }

}  // namespace platform
