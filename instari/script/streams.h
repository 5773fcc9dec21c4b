#pragma once
// Text streams that scripts hold by number: a field keeps the decimal
// handle, never a pointer, so a forged or stale number finds nothing
// instead of crashing the installer.

#include <cstdio>
#include <map>
#include <string_view>

namespace instari::script {

class StreamTable {
 public:
  StreamTable() = default;
  StreamTable(const StreamTable&) = delete;
  StreamTable& operator=(const StreamTable&) = delete;
  ~StreamTable() { CloseAll(); }

  // Takes the stream and gives its handle (1, 2, ...). owned: closed by
  // Close and CloseAll (the standard streams are not).
  int Add(FILE* f, bool owned = true);
  // The stream of a handle text; null for "0", a number never given out
  // or one closed since.
  FILE* Find(std::string_view handle) const;
  // false when there was no such stream.
  bool Close(std::string_view handle);
  void CloseAll();

 private:
  struct Entry {
    FILE* file;
    bool owned;
  };
  std::map<int, Entry> streams_;
  int next_ = 1;
};

}  // namespace instari::script
