#pragma once
// The rules of the installer's selection dialog and background window,
// apart from the widgets: DOS paths of the mapped drives, what an entry
// puts into the selection, what counts as a choice, and the background's
// colour bands.

#include <optional>
#include <string>
#include <vector>

namespace instari {

// The drives [Drives] of win.ini maps ("C:\" always, as the path layer
// does), in letter order.
std::vector<std::string> MappedDrives();

// The host directory in DOS form, "C:\home\anna", by the drive whose root
// is the longest prefix of it; nullopt when no drive reaches it.
std::optional<std::string> DosPathOf(const std::string& hostDirectory);

// The sub-directories of a DOS directory, by name, ".." included where the
// directory has one and "." left out.
std::vector<std::string> SubDirectories(const std::string& dosDirectory);

// The DOS directory an entry leads to (".." one up, never above the root).
std::string EnterDirectory(const std::string& dosDirectory, const std::string& name);

// What selecting an entry puts into the selection: the directory, a
// backslash when the directory is longer than "C:\", and the name.
std::string SelectionFor(const std::string& dosDirectory, const std::string& name);

// A selection counts when it is not empty and does not begin with a blank.
std::optional<std::string> AcceptedSelection(const std::string& text);

// Group names of a CR LF (or LF) separated list.
std::vector<std::string> SplitGroupList(const std::string& list);

// One horizontal band of the background: rows [top, top + height), blue.
struct BackgroundBand {
  int top, height, blue;
};
// Bands over the whole height: each height / 256 + 1 rows, blue from 255
// down by one per band, never below 2.
std::vector<BackgroundBand> BackgroundBands(int screenHeight);

}  // namespace instari
