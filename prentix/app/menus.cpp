#include "prentix/app/menus.h"

#include <algorithm>

#include "prentix/app/commands.h"
#include "prentix/app/settings.h"
#include "prentix/lang/sprache.h"

namespace prentix {

using namespace cmd;

namespace {

constexpr int kSep = 0;

constexpr int kFileFull[] = {
    kNew, kOpen, kSaveAs, kSep,      kFilePrint, kFilePrintPreview, kFilePrintSetup,
    kSep, kMail, kSep,    kMinimize, kSep,       kRecentFile};
constexpr int kEditFull[] = {kEditCopy, kEditPaste};
// -1 marks the pointer sub-menu
constexpr int kEditAlways[] = {kPasteAndPrint, kSep,        kFlipVertical, kFlipHorizontal,
                               kRotateRight,   kRotateLeft, kSep,          kCut,
                               kSep,           -1,          kSep,          kZoomIn,
                               kZoomOneToOne,  kZoomOut,    kSep,          kShowGrid,
                               kSep,           kEditPicture};
constexpr int kSettingsFull[] = {kSettings, kToolbar};

constexpr int kToolbarAll[] = {
    kNew,          kOpen,        kSaveAs,       kFilePrintDirect, kFilePrintPreview, kMail,
    kEditCopy,     kEditPaste,   kFlipVertical, kFlipHorizontal,  kRotateRight,      kRotateLeft,
    kCut,          kEditPicture, kAppAbout,     kInsertCursor,    kZoomBox,          kZoomIn,
    kZoomOneToOne, kZoomOut,     kShowGrid};
constexpr int kToolbarDefault[] = {
    kNew,      kSep,       kOpen, kSaveAs, kSep, kFilePrintDirect, kSep, kFilePrintPreview, kSep,
    kEditCopy, kEditPaste, kSep,  kCut,    kSep, kEditPicture,     kSep, kAppAbout};

constexpr int kGroupFile[] = {kNew, kOpen, kSaveAs, kFilePrintDirect, kFilePrintPreview, kMail};
constexpr int kGroupEdit[] = {kEditCopy,    kEditPaste,  kFlipVertical, kFlipHorizontal,
                              kRotateRight, kRotateLeft, kCut,          kInsertCursor,
                              kEditPicture, kZoomBox,    kZoomIn,       kZoomOneToOne,
                              kZoomOut,     kShowGrid};
constexpr int kGroupHelp[] = {kAppAbout};
constexpr ButtonGroup kGroups[] = {{15005, kGroupFile}, {15006, kGroupEdit}, {15007, kGroupHelp}};

MenuEntry Item(int id) {
  if (id == kSep) return MenuEntry{MenuEntry::kSeparator, 0, {}, {}};
  return MenuEntry{MenuEntry::kItem, id, MenuText(id), {}};
}

MenuEntry CursorMenu() {
  MenuEntry popup{MenuEntry::kPopup, kMenuTextBase + kInsertCursor, MenuText(kInsertCursor), {}};
  // drawn as pointer images: no texts
  for (int id = kCursorFirst; id <= kCursorLast; ++id) {
    popup.children.push_back(MenuEntry{MenuEntry::kItem, id, {}, {}});
  }
  return popup;
}

MenuEntry Popup(int textKey) {
  return MenuEntry{MenuEntry::kPopup, textKey, LoadSprachString(textKey), {}};
}

}  // namespace

std::string MenuText(int id) { return LoadSprachString(kMenuTextBase + id); }

std::string PlainText(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += text[i];
  }
  while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  return out;
}

std::vector<MenuEntry> BuildMenuBar(bool fullMenus, bool helpFile) {
  MenuEntry file = Popup(15001), edit = Popup(15002), settings = Popup(15003), help = Popup(15004);
  if (fullMenus) {
    for (int id : kFileFull) file.children.push_back(Item(id));
    for (int id : kEditFull) edit.children.push_back(Item(id));
    for (int id : kSettingsFull) settings.children.push_back(Item(id));
    if (helpFile) help.children.push_back(Item(kHelpTopics));
  }
  file.children.push_back(Item(kAppExit));
  for (int id : kEditAlways) edit.children.push_back(id < 0 ? CursorMenu() : Item(id));
  help.children.push_back(Item(kAppAbout));
  std::vector<MenuEntry> bar{file, edit};
  if (fullMenus) bar.push_back(settings);
  bar.push_back(help);
  return bar;
}

CommandPrompt PromptFor(int id) {
  std::string text = LoadSprachString(id);
  size_t lf = text.find('\n');
  if (lf == std::string::npos) return {text, PlainText(MenuText(id))};
  return {text.substr(0, lf), text.substr(lf + 1)};
}

std::span<const int> ToolbarButtons() { return kToolbarAll; }
std::span<const int> DefaultToolbar() { return kToolbarDefault; }
std::span<const ButtonGroup> ButtonGroups() { return kGroups; }

bool IsToolbarButton(int id) {
  return std::find(std::begin(kToolbarAll), std::end(kToolbarAll), id) != std::end(kToolbarAll);
}

std::string FormatButtonList(std::span<const int> ids) {
  std::string out;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(ids[i]);
  }
  return out;
}

std::vector<int> ParseButtonList(std::string_view text) {
  std::vector<int> ids;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty() || word.find_first_not_of("0123456789") != std::string_view::npos) continue;
    int id = ParseDecimal(word);
    if (id == kSep) {
      if (!ids.empty() && ids.back() != kSep) ids.push_back(kSep);
    } else if (IsToolbarButton(id) && std::find(ids.begin(), ids.end(), id) == ids.end()) {
      ids.push_back(id);
    }
  }
  if (!ids.empty() && ids.back() == kSep) ids.pop_back();
  return ids;
}

}  // namespace prentix
