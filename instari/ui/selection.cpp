#include "instari/ui/selection.h"

#include <algorithm>

#include "platform/findfile.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace instari {

namespace {

std::string Root(char letter) {
  std::string root = platform::HostPathAsWritten(std::string(1, letter) + ":\\");
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

}  // namespace

std::vector<std::string> MappedDrives() {
  std::vector<std::string> drives;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!Root(letter).empty()) drives.push_back(std::string(1, letter) + ":\\");
  }
  return drives;
}

std::optional<std::string> DosPathOf(const std::string& hostDirectory) {
  std::optional<std::string> best;
  size_t bestLength = 0;
  for (const std::string& drive : MappedDrives()) {
    std::string root = Root(drive[0]);
    bool inside = root == "/" ? hostDirectory.front() == '/'
                              : hostDirectory.compare(0, root.size(), root) == 0 &&
                                    (hostDirectory.size() == root.size() ||
                                     hostDirectory[root.size()] == '/');
    if (!inside || (best && root.size() <= bestLength)) continue;
    std::string rest = hostDirectory.substr(root == "/" ? 1 : root.size());
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    std::replace(rest.begin(), rest.end(), '/', '\\');
    best = drive.substr(0, 3) + rest;
    bestLength = root.size();
  }
  return best;
}

std::vector<std::string> SubDirectories(const std::string& dosDirectory) {
  std::vector<std::string> names;
  std::string pattern = dosDirectory;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  platform::FindFile find;
  for (bool more = find.First(pattern + "*.*"); more; more = find.Next()) {
    const platform::FindData& d = find.Data();
    if (d.IsDirectory() && d.name != ".") names.push_back(d.name);
  }
  // the root has no way up
  if (dosDirectory.size() <= 3) std::erase(names, std::string(".."));
  std::sort(names.begin(), names.end());
  return names;
}

std::string EnterDirectory(const std::string& dosDirectory, const std::string& name) {
  if (name == "..") {
    size_t cut = dosDirectory.find_last_of('\\');
    if (dosDirectory.size() <= 3 || cut == std::string::npos) return dosDirectory;
    return cut <= 2 ? dosDirectory.substr(0, 3) : dosDirectory.substr(0, cut);
  }
  return SelectionFor(dosDirectory, name);
}

std::string SelectionFor(const std::string& dosDirectory, const std::string& name) {
  return dosDirectory + (dosDirectory.size() > 3 ? "\\" : "") + name;
}

std::optional<std::string> AcceptedSelection(const std::string& text) {
  if (text.empty() || text.front() == ' ') return std::nullopt;
  return text;
}

std::vector<std::string> SplitGroupList(const std::string& list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find_first_of("\r\n", start);
    if (end == std::string::npos) end = list.size();
    if (end > start) names.push_back(list.substr(start, end - start));
    start = end + 1;
    if (end < list.size() && list[end] == '\r' && start < list.size() && list[start] == '\n')
      ++start;
  }
  return names;
}

std::vector<BackgroundBand> BackgroundBands(int screenHeight) {
  std::vector<BackgroundBand> bands;
  const int height = screenHeight / 256 + 1;
  int blue = 255;
  for (int top = 0; top < screenHeight; top += height) {
    bands.push_back({top, height, blue});
    if (blue > 2) --blue;
  }
  return bands;
}

}  // namespace instari
