#include "platform/locale.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

using namespace platform;

namespace {

const char* const kVars[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LC_NUMERIC"};

// Every test starts with the locale variables unset and gets the old values back.
class Locale : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      const char* v = getenv(kVars[i]);
      saved_[i] = v ? std::optional<std::string>(v) : std::nullopt;
      unsetenv(kVars[i]);
    }
  }
  void TearDown() override {
    for (int i = 0; i < 4; ++i) {
      if (saved_[i])
        setenv(kVars[i], saved_[i]->c_str(), 1);
      else
        unsetenv(kVars[i]);
    }
  }

 private:
  std::optional<std::string> saved_[4];
};

const std::string kNarrowNbsp = "\xE2\x80\xAF";  // U+202F
const std::string kApostrophe = "\xE2\x80\x99";  // U+2019

void ExpectLocale(const LocaleInfo& info, uint16_t langId, const char* country, const char* lang,
                  const std::string& dp, const std::string& ts) {
  SCOPED_TRACE(info.name);
  EXPECT_EQ(info.langId, langId);
  EXPECT_EQ(info.PrimaryLanguage(), langId & 0x3FF);
  EXPECT_EQ(info.abbrevCountryName, country);
  EXPECT_EQ(info.abbrevLanguageName, lang);
  EXPECT_EQ(info.decimalPoint, dp);
  EXPECT_EQ(info.thousandsSeparator, ts);
}

}  // namespace

TEST_F(Locale, NamesGiveWindowsIdentifiersAndSeparators) {
  const auto builtIn = NumberFormatSource::kBuiltIn;
  ExpectLocale(LocaleInfoFor("de_DE.UTF-8", builtIn), 0x0407, "DEU", "DEU", ",", ".");
  ExpectLocale(LocaleInfoFor("en_US.UTF-8", builtIn), 0x0409, "USA", "ENU", ".", ",");
  ExpectLocale(LocaleInfoFor("fr_FR", builtIn), 0x040C, "FRA", "FRA", ",", kNarrowNbsp);
  ExpectLocale(LocaleInfoFor("C", builtIn), 0x0409, "USA", "ENU", ".", ",");
  ExpectLocale(LocaleInfoFor("de_AT.UTF-8", builtIn), 0x0C07, "AUT", "DEA", ",", ".");
  ExpectLocale(LocaleInfoFor("de_CH.UTF-8", builtIn), 0x0807, "CHE", "DES", ".", kApostrophe);
  ExpectLocale(LocaleInfoFor("en_GB.UTF-8", builtIn), 0x0809, "GBR", "ENG", ".", ",");
  ExpectLocale(LocaleInfoFor("it_IT.UTF-8", builtIn), 0x0410, "ITA", "ITA", ",", ".");
  ExpectLocale(LocaleInfoFor("es_ES.UTF-8", builtIn), 0x0C0A, "ESP", "ESN", ",", ".");
  ExpectLocale(LocaleInfoFor("nl_NL.UTF-8", builtIn), 0x0413, "NLD", "NLD", ",", ".");
  ExpectLocale(LocaleInfoFor("pl_PL.UTF-8", builtIn), 0x0415, "POL", "PLK", ",", kNarrowNbsp);
  ExpectLocale(LocaleInfoFor("sv_SE.UTF-8", builtIn), 0x041D, "SWE", "SVE", ",", kNarrowNbsp);
  ExpectLocale(LocaleInfoFor("pt_PT.UTF-8", builtIn), 0x0816, "PRT", "PTG", ",", "");
  ExpectLocale(LocaleInfoFor("ja_JP.UTF-8", builtIn), 0x0411, "JPN", "JPN", ".", ",");

  // the primary languages of the programs' text tables
  const struct {
    const char* name;
    uint16_t primary;
  } primaries[] = {{"de_DE", kLangGerman},
                   {"en_US", kLangEnglish},
                   {"es_MX", kLangSpanish},
                   {"fr_CA", kLangFrench},
                   {"it_CH", kLangItalian},
                   {"nl_BE", kLangDutch},
                   {"pl_PL", kLangPolish},
                   {"sv_FI", kLangSwedish},
                   {"ar_EG", 1},
                   {"cs_CZ", 5},
                   {"da_DK", 6},
                   {"el_GR", 8},
                   {"fi_FI", 11},
                   {"hu_HU", 14},
                   {"ja_JP", 17},
                   {"ko_KR", 18},
                   {"nb_NO", 20},
                   {"pt_BR", 22},
                   {"ru_RU", 25},
                   {"tr_TR", 31},
                   {"zh_CN", 4}};
  for (const auto& p : primaries)
    EXPECT_EQ(LocaleInfoFor(p.name, builtIn).PrimaryLanguage(), p.primary) << p.name;

  // spellings of names
  for (const char* c : {"", "C", "POSIX", "C.UTF-8", "c.utf8"})
    ExpectLocale(LocaleInfoFor(c, builtIn), 0x0409, "USA", "ENU", ".", ",");
  EXPECT_EQ(LocaleInfoFor("", builtIn).name, "C");
  EXPECT_EQ(LocaleInfoFor("de-AT", builtIn).langId, 0x0C07);
  EXPECT_EQ(LocaleInfoFor("DE_at.iso885915@euro", builtIn).langId, 0x0C07);
  EXPECT_EQ(LocaleInfoFor("fr_FR.ISO-8859-1", builtIn).thousandsSeparator, kNarrowNbsp);
  // language alone: its main country; territory not paired: its country
  ExpectLocale(LocaleInfoFor("de", builtIn), 0x0407, "DEU", "DEU", ",", ".");
  ExpectLocale(LocaleInfoFor("de_BE.UTF-8", builtIn), 0x0407, "BEL", "DEU", ",", ".");
  ExpectLocale(LocaleInfoFor("xx_DE.UTF-8", builtIn), 0x0409, "DEU", "ENU", ".", ",");
  ExpectLocale(LocaleInfoFor("xx", builtIn), 0x0409, "USA", "ENU", ".", ",");
  ExpectLocale(LocaleInfoFor("de_ZZ", builtIn), 0x0407, "DEU", "DEU", ",", ".");
}

TEST_F(Locale, SeparatorsAreTheSameWithOrWithoutTheSystemsLocaleData) {
  // whether or not these locales are installed here, the answers agree
  for (const char* name : {"de_DE.UTF-8", "en_US.UTF-8", "fr_FR", "fr_FR.UTF-8", "de_CH.UTF-8",
                           "sv_SE", "C", "POSIX", ""}) {
    const LocaleInfo sys = LocaleInfoFor(name);
    const LocaleInfo table = LocaleInfoFor(name, NumberFormatSource::kBuiltIn);
    EXPECT_EQ(sys.decimalPoint, table.decimalPoint) << name;
    EXPECT_EQ(sys.thousandsSeparator, table.thousandsSeparator) << name;
    EXPECT_EQ(sys.langId, table.langId) << name;
  }
  // C stands for English (United States), also in its numbers, although the
  // C library's C locale has no thousands separator
  EXPECT_EQ(LocaleInfoFor("C.UTF-8").thousandsSeparator, ",");
}

TEST_F(Locale, EnvironmentOrderIsLcAllThenLcMessagesThenLang) {
  EXPECT_EQ(UserLocaleName(), "");
  ExpectLocale(UserLocale(), 0x0409, "USA", "ENU", ".", ",");
  EXPECT_EQ(GetUserDefaultLangID(), 0x0409);

  setenv("LANG", "fr_FR", 1);
  EXPECT_EQ(UserLocaleName(), "fr_FR");
  EXPECT_EQ(GetUserDefaultLangID(), 0x040C);
  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);  // not consulted
  EXPECT_EQ(UserLocale().abbrevCountryName, "FRA");

  setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
  EXPECT_EQ(UserLocaleName(), "de_DE.UTF-8");
  EXPECT_EQ(UserLocale().abbrevCountryName, "DEU");
  EXPECT_EQ(GetUserDefaultLangID() & 0x3FF, kLangGerman);

  setenv("LC_ALL", "en_GB.UTF-8", 1);
  EXPECT_EQ(UserLocaleName(), "en_GB.UTF-8");
  EXPECT_EQ(GetUserDefaultLangID(), 0x0809);
  EXPECT_EQ(UserLocale().abbrevCountryName, "GBR");

  // an empty variable counts as unset
  setenv("LC_ALL", "", 1);
  EXPECT_EQ(UserLocaleName(), "de_DE.UTF-8");
  setenv("LC_MESSAGES", "", 1);
  EXPECT_EQ(UserLocaleName(), "fr_FR");
  setenv("LANG", "C", 1);
  EXPECT_EQ(GetUserDefaultLangID(), 0x0409);
  EXPECT_EQ(UserLocale().abbrevCountryName, "USA");
}
