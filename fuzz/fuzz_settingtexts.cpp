// Texts from prentix.ini that are taken apart: the tool bar's button list
// and the graphic tool's command line. Any bytes: no crash, and what comes
// out keeps the rules the window relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "platform/shell.h"
#include "prentix/app/menus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  // buttons: only known ones, each once, separators never doubled or at an end
  std::vector<int> ids = prentix::ParseButtonList(text);
  std::set<int> seen;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == 0) {
      if (i == 0 || i + 1 == ids.size() || ids[i - 1] == 0) abort();
    } else if (!prentix::IsToolbarButton(ids[i]) || !seen.insert(ids[i]).second) {
      abort();
    }
  }
  // reading what was written gives it back
  if (prentix::ParseButtonList(prentix::FormatButtonList(ids)) != ids) abort();

  // words: never more than the text has characters, none with a separator
  // that was not quoted or escaped in the input
  if (auto words = platform::SplitShellWords(text)) {
    size_t total = 0;
    for (const std::string& w : *words) total += w.size();
    if (total > text.size()) abort();
    if (text.find_first_of("'\"\\") == std::string_view::npos) {
      for (const std::string& w : *words)
        if (w.empty() || w.find_first_of(" \t\n") != std::string::npos) abort();
    }
  }
  return 0;
}
