#include "prentix/lang/sprache.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace prentix;

namespace {

// Language codes in column order.
const char* const kCodes[kLanguageColumns] = {"de", "en", "it", "fr", "es", "sv", "nl", "pl"};
// Every language number the program knows, plus some it does not.
const int kNumbers[] = {7, 9, 10, 12, 16, 19, 21, 29, 999, 0, 1, 8, 1031, -1};

// Keeps each test's changes of the language number to itself.
class LangTest : public ::testing::Test {
 protected:
  void TearDown() override { Sprache = saved_; }

 private:
  int saved_ = Sprache;
};

// A text as the test data writes it: "..." with \n and \\ escapes; none,
// empty or an empty field for "no text".
std::optional<std::string> ParseText(const std::string& field) {
  if (field.empty() || field == "none" || field == "empty") return std::nullopt;
  EXPECT_TRUE(field.size() >= 2 && field.front() == '"' && field.back() == '"') << field;
  std::string text;
  for (size_t i = 1; i + 1 < field.size(); ++i) {
    if (field[i] != '\\') {
      text += field[i];
      continue;
    }
    char escaped = field[++i];
    EXPECT_TRUE(escaped == 'n' || escaped == '\\') << "unknown escape in " << field;
    text += escaped == 'n' ? '\n' : '\\';
  }
  return text;
}

// Tab-separated lines of a test data file, comment lines left out.
std::vector<std::vector<std::string>> ReadData(const std::string& name) {
  std::ifstream in(std::string(PX_LANG_TESTDATA_DIR) + "/" + name);
  EXPECT_TRUE(in) << name;
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream split(line);
    std::string field;
    while (std::getline(split, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.push_back("");
    lines.push_back(fields);
  }
  return lines;
}

struct ListedKey {
  int key;
  std::optional<std::string> de, en;
  bool germanEmpty;  // listed as an empty German text, not as a missing one
  std::set<std::string> others;
};

// The keys with their German and English texts and the languages that have
// a text of their own.
const std::vector<ListedKey>& Listed() {
  static const std::vector<ListedKey> keys = [] {
    std::vector<ListedKey> keys;
    for (const auto& f : ReadData("keys.tsv")) {
      EXPECT_EQ(f.size(), 4u);
      if (f.size() != 4) continue;
      ListedKey k{std::stoi(f[0]), ParseText(f[1]), ParseText(f[2]), f[1] == "empty", {}};
      std::istringstream codes(f[3]);
      for (std::string code; codes >> code;) k.others.insert(code);
      keys.push_back(k);
    }
    return keys;
  }();
  return keys;
}

std::optional<std::string> Text(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  return std::string(text);
}

std::optional<std::string> Column(const LanguageRow& row, int column) {
  return Text(row.*kLanguageColumn[column]);
}

// printf and framework ("%1") placeholders in order
std::vector<std::string> Placeholders(const std::string& text) {
  static const std::regex placeholder(R"(%(%|[-+ #0]*[0-9]*(\.[0-9]+)?[diouxXeEfgGcsp]|[1-9]))");
  std::vector<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it) {
    found.push_back(it->str());
  }
  return found;
}

std::string TrailingBlanks(const std::string& text) {
  size_t end = text.find_last_not_of(" \n");
  return end == std::string::npos ? text : text.substr(end + 1);
}

size_t Count(const std::string& text, char c) { return std::count(text.begin(), text.end(), c); }

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    size_t n = c < 0x80             ? 1
               : (c & 0xE0) == 0xC0 ? 2
               : (c & 0xF0) == 0xE0 ? 3
               : (c & 0xF8) == 0xF0 ? 4
                                    : 0;
    if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

TEST(LanguageTable, HoldsEveryListedKeyWithItsGermanAndEnglishTextAndNoOther) {
  ASSERT_EQ(Listed().size(), 232u);
  EXPECT_EQ(LanguageTable().size(), Listed().size());
  for (const ListedKey& k : Listed()) {
    SCOPED_TRACE(k.key);
    const LanguageRow* row = FindLanguageRow(k.key);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->key, k.key);
    EXPECT_EQ(Column(*row, 0), k.de);
    EXPECT_EQ(Column(*row, 1), k.en);
    // the other languages have a text exactly where one is listed: the
    // fallback to English depends on it
    std::set<std::string> others;
    for (int c = 2; c < kLanguageColumns; ++c) {
      if (Column(*row, c)) others.insert(kCodes[c]);
    }
    EXPECT_EQ(others, k.others);
  }
  // ascending keys, none of them 0
  int previous = 0;
  for (const LanguageRow& row : LanguageTable()) {
    EXPECT_GT(row.key, previous);
    previous = row.key;
  }
}

TEST(LanguageTable, RowsOfTheProgramsLookHaveTheirTextsInAllEightLanguages) {
  auto lines = ReadData("look.tsv");
  ASSERT_EQ(lines.size(), 22u);
  for (const auto& f : lines) {
    ASSERT_EQ(f.size(), 1u + kLanguageColumns);
    SCOPED_TRACE(f[0]);
    const LanguageRow* row = FindLanguageRow(std::stoi(f[0]));
    ASSERT_NE(row, nullptr);
    for (int c = 0; c < kLanguageColumns; ++c) {
      EXPECT_EQ(Column(*row, c), ParseText(f[1 + c])) << kCodes[c];
    }
  }
  // a few spot checks against the escapes and bytes as written
  EXPECT_STREQ(FindLanguageRow(15001)->pl, "&Zbi\xC3\xB3r");
  EXPECT_STREQ(FindLanguageRow(148)->pl, "J\xC4\x99zyk");
  EXPECT_STREQ(FindLanguageRow(1180)->fr,
               "Fran\xC3\xA7"
               "ais");
}

TEST(LanguageTable, NoTextIsEmptyWhereOneIsGivenAndAllAreShortUtf8) {
  for (const ListedKey& k : Listed()) {
    SCOPED_TRACE(k.key);
    const LanguageRow& row = *FindLanguageRow(k.key);
    for (int c = 0; c < kLanguageColumns; ++c) {
      const char* text = row.*kLanguageColumn[c];
      if (text == nullptr) continue;
      // a stored text is never the empty string, except where it is listed so
      EXPECT_TRUE(*text != '\0' || (c == 0 && k.germanEmpty)) << kCodes[c];
      EXPECT_LT(std::string_view(text).size(), 256u) << kCodes[c];
      EXPECT_TRUE(ValidUtf8(text)) << kCodes[c];
    }
    // every language gets a text, only German can see the empty one
    for (int number : kNumbers) {
      const char* text = GetSprachText(k.key, number);
      ASSERT_NE(text, nullptr);
      EXPECT_TRUE(*text != '\0' || (number == kGerman && k.germanEmpty)) << number;
    }
  }
  const LanguageRow& prn = *FindLanguageRow(61509);
  EXPECT_TRUE(prn.de != nullptr && *prn.de == '\0');
  // texts that carry trailing blanks to size status-bar panes
  EXPECT_STREQ(FindLanguageRow(32960)->de, ("Gr\xC3\xB6\xC3\x9F"
                                            "e:" +
                                            std::string(20, ' '))
                                               .c_str());
  EXPECT_STREQ(FindLanguageRow(32961)->en, ("Position:" + std::string(20, ' ')).c_str());
  EXPECT_STREQ(FindLanguageRow(1145)->de,
               "z.B.: prentix\noder /tmp/prentix\noder /tmp/prentix.H.U.D.T.");
}

TEST(LanguageTable, TranslationsKeepPlaceholdersAcceleratorsAndLineStructure) {
  int translations = 0;
  for (const LanguageRow& row : LanguageTable()) {
    SCOPED_TRACE(row.key);
    auto de = Column(row, 0);
    auto en = Column(row, 1);
    ASSERT_TRUE(de || en);
    const std::string& reference = en ? *en : *de;
    if (de && en) {
      EXPECT_EQ(Placeholders(*de), Placeholders(*en));
    }
    bool accelerator = (de && Count(*de, '&')) || (en && Count(*en, '&'));
    for (int c = 2; c < kLanguageColumns; ++c) {
      auto text = Column(row, c);
      if (!text) continue;
      SCOPED_TRACE(kCodes[c]);
      ++translations;
      EXPECT_EQ(Placeholders(*text), Placeholders(reference)) << *text;
      EXPECT_EQ(Count(*text, '&') > 0, accelerator) << *text;
      EXPECT_LE(Count(*text, '&'), 1u) << *text;
      // the prompt/tool-tip split and the line breaks of the German or the
      // English text
      size_t lines = Count(*text, '\n');
      EXPECT_TRUE((de && lines == Count(*de, '\n')) || (en && lines == Count(*en, '\n'))) << *text;
      std::string blanks = TrailingBlanks(*text);
      EXPECT_TRUE((de && blanks == TrailingBlanks(*de)) || (en && blanks == TrailingBlanks(*en)))
          << *text;
      bool ellipsis = EndsWith(*text, "...");
      EXPECT_TRUE((de && ellipsis == EndsWith(*de, "...")) ||
                  (en && ellipsis == EndsWith(*en, "...")))
          << *text;
    }
  }
  // the 89 texts of the rows of the program's look, 443 translations, the
  // 12 of the settings dialog's Cancel and Apply and the 78 of the output
  // failures, of what no program opens and of keys held by others, the
  // 6 of the preview's page switch, and the 18 of the desktop's refusal of
  // a shot, of sway's config lines and of GNOME's shortcuts
  EXPECT_EQ(translations, 89 + 443 + 12 + 78 + 6 + 18);
}

TEST(LanguageTable, ColumnsFollowTheLanguageNumbers) {
  const int numbers[kLanguageColumns] = {7, 9, 16, 12, 10, 29, 19, 21};
  for (int c = 0; c < kLanguageColumns; ++c) EXPECT_EQ(LanguageColumn(numbers[c]), c);
  for (int other : {0, 1, 8, 11, 999, 1031, -7}) EXPECT_EQ(LanguageColumn(other), -1);
}

TEST_F(LangTest, FallbackChainsOfTheLanguages) {
  // Spanish: its own text, else English, else German
  EXPECT_STREQ(GetSprachText(16027, kSpanish), "&Cancelar");
  EXPECT_STREQ(GetSprachText(104, kSpanish), "Print");
  EXPECT_STREQ(GetSprachText(107, kSpanish), "Monochrome");
  // Italian, where its text is the English one and where there is no English
  EXPECT_STREQ(GetSprachText(15001, kItalian), "&File");
  EXPECT_STREQ(GetSprachText(16011, kItalian), FindLanguageRow(16011)->it);
  EXPECT_STRNE(GetSprachText(16011, kItalian), "About Prentix");
  EXPECT_EQ(FindLanguageRow(61504)->en, nullptr);
  EXPECT_STREQ(GetSprachText(61504, kItalian), FindLanguageRow(61504)->it);
  EXPECT_STRNE(GetSprachText(61504, kItalian), "auf %1");
  EXPECT_STREQ(GetSprachText(15003, kItalian), "Settings");
  // English, chosen by the system or on the language page: German where there is no English
  for (int english : {kEnglish, kEnglishChoice}) {
    EXPECT_STREQ(GetSprachText(1177, english), "Standard");
    EXPECT_STREQ(GetSprachText(15001, english), "&File");
    EXPECT_STREQ(GetSprachText(16030, english), "Prentix (*.pxi)");
  }
  // French, Swedish, Dutch, Polish
  EXPECT_STREQ(GetSprachText(15001, kFrench), "&Fichier");
  EXPECT_STREQ(GetSprachText(15001, kSwedish), "&Arkiv");
  EXPECT_STREQ(GetSprachText(15001, kDutch), "&Bestand");
  EXPECT_STREQ(GetSprachText(15001, kPolish), "&Zbi\xC3\xB3r");
  for (int number : {kFrench, kSwedish, kDutch, kPolish}) {
    EXPECT_STREQ(GetSprachText(1125, number), "Print Landscape");
    EXPECT_STREQ(GetSprachText(1161, number), "F12");
  }
  // German as stored, with no fallback at all
  EXPECT_STREQ(GetSprachText(104, kGerman), "Ausdruck");
  EXPECT_STREQ(GetSprachText(61509, kGerman), "");
  EXPECT_STREQ(GetSprachText(61509, kEnglish), "prn");
  EXPECT_STREQ(GetSprachText(61509, kSpanish), "prn");
  // numbers the table does not know show English
  for (int other : {0, 1, 8, 1031, -1}) {
    EXPECT_STREQ(GetSprachText(15001, other), "&File");
    EXPECT_STREQ(GetSprachText(107, other), "Monochrome");
  }

  // The whole table against the listed data: a language listed for a row
  // shows its own text, any other shows English, else German.
  for (const ListedKey& k : Listed()) {
    SCOPED_TRACE(k.key);
    const LanguageRow& row = *FindLanguageRow(k.key);
    EXPECT_EQ(Text(GetSprachText(k.key, kGerman)), k.de);
    for (int number : kNumbers) {
      if (number == kGerman) continue;
      int column = LanguageColumn(number);
      std::optional<std::string> expected = k.en ? k.en : k.de;
      if (column > 1 && k.others.count(kCodes[column])) expected = Column(row, column);
      EXPECT_EQ(Text(GetSprachText(k.key, number)), expected) << number;
    }
  }
}

TEST(LanguageTable, NullAndEmptyTextsBothMeanNoText) {
  LanguageRow onlyGerman{.key = 1, .de = "G", .en = "", .it = nullptr, .fr = ""};
  EXPECT_STREQ(ChooseText(onlyGerman, kEnglish), "G");
  EXPECT_STREQ(ChooseText(onlyGerman, kItalian), "G");
  EXPECT_STREQ(ChooseText(onlyGerman, kFrench), "G");
  LanguageRow empty{.key = 2};
  for (int number : kNumbers) {
    ASSERT_NE(ChooseText(empty, number), nullptr);
    EXPECT_STREQ(ChooseText(empty, number), "");
  }
  LanguageRow noGerman{.key = 3, .de = nullptr, .en = "E", .pl = "P"};
  EXPECT_STREQ(ChooseText(noGerman, kGerman), "");
  EXPECT_STREQ(ChooseText(noGerman, kPolish), "P");
  EXPECT_STREQ(ChooseText(noGerman, kDutch), "E");
}

TEST_F(LangTest, UnknownKeysGiveTheEmptyText) {
  for (int key : {0, -1, 4711, 1111, 16003, 99999, 132701}) {
    for (int number : kNumbers) {
      const char* text = GetSprachText(key, number);
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text, "") << key;
    }
    EXPECT_EQ(FindLanguageRow(key), nullptr);
  }
}

TEST_F(LangTest, ALanguageChangeTakesEffectForTheNextLookup) {
  Sprache = kGerman;
  const char* german = GetSprachText(15001);
  EXPECT_STREQ(german, "&Datei");
  Sprache = kFrench;
  EXPECT_STREQ(GetSprachText(15001), "&Fichier");
  // a text looked up before stays what it was
  EXPECT_STREQ(german, "&Datei");
  Sprache = kEnglishChoice;
  EXPECT_STREQ(GetSprachText(15002), "&Edit");
}

TEST_F(LangTest, LoadSprachStringCutsToTheBufferAndFallsBackToResources) {
  Sprache = kGerman;
  char buffer[64];
  EXPECT_EQ(LoadSprachString(15001, buffer, 5), 4);
  EXPECT_STREQ(buffer, "&Dat");
  EXPECT_EQ(LoadSprachString(15001, buffer, 6), 5);
  EXPECT_STREQ(buffer, "&Date");
  EXPECT_EQ(LoadSprachString(15001, buffer, 7), 6);
  EXPECT_STREQ(buffer, "&Datei");
  EXPECT_EQ(LoadSprachString(15001, buffer, sizeof buffer), 6);
  EXPECT_EQ(LoadSprachString(15001, buffer, 1), 0);
  EXPECT_STREQ(buffer, "");
  // no room even for the terminating zero: nothing is written
  std::fill(std::begin(buffer), std::end(buffer), 'x');
  EXPECT_EQ(LoadSprachString(15001, buffer, 0), 0);
  EXPECT_EQ(LoadSprachString(15001, buffer, -5), 0);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(LoadSprachString(15001, nullptr, 10), 0);

  // the empty German text gives way to the resource string, while the
  // other languages have the text in the table
  EXPECT_STREQ(GetSprachText(61509), "");
  EXPECT_EQ(LoadSprachString(61509, buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "prn");
  EXPECT_EQ(LoadSprachString(61509), "prn");
  EXPECT_EQ(LoadSprachString(61510), "Ausgabe.prn");
  Sprache = kEnglish;
  EXPECT_EQ(LoadSprachString(61510), "Output.prn");

  // a key the table lacks: the resource string, cut the same way
  for (int number : {kGerman, kEnglish, kPolish}) {
    Sprache = number;
    EXPECT_STREQ(GetSprachText(61443), "");
    EXPECT_EQ(LoadSprachString(61443, buffer, sizeof buffer), 8);
    EXPECT_STREQ(buffer, "Untitled");
    EXPECT_EQ(LoadSprachString(61443, buffer, 4), 3);
    EXPECT_STREQ(buffer, "Unt");
  }
  // neither table nor resource: an empty buffer and 0
  for (int key : {4711, 0, -1}) {
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(LoadSprachString(key, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(LoadSprachString(key), "");
  }
}

TEST_F(LangTest, LoadSprachStringNeverCutsInsideACharacter) {
  Sprache = kGerman;
  char buffer[300];
  // "&Öffnen...": Ö takes bytes 1 and 2
  EXPECT_EQ(LoadSprachString(132702, buffer, 2), 1);
  EXPECT_STREQ(buffer, "&");
  EXPECT_EQ(LoadSprachString(132702, buffer, 3), 1);
  EXPECT_STREQ(buffer, "&");
  EXPECT_EQ(LoadSprachString(132702, buffer, 4), 3);
  EXPECT_STREQ(buffer, "&\xC3\x96");
  // "Größe:": ö at 2-3, ß at 4-5
  EXPECT_EQ(LoadSprachString(32960, buffer, 4), 2);
  EXPECT_STREQ(buffer, "Gr");
  EXPECT_EQ(LoadSprachString(32960, buffer, 6), 4);
  EXPECT_STREQ(buffer, "Gr\xC3\xB6");
  // a character at the very start that does not fit leaves the buffer empty
  EXPECT_EQ(LoadSprachString(61184, buffer, 2), 0);
  EXPECT_STREQ(buffer, "");

  // every text in every language and every buffer size: the longest whole
  // characters that fit, as a prefix of the text
  for (const LanguageRow& row : LanguageTable()) {
    for (int number : {7, 9, 10, 12, 16, 19, 21, 29}) {
      Sprache = number;
      std::string whole = LoadSprachString(row.key);
      for (int size = 1; size <= static_cast<int>(whole.size()) + 1; ++size) {
        int n = LoadSprachString(row.key, buffer, size);
        ASSERT_EQ(n, static_cast<int>(std::string_view(buffer).size()));
        ASSERT_LE(n, size - 1);
        ASSERT_GE(n, std::min<int>(size - 1, whole.size()) - 3) << row.key;
        ASSERT_EQ(whole.compare(0, n, buffer), 0) << row.key << " " << size;
        ASSERT_TRUE(ValidUtf8(buffer)) << row.key << " " << number << " " << size;
      }
    }
  }
}

TEST(ResourceStrings, TheFrameworkStringsHaveTheirStandardEnglishText) {
  EXPECT_STREQ(ResourceString(61509), "prn");
  EXPECT_STREQ(ResourceString(61510), "Output.prn");
  EXPECT_STREQ(ResourceString(57345), "Ready");
  EXPECT_STREQ(ResourceString(61443), "Untitled");
  EXPECT_EQ(ResourceString(0), nullptr);
  EXPECT_EQ(ResourceString(4711), nullptr);
  EXPECT_EQ(ResourceString(15001), nullptr);
  // every framework string in the table has one, with the same placeholders
  std::vector<int> framework = {2, 3, 57344, 57345, 61202, 61440, 61441, 61442};
  for (int id = 61184; id <= 61190; ++id) framework.push_back(id);
  for (int id = 61504; id <= 61513; ++id) framework.push_back(id);
  for (int id : framework) {
    SCOPED_TRACE(id);
    ASSERT_NE(FindLanguageRow(id), nullptr);
    ASSERT_NE(ResourceString(id), nullptr);
    EXPECT_NE(*ResourceString(id), '\0');
    EXPECT_EQ(Placeholders(ResourceString(id)), Placeholders(GetSprachText(id, kGerman)));
  }
  // the document templates and the title are the program's own
  for (int id : {2, 3, 57344}) EXPECT_STREQ(ResourceString(id), GetSprachText(id, kGerman));
}
