#include "instari/script/handles.h"

#include <cerrno>
#include <cstdlib>
#include <string>

namespace instari::script {

long long HandleTable::AddStream(FILE* stream, bool owned, bool binary) {
  long long h = next_++;
  entries_[h] = Entry{stream, owned, binary, nullptr};
  return h;
}

bool HandleTable::IsBinary(long long handle) const {
  auto it = entries_.find(handle);
  return it != entries_.end() && it->second.binary;
}

FILE* HandleTable::Stream(long long handle) const {
  auto it = entries_.find(handle);
  return it == entries_.end() ? nullptr : it->second.stream;
}

bool HandleTable::CloseStream(long long handle) {
  auto it = entries_.find(handle);
  if (it == entries_.end() || !it->second.stream) return false;
  if (it->second.owned)
    fclose(it->second.stream);
  else
    fflush(it->second.stream);
  entries_.erase(it);
  return true;
}

long long HandleTable::AddSearch(platform::FindFile search) {
  long long h = next_++;
  Entry e;
  e.search = std::make_unique<platform::FindFile>(std::move(search));
  entries_[h] = std::move(e);
  return h;
}

platform::FindFile* HandleTable::Search(long long handle) const {
  auto it = entries_.find(handle);
  return it == entries_.end() ? nullptr : it->second.search.get();
}

bool HandleTable::CloseSearch(long long handle) {
  auto it = entries_.find(handle);
  if (it == entries_.end() || !it->second.search) return false;
  entries_.erase(it);
  return true;
}

void HandleTable::CloseAll() {
  for (auto& [number, e] : entries_) {
    if (e.stream && e.owned)
      fclose(e.stream);
    else if (e.stream)
      fflush(e.stream);
  }
  entries_.clear();
}

std::optional<long long> ParseHandle(std::string_view text) {
  std::string s(text);
  size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  const char* begin = s.c_str() + first;
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(begin, &end, 10);
  if (end == begin || errno != 0) return std::nullopt;
  while (*end == ' ') ++end;
  if (*end != '\0') return std::nullopt;
  return v;
}

}  // namespace instari::script
