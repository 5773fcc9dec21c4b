#include "platform/findfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/dircache.h"
#include "platform/paths.h"

namespace platform {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// '*' and '?' only, by the usual two-pointer walk that goes back to the last
// star on a mismatch: O(pattern x name) at worst, never exponential.
bool MatchStarQuestion(std::string_view p, std::string_view n) {
  size_t i = 0, j = 0;
  size_t star = std::string_view::npos, mark = 0;
  while (i < n.size()) {
    if (j < p.size() && p[j] == '*') {
      star = j++;
      mark = i;
    } else if (j < p.size() && (p[j] == '?' || Lower(p[j]) == Lower(n[i]))) {
      ++i;
      ++j;
    } else if (star != std::string_view::npos) {
      j = star + 1;
      i = ++mark;
    } else {
      return false;
    }
  }
  while (j < p.size() && p[j] == '*') ++j;
  return j == p.size();
}

bool IsDots(std::string_view name) { return name == "." || name == ".."; }

// "C:" or "C:/" (the separators already turned into '/').
bool IsBareDrive(std::string_view dirPart) {
  while (!dirPart.empty() && dirPart.back() == '/') dirPart.remove_suffix(1);
  return dirPart.size() == 2 && dirPart[1] == ':' &&
         ((dirPart[0] >= 'A' && dirPart[0] <= 'Z') || (dirPart[0] >= 'a' && dirPart[0] <= 'z'));
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// The entry at path, reported under name; *mode gets its type and bits.
bool DescribePath(const std::string& path, const std::string& name, FindData* out,
                  mode_t* mode = nullptr) {
  const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
  struct statx st;
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT, mask, &st) != 0)
    return false;
  uint32_t attributes = 0;
  if (S_ISLNK(st.stx_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    struct statx target;
    if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, mask, &target) == 0) st = target;
  }
  const bool isDir = S_ISDIR(st.stx_mode);
  attributes |= isDir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!isDir && (st.stx_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;

  out->name = name;
  out->attributes = attributes;
  out->size = isDir ? 0 : st.stx_size;
  const FileTimes t = FileTimesFromStatx(st);
  out->creationTime = t.creation;
  out->lastAccessTime = t.lastAccess;
  out->lastWriteTime = t.lastWrite;
  if (mode) *mode = st.stx_mode;
  return true;
}

bool Describe(const std::string& dir, const std::string& name, FindData* out) {
  return DescribePath(Join(dir, name), name, out);
}

}  // namespace

bool HasWildcards(std::string_view text) { return text.find_first_of("*?") != text.npos; }

bool MatchesDosWildcard(std::string_view pattern, std::string_view name) {
  if (name.find('.') != name.npos) return MatchStarQuestion(pattern, name);
  // A name without a dot: a dot of the pattern can only match its end, and
  // only where nothing but stars and dots follows. In that tail the stars
  // before its first dot may still take characters, the rest match nothing;
  // so cut the pattern at that dot and match the ordinary way.
  size_t tail = pattern.size();
  while (tail > 0 && (pattern[tail - 1] == '*' || pattern[tail - 1] == '.')) --tail;
  const size_t dot = pattern.find('.', tail);
  return MatchStarQuestion(dot == pattern.npos ? pattern : pattern.substr(0, dot), name);
}

bool FindFile::First(std::string_view pattern, DotEntries dots) {
  Close();
  std::string p(pattern);
  for (char& c : p)
    if (c == '\\') c = '/';

  std::string dirPart, namePart;
  const size_t slash = p.rfind('/');
  if (slash != std::string::npos) {
    dirPart = p.substr(0, slash + 1);
    namePart = p.substr(slash + 1);
  } else if (IsBareDrive(std::string_view(p).substr(0, 2))) {
    dirPart = p.substr(0, 2);
    namePart = p.substr(2);
  } else {
    namePart = p;
  }
  std::string dir = dirPart.empty() ? std::string(".") : HostPath(dirPart);
  if (namePart.empty() || dir.empty()) {
    errno = ENOENT;
    return false;
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const bool root = dir == "/" || IsBareDrive(dirPart);
  const bool keepDots = dots == DotEntries::kReport && !root;

  std::vector<std::string> names;
  if (!HasWildcards(namePart)) {
    // the spelling on disk: as written when it exists, else without case
    std::string found = ResolveCaseInsensitive(Join(dir, namePart));
    const size_t cut = found.rfind('/');
    names.push_back(cut == std::string::npos ? found : found.substr(cut + 1));
    if (IsDots(names.back()) && !keepDots) names.clear();
  } else {
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    std::vector<std::string> dotNames;
    while (dirent* e = readdir(d)) {
      std::string name(e->d_name);
      if (!MatchesDosWildcard(namePart, name)) continue;
      if (IsDots(name)) {
        if (keepDots) dotNames.push_back(std::move(name));
      } else {
        names.push_back(std::move(name));
      }
    }
    closedir(d);
    // "." and ".." first, where Windows puts them
    names.insert(names.begin(), dotNames.begin(), dotNames.end());
  }

  dir_ = std::move(dir);
  names_ = std::move(names);
  next_ = 0;
  open_ = true;
  if (!Advance()) {
    Close();
    errno = ENOENT;
    return false;
  }
  return true;
}

bool FindFile::Next() {
  if (!open_) {
    errno = ENOENT;
    return false;
  }
  if (Advance()) return true;
  errno = ENOENT;
  return false;
}

bool FindFile::Advance() {
  while (next_ < names_.size()) {
    // an entry removed since the search started is passed over
    if (Describe(dir_, names_[next_++], &data_)) return true;
  }
  return false;
}

FindFile& FindFile::operator=(FindFile&& other) noexcept {
  if (this != &other) {
    open_ = std::exchange(other.open_, false);
    dir_ = std::move(other.dir_);
    names_ = std::move(other.names_);
    next_ = std::exchange(other.next_, 0);
    data_ = std::move(other.data_);
    other.names_.clear();
  }
  return *this;
}

void FindFile::Close() {
  open_ = false;
  names_.clear();
  names_.shrink_to_fit();
  next_ = 0;
}

std::optional<FindData> FindFirstMatch(std::string_view pattern, DotEntries dots) {
  FindFile f;
  if (!f.First(pattern, dots)) return std::nullopt;
  return f.Data();
}

namespace {

// The lookup's result when path names an entry (shown under name).
bool Take(FileLookup* r, std::string path, const std::string& name) {
  FindData d;
  mode_t mode = 0;
  if (!DescribePath(path, name, &d, &mode)) return false;
  r->hostPath = std::move(path);
  r->data = std::move(d);
  r->mode = mode;
  return true;
}

}  // namespace

FileLookup LookUpFile(std::string_view name) {
  FileLookup r;
  const std::string written = HostPathAsWritten(name);
  const size_t slash = written.rfind('/');
  const std::string base = written.substr(slash == std::string::npos ? 0 : slash + 1);
  // Wildcards, dots and folders take the general way.
  if (!written.empty() && !base.empty() && !IsDots(base) && !HasWildcards(name)) {
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : written.substr(0, slash);
    // A folder whose listing is kept answers for a missing name without a
    // failed lookup of it; its status is wanted for a creation anyway.
    const bool listed = KeepsListing(dir);
    if (!listed && Take(&r, written, base)) return r;
    if ((listed || errno == ENOENT) && stat(dir.c_str(), &r.dirStat) == 0 &&
        S_ISDIR(r.dirStat.st_mode)) {
      std::string found = FindSpellingInDirectory(dir, base, &r.dirStat, true);
      if (found.empty()) {
        r.hostPath = written;
        r.dirKnown = true;
        r.error = ENOENT;
        return r;
      }
      if (Take(&r, Join(dir, found), found)) return r;
      // gone meanwhile: the general way tells
    }
  }
  r.hostPath = HostPath(name);
  FindFile f;
  if (f.First(name)) {
    r.data = f.Data();
    struct stat st;
    if (stat(Join(f.Directory(), f.Data().name).c_str(), &st) == 0) r.mode = st.st_mode;
  } else {
    r.error = errno;
  }
  return r;
}

}  // namespace platform
