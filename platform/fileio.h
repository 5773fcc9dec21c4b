#pragma once
// Whole-file reads and crash-safe whole-file replacement, shared by the
// profile and registry stand-ins.

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The file's bytes; nullopt when it does not exist or cannot be read
// (errno tells which).
std::optional<std::string> ReadWholeFile(const std::string& path);

// A temporary file a writer of ours left in dir when it was killed:
// ".NAME.tmp-PID-..." of a process that no longer runs, or ".NAME.tmp-XXXXXX"
// (no number) untouched for an hour; only regular files of our own user.
bool IsStaleTemporary(const std::string& dir, std::string_view name, time_t now);
// Removes them, once per directory and process (the first write there).
void SweepStaleTemporaries(const std::string& dir);

// Writes bytes to a temporary file in the same directory and renames it over
// path, keeping the old file's permissions; a reader sees the old or the new
// file, never a mix. A symbolic link is followed and its target replaced.
bool ReplaceFile(const std::string& path, const std::string& bytes);

// A file being written beside its target and put in place in one step when
// complete; dropped otherwise, so the old target is never left half-written.
// It is written as a file without a name (linked in by Commit; a replaced
// target gets a temporary name only for the moment of the rename over it)
// where the file system allows it, else under a temporary name renamed over
// the target.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // False with errno when the temporary file cannot be made, or the target
  // names a directory.
  bool Create(const std::string& target, mode_t mode);
  // The same for a target the caller has just found missing, without a
  // look of its own; dirStat, when given, is the caller's fresh status of
  // the target's folder. Should the target appear meanwhile it is replaced.
  bool CreateNew(const std::string& target, mode_t mode, const struct stat* dirStat = nullptr);
  // The same, always under a temporary name, for writers that need a path.
  bool CreateNamed(const std::string& target, mode_t mode);
  int Fd() const { return fd_; }
  // The temporary name; empty for a file made by Create without one.
  const std::string& Path() const { return temp_; }
  // Closes the file (done by Commit too, if not before).
  bool Close();
  // Puts the file in place of the target.
  bool Commit();

 private:
  enum class Known { kNothing, kMissing };
  bool Start(const std::string& target, mode_t mode, bool named, Known known);
  bool LinkUnnamed();

  std::string target_, temp_;
  int fd_ = -1;
  bool unnamed_ = false;
  bool replacing_ = false;  // the target existed when the file was started
  bool dirKnown_ = false;   // dirStat_ holds the folder's status from before
  struct stat dirStat_ {};
};

// An open descriptor, closed when the object goes.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Close(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  // close's own result, for a descriptor written to
  int Close();

 private:
  int fd_;
};

// The process's file-creation mask, read without changing it for good.
mode_t CurrentUmask();

// An exclusive advisory lock serialising writers of files in one directory;
// released when the object goes.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& filePath);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace platform
