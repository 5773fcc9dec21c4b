#include "instari/ui/texts.h"

#include <cmath>
#include <cstdio>

namespace instari {

namespace {

struct Row {
  int key;
  const char* german;
  const char* english;
  const char* italian;
  const char* french;
  const char* spanish;
};

const Row kRows[] = {
    {1, "Restzeit: %d Sekunden (f\xC3\xBCr diese Aktion)",
     "Remaining time for this action: %d seconds.", nullptr, nullptr, nullptr},
    {2, "Restzeit: %d Minuten (f\xC3\xBCr diese Aktion)",
     "Remaining time for this action: %d minutes.", nullptr, nullptr, nullptr},
    {3, "%s von %s Bytes kopiert.", "%s from %s bytes copied.", nullptr, nullptr, nullptr},
    {4, "Auswahl Verzeichnis", "Select directory", nullptr, nullptr, nullptr},
    {5, "Auswahl Programmgruppe", "Select program-group", nullptr, nullptr, nullptr},
    {6, "Auswahl...", "Browse...", nullptr, nullptr, nullptr},
    // the window's own: wizard buttons, the about entry, Cancel's notice
    {7, "< &Zurück", "< &Back", "< &Indietro", "< &Précédent", "< &Atrás"},
    {8, "&Weiter >", "&Next >", "&Avanti >", "&Suivant >", "&Siguiente >"},
    {9, "Fertig stellen", "Finish", "Fine", "Terminer", "Finalizar"},
    {10, "Inf&o über Instari...", "Ab&out Instari...", nullptr, nullptr, nullptr},
    {11, "Abbruch...", "Cancelling...", nullptr, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr, nullptr, nullptr},
};

bool Present(const char* s) { return s && *s; }

// printf with one argument into a std::string.
template <typename T>
std::string Format(const std::string& format, T a) {
  char buffer[512];
  snprintf(buffer, sizeof buffer, format.c_str(), a);
  return buffer;
}

}  // namespace

std::string InstariText(int key, int language) {
  for (const Row* r = kRows; r->key != 0; ++r) {
    if (r->key != key) continue;
    if (language == 7) return r->german;
    if (language == 10 && Present(r->spanish)) return r->spanish;
    if (language == 12 && Present(r->french)) return r->french;
    if (language == 16 && Present(r->italian)) return r->italian;
    if (Present(r->english)) return r->english;
    return r->german;
  }
  return "";
}

std::string FormatNumber(double value, int decimals, const NumberLocale& locale, InstallerUi* ui) {
  if (decimals < 0 || decimals > 3) {
    if (decimals > 3 && ui)
      ui->MessageBox("Anzahl Nachkommastellen nicht vorgesehen", ui->ApplicationTitle(), mb::kOk);
    decimals = 0;
  }
  if (!std::isfinite(value)) value = 0;
  char buffer[400];
  snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string raw = buffer;
  std::string sign;
  if (!raw.empty() && raw[0] == '-') {
    sign = "-";
    raw.erase(0, 1);
  }
  // the C library writes the locale's own decimal point
  size_t point = raw.find_first_not_of("0123456789");
  std::string integer = raw.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : raw.substr(point + 1);
  std::string grouped;
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) grouped += locale.thousandsSeparator;
    grouped += integer[i];
  }
  std::string out = sign + grouped;
  if (point != std::string::npos) out += locale.decimalPoint + fraction;
  return out;
}

CopyProgressTexts MakeCopyProgressTexts(const ProgressState& p, int language,
                                        const NumberLocale& locale) {
  CopyProgressTexts t;
  int r = p.remainingSeconds;
  if (r == 0) return t;
  std::string copied = FormatNumber(static_cast<double>(p.bytesCopied), 0, locale);
  if (r == -1) {
    std::string format = InstariText(kTextBytesCopied, language);
    char buffer[512];
    snprintf(buffer, sizeof buffer, format.c_str(), copied.c_str(), "???");
    t.bytes = buffer;
    return t;
  }
  t.barVisible = true;
  if (r >= 120)
    t.remaining = Format(InstariText(kTextRemainingMinutes, language), r / 60);
  else
    t.remaining = Format(InstariText(kTextRemainingSeconds, language), r);
  t.percent = Format(std::string("%d%%"), p.file);
  std::string total = FormatNumber(static_cast<double>(p.bytesTotal), 0, locale);
  char buffer[512];
  snprintf(buffer, sizeof buffer, InstariText(kTextBytesCopied, language).c_str(), copied.c_str(),
           total.c_str());
  t.bytes = buffer;
  return t;
}

std::string StatusForDisplay(const std::string& status) {
  size_t i = status.find_first_not_of(" \t");
  return i == std::string::npos ? std::string() : status.substr(i);
}

}  // namespace instari
