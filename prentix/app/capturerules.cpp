#include "prentix/app/capturerules.h"

#include "platform/utf8.h"

namespace prentix {

ModifierRule PasteModifiers(const Settings& s, bool shift, bool ctrl) {
  ModifierRule rule;
  if (shift && (s.SaveAsKeySu == 1 || s.SaveAsKeySa == 1)) {
    rule.counts = true;
    if (s.SaveAsKeySa == 1) rule.saveRequest = true;
  }
  if (ctrl && (s.SaveAsKeySu == 2 || s.SaveAsKeySa == 2)) {
    rule.counts = true;
    if (s.SaveAsKeySa == 2) rule.saveRequest = true;
  }
  return rule;
}

CaptureOutput OutputFor(const Settings& s, bool modifierCounts) {
  if (s.SaveAs == 1 || s.UseSaveAsNameFormat == 1 || modifierCounts) return CaptureOutput::kSave;
  if (s.NoPrinter != 1) return CaptureOutput::kPrint;
  return CaptureOutput::kShowOnly;
}

std::string ClipboardText(std::string_view text) {
  return std::string(platform::Utf8Prefix(text, kClipboardTextLimit));
}

}  // namespace prentix
