#include "prentix/lang/sprache.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/utf8.h"

namespace prentix {

int Sprache = 0;

namespace {

bool HasText(const char* text) { return text != nullptr && *text != '\0'; }

// The table's text, or the resource string when the table gives none.
std::string_view TextOrResource(int id) {
  const char* text = GetSprachText(id);
  if (*text == '\0') {
    const char* resource = ResourceString(id);
    if (resource) return resource;
  }
  return text;
}

}  // namespace

int LanguageColumn(int sprache) {
  switch (sprache) {
    case kGerman:
      return 0;
    case kEnglish:
      return 1;
    case kItalian:
      return 2;
    case kFrench:
      return 3;
    case kSpanish:
      return 4;
    case kSwedish:
      return 5;
    case kDutch:
      return 6;
    case kPolish:
      return 7;
    default:
      return -1;
  }
}

const LanguageRow* FindLanguageRow(int key) {
  std::span<const LanguageRow> table = LanguageTable();
  auto it = std::lower_bound(table.begin(), table.end(), key,
                             [](const LanguageRow& row, int value) { return row.key < value; });
  return it != table.end() && it->key == key ? &*it : nullptr;
}

const char* ChooseText(const LanguageRow& row, int sprache) {
  const char* german = row.de ? row.de : "";
  if (sprache == kGerman) return german;
  // English (column 1) needs no own-language step: it is the fallback anyway
  int column = LanguageColumn(sprache);
  if (column > 1 && HasText(row.*kLanguageColumn[column])) return row.*kLanguageColumn[column];
  return HasText(row.en) ? row.en : german;
}

const char* GetSprachText(int key, int sprache) {
  const LanguageRow* row = FindLanguageRow(key);
  return row ? ChooseText(*row, sprache) : "";
}

const char* GetSprachText(int key) { return GetSprachText(key, Sprache); }

int LoadSprachString(int id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  std::string_view text = platform::Utf8Prefix(TextOrResource(id), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return static_cast<int>(text.size());
}

std::string LoadSprachString(int id) { return std::string(TextOrResource(id)); }

std::string FormatSprachText(int key, const std::string& a, const std::string& b) {
  char text[2048];
  snprintf(text, sizeof text, GetSprachText(key), a.c_str(), b.c_str());
  return text;
}

}  // namespace prentix
