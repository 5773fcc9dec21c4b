#include "platform/fileversion.h"

#include "platform/utf8.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// A version resource larger than this is not believed.
constexpr uint32_t kMaxResource = 1u << 20;
// The directories of one level hold at most this many entries we look at.
constexpr uint32_t kMaxEntries = 4096;

class File {
 public:
  explicit File(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~File() {
    if (fd_ >= 0) close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool Ok() const { return fd_ >= 0; }
  bool Read(uint64_t offset, void* out, size_t n) const {
    return pread(fd_, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    uint8_t b[2];
    if (!Read(offset, b, 2)) return std::nullopt;
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    uint8_t b[4];
    if (!Read(offset, b, 4)) return std::nullopt;
    return static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  }

 private:
  int fd_;
};

struct Section {
  uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

std::optional<uint64_t> RvaToOffset(const std::vector<Section>& sections, uint32_t rva) {
  for (const Section& s : sections) {
    uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
    if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
      uint32_t inside = rva - s.virtualAddress;
      if (inside >= s.rawSize) return std::nullopt;
      return static_cast<uint64_t>(s.rawOffset) + inside;
    }
  }
  return std::nullopt;
}

// The offset (relative to the resource root) of the entry's target in the
// directory at dirOffset: with id the entry of that numeric id, else the
// first entry. wantDirectory says which kind the target must be.
std::optional<uint32_t> DirectoryEntry(const File& f, uint64_t root, uint32_t dirOffset,
                                       std::optional<uint16_t> id, bool wantDirectory) {
  auto named = f.U16(root + dirOffset + 12), ids = f.U16(root + dirOffset + 14);
  if (!named || !ids) return std::nullopt;
  uint32_t count = static_cast<uint32_t>(*named) + *ids;
  if (count > kMaxEntries) count = kMaxEntries;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t entry = root + dirOffset + 16 + 8ull * i;
    auto name = f.U32(entry), target = f.U32(entry + 4);
    if (!name || !target) return std::nullopt;
    if (id && ((*name & 0x80000000u) || (*name & 0xFFFF) != *id)) continue;
    bool isDirectory = (*target & 0x80000000u) != 0;
    if (isDirectory != wantDirectory) return std::nullopt;
    return *target & 0x7FFFFFFFu;
  }
  return std::nullopt;
}

uint16_t Le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

size_t Align4(size_t v) { return (v + 3) & ~size_t(3); }

// UTF-16LE from at up to a zero unit or end; *next gets the offset after the zero.
std::string Utf16ToUtf8(std::string_view b, size_t at, size_t end, size_t* next = nullptr) {
  std::string out;
  size_t i = at;
  for (; i + 1 < end; i += 2) {
    uint32_t c = Le16(b, i);
    if (c == 0) {
      i += 2;
      break;
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < end) {
      uint32_t low = Le16(b, i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  if (next) *next = i;
  return out;
}

// One node of the version tree.
struct Node {
  size_t begin = 0, end = 0;  // [begin, begin + wLength)
  std::string key;
  size_t valueBegin = 0, valueBytes = 0;
  bool text = false;
  size_t childrenBegin = 0;
};

std::optional<Node> ParseNode(std::string_view b, size_t at, size_t limit) {
  if (at + 6 > limit) return std::nullopt;
  size_t length = Le16(b, at);
  if (length < 6 || at + length > limit) return std::nullopt;
  Node n;
  n.begin = at;
  n.end = at + length;
  size_t valueLength = Le16(b, at + 2);
  n.text = Le16(b, at + 4) == 1;
  size_t afterKey = 0;
  n.key = Utf16ToUtf8(b, at + 6, n.end, &afterKey);
  n.valueBegin = Align4(afterKey);
  n.valueBytes = n.text ? valueLength * 2 : valueLength;
  if (n.valueBegin > n.end) n.valueBegin = n.end;
  if (n.valueBegin + n.valueBytes > n.end) n.valueBytes = n.end - n.valueBegin;
  n.childrenBegin = Align4(n.valueBegin + n.valueBytes);
  return n;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

VersionInfoStatus GetFileVersionInfo(const std::string& hostPath, std::string* block) {
  File f(hostPath);
  if (!f.Ok()) return VersionInfoStatus::kMissingFile;
  const auto none = VersionInfoStatus::kNoVersionInfo;
  char mz[2];
  if (!f.Read(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return none;
  auto pe = f.U32(0x3C);
  char sig[4];
  if (!pe || !f.Read(*pe, sig, 4) || sig[0] != 'P' || sig[1] != 'E' || sig[2] || sig[3])
    return none;
  auto sectionCount = f.U16(*pe + 6), optionalSize = f.U16(*pe + 20);
  uint64_t optional = *pe + 24ull;
  auto magic = f.U16(optional);
  if (!sectionCount || !optionalSize || !magic) return none;
  uint64_t countAt = *magic == 0x20b ? 108 : 92, directories = *magic == 0x20b ? 112 : 96;
  if (*magic != 0x10b && *magic != 0x20b) return none;
  auto directoryCount = f.U32(optional + countAt);
  if (!directoryCount || *directoryCount < 3 || directories + 24 > *optionalSize) return none;
  auto resourceRva = f.U32(optional + directories + 16);
  if (!resourceRva || *resourceRva == 0) return none;

  std::vector<Section> sections;
  for (uint32_t i = 0; i < *sectionCount; ++i) {
    uint64_t s = optional + *optionalSize + 40ull * i;
    auto vs = f.U32(s + 8), va = f.U32(s + 12), rs = f.U32(s + 16), ro = f.U32(s + 20);
    if (!vs || !va || !rs || !ro) return none;
    sections.push_back({*va, *vs, *rs, *ro});
  }
  std::optional<uint64_t> root = RvaToOffset(sections, *resourceRva);
  if (!root) return none;
  // type 16 (version) -> first name -> first language -> data entry
  std::optional<uint32_t> level = DirectoryEntry(f, *root, 0, uint16_t{16}, true);
  if (level) level = DirectoryEntry(f, *root, *level, std::nullopt, true);
  if (level) level = DirectoryEntry(f, *root, *level, std::nullopt, false);
  if (!level) return none;
  auto dataRva = f.U32(*root + *level), dataSize = f.U32(*root + *level + 4);
  if (!dataRva || !dataSize || *dataSize == 0 || *dataSize > kMaxResource) return none;
  std::optional<uint64_t> data = RvaToOffset(sections, *dataRva);
  if (!data) return none;
  std::string bytes(*dataSize, '\0');
  if (!f.Read(*data, bytes.data(), bytes.size())) return none;
  if (block) *block = std::move(bytes);
  return VersionInfoStatus::kFound;
}

std::optional<std::string> VerQueryValue(std::string_view block, std::string_view subBlock) {
  std::optional<Node> node = ParseNode(block, 0, block.size());
  if (!node) return std::nullopt;
  size_t pos = 0;
  while (pos < subBlock.size()) {
    while (pos < subBlock.size() && subBlock[pos] == '\\') ++pos;
    if (pos >= subBlock.size()) break;
    size_t slash = subBlock.find('\\', pos);
    std::string_view name =
        subBlock.substr(pos, slash == std::string_view::npos ? slash : slash - pos);
    pos = slash == std::string_view::npos ? subBlock.size() : slash;
    std::optional<Node> found;
    for (size_t at = node->childrenBegin; at < node->end;) {
      std::optional<Node> child = ParseNode(block, at, node->end);
      if (!child) break;
      if (SameKey(child->key, name)) {
        found = child;
        break;
      }
      at = Align4(child->end);
    }
    if (!found) return std::nullopt;
    node = found;
  }
  if (node->text) {
    std::string value = Utf16ToUtf8(block, node->valueBegin, node->valueBegin + node->valueBytes);
    return value;
  }
  return std::string(block.substr(node->valueBegin, node->valueBytes));
}

std::optional<std::pair<uint16_t, uint16_t>> FirstTranslation(std::string_view block) {
  std::optional<std::string> v = VerQueryValue(block, "\\VarFileInfo\\Translation");
  if (!v || v->size() < 4) return std::nullopt;
  return std::make_pair(Le16(*v, 0), Le16(*v, 2));
}

}  // namespace platform
