#include "instari/ui/installerui.h"

namespace instari {

std::vector<int> ButtonsOfStyle(unsigned style) {
  switch (style & mb::kButtonMask) {
    case mb::kOkCancel:
      return {id::kOk, id::kCancel};
    case mb::kAbortRetryIgnore:
      return {id::kAbort, id::kRetry, id::kIgnore};
    case mb::kYesNoCancel:
      return {id::kYes, id::kNo, id::kCancel};
    case mb::kYesNo:
      return {id::kYes, id::kNo};
    case mb::kRetryCancel:
      return {id::kRetry, id::kCancel};
    default:
      return {id::kOk};
  }
}

int DefaultButton(unsigned style) {
  std::vector<int> buttons = ButtonsOfStyle(style);
  size_t which = 0;
  if ((style & mb::kDefMask) == mb::kDefButton2) which = 1;
  if ((style & mb::kDefMask) == mb::kDefButton3) which = 2;
  return which < buttons.size() ? buttons[which] : buttons[0];
}

const char* ButtonLabel(int button) {
  switch (button) {
    case id::kOk:
      return "OK";
    case id::kCancel:
      return "Abbrechen";
    case id::kAbort:
      return "Abbruch";
    case id::kRetry:
      return "Wiederholen";
    case id::kIgnore:
      return "Ignorieren";
    case id::kYes:
      return "Ja";
    case id::kNo:
      return "Nein";
  }
  return "?";
}

}  // namespace instari
