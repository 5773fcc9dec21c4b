#include "prentix/image/autoname.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/findfile.h"
#include "prentix/lang/sprache.h"

namespace prentix {

namespace {

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

// The number an existing name carries after the prefix, or -1 when the name
// is not one of ours. Three characters then any extension is the classic
// shape; four or more digits are the names past 999.
long NumberAfterPrefix(std::string_view name, std::string_view lastComponent) {
  std::string pattern = std::string(lastComponent) + "???.*";
  std::string_view rest = name.substr(std::min(lastComponent.size(), name.size()));
  if (platform::MatchesDosWildcard(pattern, name)) return atol(std::string(rest).c_str());
  std::string_view digits = rest.substr(0, rest.find('.'));
  if (digits.size() >= 4 && AllDigits(digits)) return atol(std::string(digits).c_str());
  return -1;
}

}  // namespace

NameSources SystemNameSources() {
  NameSources s;
  s.computerName = [] {
    char name[80] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
  };
  s.userName = [] {
    if (const passwd* pw = getpwuid(getuid())) return std::string(pw->pw_name);
    const char* env = getenv("USER");
    return std::string(env ? env : "");
  };
  s.now = [] {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
  };
  return s;
}

int NextFileNumber(std::string_view prefix) {
  size_t cut = prefix.find_last_of("\\/");
  std::string_view last = cut == std::string_view::npos ? prefix : prefix.substr(cut + 1);
  long best = 0;
  platform::FindFile find;
  // every name starting with the prefix, so that numbers past 999 are seen as well
  for (bool more = find.First(std::string(prefix) + "*", platform::DotEntries::kSkip); more;
       more = find.Next()) {
    if (find.Data().IsDirectory()) continue;
    long n = NumberAfterPrefix(find.Data().name, last);
    if (n > best) best = n;
  }
  return best >= 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(best + 1);
}

std::string BuildAutomaticName(std::string_view pattern, bool gif, const NameSources& sources) {
  if (pattern.empty()) pattern = "auto";
  // The letters stand for themselves in the folder ("/home/anna/Documents/"
  // is a place, not a date): only the file's own prefix is expanded.
  const size_t folder = pattern.find_last_of("/\\") + 1;
  std::string name(pattern.substr(0, folder));
  for (char c : pattern.substr(folder)) {
    char buf[32];
    switch (c) {
      case 'U':
        name += sources.computerName();
        break;
      case 'H':
        name += sources.userName();
        break;
      case 'D': {
        std::tm t = sources.now();
        snprintf(buf, sizeof buf, "%d.%02d.%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
        name += buf;
        break;
      }
      case 'T': {
        std::tm t = sources.now();
        snprintf(buf, sizeof buf, "%02d_%02d_%02d", t.tm_hour, t.tm_min, t.tm_sec);
        name += buf;
        break;
      }
      default:
        name += c;
    }
  }
  char number[16];
  snprintf(number, sizeof number, "%03d", NextFileNumber(name));
  name += number;
  name += gif ? ".gif" : ".pxi";
  return name;
}

std::vector<std::pair<std::string, std::string>> FileDialogFilters(bool gif) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (int id = 16030; id <= 16044; id += 2)
    rows.emplace_back(GetSprachText(id), GetSprachText(id + 1));
  // the same text in every language, like the rows above
  rows.emplace_back("Png (*.png)", "*.png");
  if (gif) std::swap(rows[0], rows[1]);
  rows.emplace_back(GetSprachText(61442), "*.*");
  return rows;
}

}  // namespace prentix
