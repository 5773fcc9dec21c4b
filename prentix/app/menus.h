#pragma once
// The menu bar, the tool-bar buttons and the customising groups as data in
// the current language, for the window to turn into widgets.

#include <span>
#include <string>
#include <vector>

namespace prentix {

struct MenuEntry {
  enum Kind { kItem, kSeparator, kPopup };
  Kind kind = kItem;
  int id = 0;  // the command of an item; the text key of a pop-up
  std::string text;
  std::vector<MenuEntry> children;  // of a pop-up
};

// The four pop-ups File, Edit, Settings, Help with their items; full menus
// add the optional items, short ones drop the Settings pop-up. "Help
// topics..." only when the help file is there.
std::vector<MenuEntry> BuildMenuBar(bool fullMenus, bool helpFile);

// The status-bar prompt and the tool tip of a command: its text before and
// after the line feed. A text without one is all prompt; the tool tip then
// is the menu text without its mnemonic and dots.
struct CommandPrompt {
  std::string prompt;
  std::string tooltip;
};
CommandPrompt PromptFor(int id);

// The menu text of a command (key 100000 + id).
std::string MenuText(int id);
// "&Open..." -> "Open": mnemonic markers and trailing dots removed, "&&"
// kept as one "&".
std::string PlainText(std::string_view menuText);

// Every button the tool bar can hold, and the default bar (0 = separator).
std::span<const int> ToolbarButtons();
std::span<const int> DefaultToolbar();
bool IsToolbarButton(int id);

// The customising sheet's button groups: File, Edit, Help.
struct ButtonGroup {
  int textKey;
  std::span<const int> ids;
};
std::span<const ButtonGroup> ButtonGroups();

// A tool bar's buttons as kept in prentix.ini: ids joined by commas, 0 for
// a separator. Reading drops what no button is, repeated buttons, and
// separators at the ends or next to each other.
std::string FormatButtonList(std::span<const int> ids);
std::vector<int> ParseButtonList(std::string_view text);

}  // namespace prentix
