#pragma once
// Whole-file reads and crash-safe whole-file replacement, shared by the
// profile and registry stand-ins.

#include <optional>
#include <string>

namespace platform {

// The file's bytes; nullopt when it does not exist or cannot be read
// (errno tells which).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes bytes to a temporary file in the same directory and renames it over
// path, keeping the old file's permissions; a reader sees the old or the new
// file, never a mix. A symbolic link is followed and its target replaced.
bool ReplaceFile(const std::string& path, const std::string& bytes);

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
