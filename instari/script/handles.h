#pragma once
// The open text files and directory searches of a script. A script only
// ever sees a handle number in a field; the number is looked up here, so a
// forged, closed or stale number finds nothing instead of a freed object.

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/findfile.h"

namespace instari::script {

class HandleTable {
 public:
  HandleTable() = default;
  ~HandleTable() { CloseAll(); }
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // A new handle for a stream; an owned stream is closed with the handle,
  // the standard streams are not. binary: opened with 'b' (else a text
  // stream, whose reads take CR LF for a line end).
  long long AddStream(FILE* stream, bool owned, bool binary = false);
  // The stream of a handle; null when the number is no open stream.
  FILE* Stream(long long handle) const;
  bool IsBinary(long long handle) const;
  // Closes the stream; false when the number is no open stream.
  bool CloseStream(long long handle);

  long long AddSearch(platform::FindFile search);
  platform::FindFile* Search(long long handle) const;
  bool CloseSearch(long long handle);

  void CloseAll();

 private:
  struct Entry {
    FILE* stream = nullptr;
    bool owned = false;
    bool binary = false;
    std::unique_ptr<platform::FindFile> search;
  };
  std::map<long long, Entry> entries_;
  // Numbers are never reused, so a handle kept after its close stays dead.
  long long next_ = 1;
};

// A field text as a handle number: a whole decimal number, blanks around
// allowed; nullopt for anything else.
std::optional<long long> ParseHandle(std::string_view text);

}  // namespace instari::script
