#pragma once
// Case-insensitive name lookups in one directory, with the directory's
// listing kept between calls. Copying thousands of files into one directory
// asks for every target name in turn; without the kept listing each question
// reads the whole directory again.
//
// A kept listing is used only while the directory's stamp (inode, size and
// change times) is exactly the one seen when it was read, and only when its
// times were already in the past then (a change in the same clock tick could
// otherwise leave them as they were). Changes this process makes itself go
// through DirectoryEdit, which carries them into the kept listing.

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace platform {

// The least spelling in directory dir (a host path) that equals name without
// regard to ASCII case; empty when there is none or dir cannot be read.
// dirStat, when given, is the caller's fresh stat of dir.
// asWrittenFirst: name itself when it is one of the spellings.
std::string FindSpellingInDirectory(const std::string& dir, std::string_view name,
                                    const struct stat* dirStat = nullptr,
                                    bool asWrittenFirst = false);

// Whether a listing of dir is kept (it may still turn out stale); no
// system call.
bool KeepsListing(const std::string& dir);

// Brackets one change this process makes in a directory: construct it just
// before creating, renaming or removing the entry, call Done after success.
// Without a kept listing for the directory it costs nothing.
class DirectoryEdit {
 public:
  // fresh: the caller's status of dir read just before, saving a look.
  explicit DirectoryEdit(const std::string& dir, const struct stat* fresh = nullptr);
  DirectoryEdit(const DirectoryEdit&) = delete;
  DirectoryEdit& operator=(const DirectoryEdit&) = delete;
  // The entry added (may be empty) and the one removed (may be empty).
  void Done(std::string_view added, std::string_view removed);

 private:
  std::string dir_;
  bool tracked_ = false;
  struct stat before_ {};
};

// Drops every kept listing (tests, and after changes made by other means).
void ForgetDirectoryListings();

}  // namespace platform
