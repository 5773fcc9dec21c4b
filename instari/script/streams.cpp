#include "instari/script/streams.h"

#include "instari/script/fields.h"

namespace instari::script {

namespace {

// Handles are plain decimal numbers, with the blanks a field may carry.
int HandleNumber(std::string_view text) {
  if (!IsNumeric(text)) return 0;
  long long n = LeadingInteger(text);
  return n > 0 && n < (1 << 30) ? static_cast<int>(n) : 0;
}

}  // namespace

int StreamTable::Add(FILE* f, bool owned) {
  if (!f) return 0;
  int handle = next_++;
  streams_[handle] = {f, owned};
  return handle;
}

FILE* StreamTable::Find(std::string_view handle) const {
  auto it = streams_.find(HandleNumber(handle));
  return it == streams_.end() ? nullptr : it->second.file;
}

bool StreamTable::Close(std::string_view handle) {
  auto it = streams_.find(HandleNumber(handle));
  if (it == streams_.end()) return false;
  if (it->second.owned) fclose(it->second.file);
  streams_.erase(it);
  return true;
}

void StreamTable::CloseAll() {
  for (auto& [handle, e] : streams_)
    if (e.owned) fclose(e.file);
  streams_.clear();
}

}  // namespace instari::script
