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

const char* ButtonLabel(int button, int language) {
  // OK, Cancel, Abort, Retry, Ignore, Yes, No in German, English, Spanish,
  // French, Italian; English for every other language
  static const char* const kLabels[][7] = {
      {"OK", "Abbrechen", "Abbruch", "Wiederholen", "Ignorieren", "Ja", "Nein"},
      {"OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"},
      {"Aceptar", "Cancelar", "Anular", "Reintentar", "Omitir", "Sí", "No"},
      {"OK", "Annuler", "Abandonner", "Réessayer", "Ignorer", "Oui", "Non"},
      {"OK", "Annulla", "Interrompi", "Riprova", "Ignora", "Sì", "No"},
  };
  const int row = language == 7    ? 0
                  : language == 10 ? 2
                  : language == 12 ? 3
                  : language == 16 ? 4
                                   : 1;
  switch (button) {
    case id::kOk:
      return kLabels[row][0];
    case id::kCancel:
      return kLabels[row][1];
    case id::kAbort:
      return kLabels[row][2];
    case id::kRetry:
      return kLabels[row][3];
    case id::kIgnore:
      return kLabels[row][4];
    case id::kYes:
      return kLabels[row][5];
    case id::kNo:
      return kLabels[row][6];
  }
  return "?";
}

}  // namespace instari
