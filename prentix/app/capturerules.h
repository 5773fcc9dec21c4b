#pragma once
// What a capture does with its picture: save it, print it or only show
// it, and how the modifier keys held during Print Screen change that.

#include <string>
#include <string_view>

#include "prentix/app/settings.h"

namespace prentix {

// Clipboard text is taken up to this many bytes (never inside a character).
inline constexpr size_t kClipboardTextLimit = 65519;
// Attempts to reach the clipboard before a paste gives up.
inline constexpr int kClipboardAttempts = 100;

struct ModifierRule {
  bool counts = false;       // the key selects saving
  bool saveRequest = false;  // ... under an automatic name
};
// Shift counts when SaveAsKeySu or SaveAsKeySa is 1 and it is down, Ctrl
// when one of them is 2; the SaveAsKeySa key asks for an automatic name.
ModifierRule PasteModifiers(const Settings& s, bool shift, bool ctrl);

enum class CaptureOutput { kSave, kPrint, kShowOnly };
CaptureOutput OutputFor(const Settings& s, bool modifierCounts);

std::string ClipboardText(std::string_view text);

}  // namespace prentix
