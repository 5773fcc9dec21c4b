#pragma once
// Automatic file names for captures ("auto001.pxi", "anna1997.10.17001.pxi")
// and the file-type choices of the Open and Save As dialogs.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace prentix {

// Where the name pattern's letters get their values; injectable for tests.
struct NameSources {
  std::function<std::string()> computerName;  // "U"
  std::function<std::string()> userName;      // "H"
  std::function<std::tm()> now;               // "D" and "T", local time
};
// The machine's own: host name, login name, the local clock.
NameSources SystemNameSources();

// The next free number for automatic names starting with prefix (which may
// hold a directory, DOS or host style): one more than the largest number
// found after the prefix's last component in an existing file's name, 1 when
// there is none. Names numbered past 999 count too, so none is ever reused.
int NextFileNumber(std::string_view prefix);

// The whole automatic name: the pattern with U, H, D and T expanded in its
// last component (a folder before it is taken as written; an empty pattern
// is "auto"), the next free number as "%03d", then ".gif" or ".pxi".
std::string BuildAutomaticName(std::string_view pattern, bool gif, const NameSources& sources);

// The file dialog's filters in the order offered: pairs of description and
// pattern ("Prentix (*.pxi)", "*.pxi"), ..., ("Png (*.png)", "*.png"),
// ("All Files (*.*)", "*.*") in
// the current language; with gif the GIF row comes first.
std::vector<std::pair<std::string, std::string>> FileDialogFilters(bool gif);

}  // namespace prentix
