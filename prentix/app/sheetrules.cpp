#include "prentix/app/sheetrules.h"

#include "platform/paths.h"
#include "platform/utf8.h"
#include "prentix/lang/sprache.h"

namespace prentix {

int MarginDefault(Margin m) { return m == Margin::kLeft ? 8 : 2; }

int& MarginField(Settings& s, Margin m) {
  switch (m) {
    case Margin::kTop:
      return s.TopMargin;
    case Margin::kLeft:
      return s.LeftMargin;
    case Margin::kRight:
      break;
  }
  return s.RightMargin;
}

int MarginFromText(std::string_view text, Margin m) {
  // the edit is read into a buffer of three bytes
  int value = ParseDecimal(text.substr(0, 2));
  if (value <= 0) return MarginDefault(m);
  return value > kMarginMax ? kMarginMax : value;
}

PagePreview PagePreviewGeometry(Settings& s, const PreviewRect& client) {
  for (Margin m : {Margin::kTop, Margin::kLeft, Margin::kRight}) {
    if (MarginField(s, m) <= 0) MarginField(s, m) = MarginDefault(m);
  }
  PagePreview out;
  PreviewRect& paper = out.paper;
  paper = {client.right - (client.right - client.left) / 3, client.top + 4, client.right - 4,
           client.bottom - 8};
  const int pl = paper.left, pt = paper.top, pr = paper.right, pb = paper.bottom;
  int h = s.Landscape == 1 ? pb - pt - 12 : (pb - pt) / 2;
  if (s.eze == 1) h /= 2;

  PreviewRect& r = out.picture;
  r.left = pl + 2 * s.LeftMargin;
  r.top = pt + 2 * s.TopMargin;
  r.right = pr - 2 * s.RightMargin;
  if (s.center == 1) {
    r.left = pl + 4;
    r.right = pr - 4;
  }
  const int width = pr - pl;
  auto line = [&](int flag, int x1, int x2) {
    if (flag != 1) return;
    out.header.push_back({x1, x2, r.top});
    r.top += 4;
    h -= 4;
  };
  line(s.Page, r.right - width / 6, r.right);
  line(s.PrintDate, r.left, r.left + width / 2);
  line(s.Hostname, r.left, r.left + width / 4);
  line(s.Username, r.left, r.left + width / 3);
  line(s.Filename, r.left, r.left + width / 2);

  if (s.Landscape == 1) r.right -= r.right / 20;
  if (s.eze == 1) {
    if (s.center == 1) r.left = pl + width / 4;
    r.right = r.left + width / 2;
  }
  if (s.centerV == 1) r.top = pt + (pb - pt) / 2 - h / 2;
  r.bottom = r.top + h;
  out.adjusted = s.MonoR + s.MonoG + s.MonoB + s.MonoM > 0;
  return out;
}

std::optional<BarStep> MonoBarStep(int value, BarAction action, int thumb) {
  switch (action) {
    case BarAction::kLineLeft:
      if (value <= 0) return std::nullopt;
      return BarStep{value - 1, false};
    case BarAction::kLineRight:
      if (value > 254) return std::nullopt;
      return BarStep{value + 1, false};
    case BarAction::kPageLeft:
      if (value < 10) return std::nullopt;
      return BarStep{value - 10, false};
    case BarAction::kPageRight:
      if (value > 244) return std::nullopt;
      return BarStep{value + 10, false};
    case BarAction::kThumbPosition:
      return BarStep{thumb, false};
    case BarAction::kThumbTrack:
      return BarStep{thumb, true};
    case BarAction::kEnd:
      break;
  }
  return BarStep{value, false};
}

bool MonoPreviewAllowed(bool pictureLoaded, const Settings& live) {
  return pictureLoaded && live.MonoR == 0 && live.MonoG == 0 && live.MonoB == 0 && live.MonoM == 0;
}

void ExclusiveModifier(int clicked, int& other) {
  if (clicked != 0 && clicked == other) other = clicked == 1 ? 2 : 1;
}

void ExclusiveHotKey(int clicked, int& other) {
  if (clicked != 0 && clicked == other) other = 0;
}

bool NameFormatEnabled(bool useNameFormat, int nameKey) { return useNameFormat || nameKey != 0; }

std::string DefaultLogPath() { return platform::WindowsDirectory() + "/prentix.log"; }

std::string Cut259(std::string_view text) { return std::string(platform::Utf8Prefix(text, 259)); }

std::vector<FilterEntry> ParseFilterText(std::string_view text) {
  std::vector<FilterEntry> out;
  while (!text.empty()) {
    size_t bar = text.find('|');
    if (bar == 0 || bar == std::string_view::npos) break;  // "||" ends the list
    std::string_view description = text.substr(0, bar);
    text.remove_prefix(bar + 1);
    bar = text.find('|');
    std::string_view pattern = text.substr(0, bar);
    text.remove_prefix(bar == std::string_view::npos ? text.size() : bar + 1);
    FilterEntry e{std::string(description), std::string(pattern)};
    if (e.pattern == "*.*") {
      e.pattern = "*";
      size_t all = e.description.find("(*.*)");
      if (all != std::string::npos) e.description.replace(all, 5, "(*)");
    }
    if (e.pattern == "*.exe") {
      e.programs = true;
      e.pattern = "*";
      size_t open = e.description.find(" (*.exe)");
      if (open != std::string::npos) e.description.erase(open, 8);
    }
    out.push_back(std::move(e));
  }
  return out;
}

int LanguageControl(int language) {
  // 9 is English as the system names it: its texts are the English ones
  if (language == kEnglish) return 1179;
  for (const LanguageButton& b : kLanguageButtons) {
    if (b.number == language) return b.control;
  }
  return 1178;
}

int LanguageNumber(int control) {
  for (const LanguageButton& b : kLanguageButtons) {
    if (b.control == control) return b.number;
  }
  return 0;
}

std::string StandardLanguageText(int systemLanguage, int checkedControl) {
  int nameKey = checkedControl;
  // English systems read English texts, so they are named so
  if (systemLanguage == kEnglish) {
    nameKey = 1179;
  } else if (systemLanguage != 0 && systemLanguage != kEnglishChoice) {
    int control = LanguageControl(systemLanguage);
    if (LanguageNumber(control) == systemLanguage) nameKey = control;
  }
  return std::string(GetSprachText(1177)) + "  (" + GetSprachText(nameKey) + ")";
}

}  // namespace prentix
