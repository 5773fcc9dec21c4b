#include "platform/dircache.h"

#include <dirent.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/filestamp.h"

namespace platform {

namespace {

// Enough for a copy that alternates between a few source and target folders.
constexpr size_t kKeptListings = 4;

struct Listing {
  std::string dir;
  FileStamp stamp;
  uint64_t lastUse = 0;
  // folded name -> every spelling of it (nearly always one)
  std::unordered_map<std::string, std::vector<std::string>> names;
};

std::mutex listingsMutex;
std::vector<Listing> listings;
uint64_t useCounter = 0;

std::string Fold(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// File systems that stamp changes to the nanosecond from this machine's
// clock. Elsewhere (network shares, FAT's two seconds) a change may leave
// the stamp as it was, so nothing is kept.
bool HasFineLocalTimes(int fd) {
  struct statfs fs;
  if (fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

Listing* Find(const std::string& dir) {
  for (Listing& l : listings)
    if (l.dir == dir) return &l;
  return nullptr;
}

std::string Least(const std::vector<std::string>& spellings) {
  return spellings.empty() ? std::string() : *std::min_element(spellings.begin(), spellings.end());
}

void Keep(Listing&& fresh) {
  std::lock_guard<std::mutex> lock(listingsMutex);
  fresh.lastUse = ++useCounter;
  if (Listing* old = Find(fresh.dir)) {
    *old = std::move(fresh);
    return;
  }
  if (listings.size() < kKeptListings) {
    listings.push_back(std::move(fresh));
    return;
  }
  auto oldest =
      std::min_element(listings.begin(), listings.end(),
                       [](const Listing& a, const Listing& b) { return a.lastUse < b.lastUse; });
  *oldest = std::move(fresh);
}

}  // namespace

bool KeepsListing(const std::string& dir) {
  std::lock_guard<std::mutex> lock(listingsMutex);
  return Find(dir) != nullptr;
}

std::string FindSpellingInDirectory(const std::string& dir, std::string_view name,
                                    const struct stat* dirStat, bool asWrittenFirst) {
  const std::string key = Fold(name);
  struct stat st;
  if (dirStat) st = *dirStat;
  if (dirStat || stat(dir.c_str(), &st) == 0) {
    std::lock_guard<std::mutex> lock(listingsMutex);
    if (Listing* l = Find(dir); l && l->stamp.Matches(st)) {
      l->lastUse = ++useCounter;
      auto it = l->names.find(key);
      if (it == l->names.end()) return {};
      if (asWrittenFirst &&
          std::find(it->second.begin(), it->second.end(), name) != it->second.end())
        return std::string(name);
      return Least(it->second);
    }
  }

  struct timespec now;
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  DIR* d = opendir(dir.c_str());
  if (!d) return {};
  struct stat before, after;
  // Entries change mtime and ctime together; ctime, compared too, also
  // catches an mtime set back by hand after a change.
  bool keep = fstat(dirfd(d), &before) == 0 && FileStamp::Of(before).SettledBefore(now) &&
              HasFineLocalTimes(dirfd(d));
  Listing fresh;
  std::string found;
  while (dirent* e = readdir(d)) {
    std::string_view entry(e->d_name);
    if (keep) fresh.names[Fold(entry)].emplace_back(entry);
    if (entry.size() != key.size() || Fold(entry) != key) continue;
    const bool foundAsWritten = asWrittenFirst && found == name;
    if (found.empty() || (asWrittenFirst && entry == name) || (!foundAsWritten && entry < found))
      found = entry;
  }
  // a change while reading shows in the times
  keep = keep && fstat(dirfd(d), &after) == 0 && FileStamp::Of(before).Matches(after);
  closedir(d);
  if (keep) {
    fresh.dir = dir;
    fresh.stamp = FileStamp::Of(before);
    Keep(std::move(fresh));
  }
  return found;
}

DirectoryEdit::DirectoryEdit(const std::string& dir, const struct stat* fresh) : dir_(dir) {
  {
    std::lock_guard<std::mutex> lock(listingsMutex);
    if (!Find(dir_)) return;
  }
  if (fresh)
    before_ = *fresh;
  else if (stat(dir_.c_str(), &before_) != 0)
    return;
  std::lock_guard<std::mutex> lock(listingsMutex);
  Listing* l = Find(dir_);
  tracked_ = l && l->stamp.Matches(before_);
}

void DirectoryEdit::Done(std::string_view added, std::string_view removed) {
  if (!tracked_) return;
  tracked_ = false;
  // Another process changing the directory between the two looks would be
  // taken for this change; the window is a few system calls wide (a copy
  // passes the look it made when it found its target missing).
  struct stat after;
  bool seen = stat(dir_.c_str(), &after) == 0;
  std::lock_guard<std::mutex> lock(listingsMutex);
  Listing* l = Find(dir_);
  if (!l || !l->stamp.Matches(before_)) return;
  if (!seen || after.st_dev != before_.st_dev || after.st_ino != before_.st_ino) {
    listings.erase(listings.begin() + (l - listings.data()));
    return;
  }
  if (!removed.empty()) {
    auto it = l->names.find(Fold(removed));
    if (it != l->names.end()) {
      std::erase(it->second, std::string(removed));
      if (it->second.empty()) l->names.erase(it);
    }
  }
  if (!added.empty()) {
    std::vector<std::string>& spellings = l->names[Fold(added)];
    if (std::find(spellings.begin(), spellings.end(), added) == spellings.end())
      spellings.emplace_back(added);
  }
  l->stamp = FileStamp::Of(after);
}

void ForgetDirectoryListings() {
  std::lock_guard<std::mutex> lock(listingsMutex);
  listings.clear();
}

}  // namespace platform
