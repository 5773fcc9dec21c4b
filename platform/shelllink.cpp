#include "platform/shelllink.h"

#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLink = 0x2;
constexpr uint32_t kDriveFixed = 3;

// Decodes one UTF-8 character; false on a malformed sequence.
bool NextCodePoint(std::string_view s, size_t& i, uint32_t& cp) {
  auto b = static_cast<uint8_t>(s[i]);
  int extra;
  if (b < 0x80) {
    cp = b;
    extra = 0;
  } else if ((b & 0xE0) == 0xC0) {
    cp = b & 0x1F;
    extra = 1;
  } else if ((b & 0xF0) == 0xE0) {
    cp = b & 0x0F;
    extra = 2;
  } else if ((b & 0xF8) == 0xF0) {
    cp = b & 0x07;
    extra = 3;
  } else {
    return false;
  }
  if (s.size() - i <= static_cast<size_t>(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    auto c = static_cast<uint8_t>(s[i + k]);
    if ((c & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (c & 0x3F);
  }
  static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += 1 + extra;
  return true;
}

std::optional<std::u16string> ToUtf16(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    if (!NextCodePoint(s, i, cp) || cp == 0) return std::nullopt;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// A lone surrogate becomes U+FFFD, so every unit stays one character.
std::string FromUtf16(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// 8-bit strings in link files are in the Windows code page 1252.
std::string FromCp1252(std::string_view s) {
  static constexpr uint16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  for (char ch : s) {
    auto b = static_cast<uint8_t>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : b);
  }
  return out;
}

// What the shell writes where a character has no 8-bit form.
std::string ToAnsi(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp;
    if (!NextCodePoint(utf8, i, cp)) return {};
    out.push_back(cp < 0x80 ? static_cast<char>(cp) : '?');
  }
  return out;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  return true;
}

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}
void Set32(std::string& out, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}
void PutUtf16(std::string& out, const std::u16string& s) {
  for (char16_t u : s) Put16(out, u);
}

// Bounds-checked little-endian reads over one structure.
class Reader {
 public:
  explicit Reader(std::string_view b) : b_(b) {}
  size_t Size() const { return b_.size(); }
  bool Has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(Byte(at) | (Byte(at + 1) << 8)); }
  uint32_t U32(size_t at) const { return U16(at) | (static_cast<uint32_t>(U16(at + 2)) << 16); }
  uint64_t U64(size_t at) const { return U32(at) | (static_cast<uint64_t>(U32(at + 4)) << 32); }
  std::string_view Bytes(size_t at, size_t n) const { return b_.substr(at, n); }
  // A zero-terminated 8-bit string starting at 'at' that ends inside.
  std::optional<std::string> Ansi(size_t at) const {
    if (at >= b_.size()) return std::nullopt;
    size_t end = b_.find('\0', at);
    if (end == std::string_view::npos) return std::nullopt;
    return FromCp1252(b_.substr(at, end - at));
  }
  std::optional<std::string> Wide(size_t at) const {
    std::u16string s;
    for (size_t p = at;; p += 2) {
      if (!Has(p, 2)) return std::nullopt;
      char16_t u = U16(p);
      if (u == 0) break;
      s.push_back(u);
    }
    return FromUtf16(s);
  }

 private:
  uint32_t Byte(size_t at) const { return static_cast<uint8_t>(b_[at]); }
  std::string_view b_;
};

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

bool ParseLinkInfo(const Reader& r, ShellLinkData& link, std::string* why) {
  if (r.Size() < 0x1C) return Fail(why, "link information shorter than its header");
  uint32_t headerSize = r.U32(4), flags = r.U32(8);
  if (headerSize < 0x1C || headerSize > r.Size())
    return Fail(why, "link information header size out of range");
  bool unicode = headerSize >= 0x24;
  uint32_t volumeOffset = r.U32(12), baseOffset = r.U32(16), netOffset = r.U32(20),
           suffixOffset = r.U32(24);
  std::string suffix;
  if (flags & (kVolumeIdAndLocalBasePath | kCommonNetworkRelativeLink)) {
    auto s = r.Ansi(suffixOffset);
    if (!s) return Fail(why, "common path suffix outside the link information");
    suffix = *s;
    if (unicode && r.U32(0x20) != 0) {
      auto w = r.Wide(r.U32(0x20));
      if (!w) return Fail(why, "unicode path suffix outside the link information");
      suffix = *w;
    }
  }
  if (flags & kVolumeIdAndLocalBasePath) {
    if (!r.Has(volumeOffset, 0x10) || r.U32(volumeOffset) <= 0x10 ||
        !r.Has(volumeOffset, r.U32(volumeOffset)))
      return Fail(why, "volume id outside the link information");
    auto base = r.Ansi(baseOffset);
    if (!base) return Fail(why, "local base path outside the link information");
    std::string path = *base;
    if (unicode && r.U32(0x1C) != 0) {
      auto w = r.Wide(r.U32(0x1C));
      if (!w) return Fail(why, "unicode base path outside the link information");
      path = *w;
    }
    link.localPath = path + suffix;
  }
  if (flags & kCommonNetworkRelativeLink) {
    if (!r.Has(netOffset, 0x14)) return Fail(why, "network link outside the link information");
    uint32_t size = r.U32(netOffset);
    if (size < 0x14 || !r.Has(netOffset, size)) return Fail(why, "network link size out of range");
    Reader net(r.Bytes(netOffset, size));
    uint32_t nameOffset = net.U32(8);
    auto name = net.Ansi(nameOffset);
    if (!name) return Fail(why, "network name outside its structure");
    std::string share = *name;
    if (nameOffset > 0x14 && net.Has(0x14, 4) && net.U32(0x14) != 0) {
      auto w = net.Wide(net.U32(0x14));
      if (!w) return Fail(why, "unicode network name outside its structure");
      share = *w;
    }
    link.networkPath = suffix.empty() ? share : share + "\\" + suffix;
  }
  return true;
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y && !(x < 0x80 && y < 0x80 && tolower(x) == tolower(y))) return false;
  }
  return true;
}

// "C:" for a drive path, "/" for a host path, empty for a relative one.
std::string RootOf(std::string_view p) {
  if (p.size() >= 2 && p[1] == ':' && isalpha(static_cast<unsigned char>(p[0])))
    return std::string(1, static_cast<char>(toupper(static_cast<unsigned char>(p[0])))) + ":";
  if (!p.empty() && (p[0] == '/' || p[0] == '\\')) return "/";
  return {};
}

}  // namespace

std::optional<size_t> LinkTextUnits(std::string_view utf8) {
  auto w = ToUtf16(utf8);
  if (!w) return std::nullopt;
  return w->size();
}

std::optional<std::string> SerializeShellLink(const ShellLinkData& link) {
  struct Item {
    uint32_t flag;
    const std::string* text;
  };
  const Item strings[] = {{kLinkHasName, &link.description},
                          {kLinkHasRelativePath, &link.relativePath},
                          {kLinkHasWorkingDir, &link.workingDirectory},
                          {kLinkHasArguments, &link.arguments},
                          {kLinkHasIconLocation, &link.iconLocation}};
  uint32_t flags = kLinkIsUnicode;
  if (!link.localPath.empty()) flags |= kLinkHasLinkInfo;
  for (const Item& it : strings)
    if (!it.text->empty()) flags |= it.flag;

  std::string out;
  Put32(out, kHeaderSize);
  out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
  Put32(out, flags);
  Put32(out, link.fileAttributes);
  Put64(out, link.creationTime);
  Put64(out, link.accessTime);
  Put64(out, link.writeTime);
  Put32(out, link.fileSize);
  Put32(out, static_cast<uint32_t>(link.iconIndex));
  Put32(out, link.showCommand);
  Put16(out, link.hotKey);
  Put16(out, 0);
  Put32(out, 0);
  Put32(out, 0);

  if (flags & kLinkHasLinkInfo) {
    auto wide = ToUtf16(link.localPath);
    if (!wide) return std::nullopt;
    // The 8-bit path is always there; a path beyond ASCII also goes in
    // UTF-16, which readers prefer.
    bool unicode = !IsAscii(link.localPath);
    uint32_t headerSize = unicode ? 0x24 : 0x1C;
    std::string info(headerSize, '\0');
    uint32_t volumeOffset = headerSize;
    Put32(info, 0x11);  // VolumeID: size, drive type, serial, label offset, empty label
    Put32(info, kDriveFixed);
    Put32(info, 0);
    Put32(info, 0x10);
    info.push_back('\0');
    uint32_t baseOffset = static_cast<uint32_t>(info.size());
    info += ToAnsi(link.localPath);
    info.push_back('\0');
    uint32_t suffixOffset = static_cast<uint32_t>(info.size());
    info.push_back('\0');
    uint32_t baseUnicode = 0, suffixUnicode = 0;
    if (unicode) {
      baseUnicode = static_cast<uint32_t>(info.size());
      PutUtf16(info, *wide);
      Put16(info, 0);
      suffixUnicode = static_cast<uint32_t>(info.size());
      Put16(info, 0);
    }
    Set32(info, 0, static_cast<uint32_t>(info.size()));
    Set32(info, 4, headerSize);
    Set32(info, 8, kVolumeIdAndLocalBasePath);
    Set32(info, 12, volumeOffset);
    Set32(info, 16, baseOffset);
    Set32(info, 20, 0);
    Set32(info, 24, suffixOffset);
    if (unicode) {
      Set32(info, 28, baseUnicode);
      Set32(info, 32, suffixUnicode);
    }
    out += info;
  }
  for (const Item& it : strings) {
    if (it.text->empty()) continue;
    auto wide = ToUtf16(*it.text);
    if (!wide || wide->size() > 0xFFFF) return std::nullopt;
    Put16(out, static_cast<uint32_t>(wide->size()));
    PutUtf16(out, *wide);
  }
  Put32(out, 0);  // terminal block: no extra data
  return out;
}

std::optional<ShellLinkData> ParseShellLink(std::string_view bytes, std::string* why) {
  Reader r(bytes);
  if (!r.Has(0, kHeaderSize) || r.U32(0) != kHeaderSize ||
      memcmp(bytes.data() + 4, kLinkClsid, sizeof kLinkClsid) != 0) {
    Fail(why, "not a shell link: header size or class id wrong");
    return std::nullopt;
  }
  ShellLinkData link;
  link.flags = r.U32(0x14);
  link.fileAttributes = r.U32(0x18);
  link.creationTime = r.U64(0x1C);
  link.accessTime = r.U64(0x24);
  link.writeTime = r.U64(0x2C);
  link.fileSize = r.U32(0x34);
  link.iconIndex = static_cast<int32_t>(r.U32(0x38));
  link.showCommand = r.U32(0x3C);
  link.hotKey = r.U16(0x40);
  size_t at = kHeaderSize;

  if (link.flags & kLinkHasTargetIdList) {
    if (!r.Has(at, 2) || !r.Has(at + 2, r.U16(at))) {
      Fail(why, "item id list cut short");
      return std::nullopt;
    }
    at += 2 + r.U16(at);
  }
  if (link.flags & kLinkHasLinkInfo) {
    if (!r.Has(at, 4) || r.U32(at) < 4 || !r.Has(at, r.U32(at))) {
      Fail(why, "link information cut short");
      return std::nullopt;
    }
    uint32_t size = r.U32(at);
    if (!ParseLinkInfo(Reader(r.Bytes(at, size)), link, why)) return std::nullopt;
    at += size;
  }
  bool unicode = link.flags & kLinkIsUnicode;
  std::string* targets[] = {&link.description, &link.relativePath, &link.workingDirectory,
                            &link.arguments, &link.iconLocation};
  const uint32_t bits[] = {kLinkHasName, kLinkHasRelativePath, kLinkHasWorkingDir,
                           kLinkHasArguments, kLinkHasIconLocation};
  for (size_t k = 0; k < 5; ++k) {
    if (!(link.flags & bits[k])) continue;
    if (!r.Has(at, 2)) {
      Fail(why, "string data cut short");
      return std::nullopt;
    }
    size_t count = r.U16(at);
    size_t bytesLen = unicode ? count * 2 : count;
    if (!r.Has(at + 2, bytesLen)) {
      Fail(why, "string data cut short");
      return std::nullopt;
    }
    if (unicode) {
      std::u16string w;
      for (size_t i = 0; i < count; ++i) w.push_back(r.U16(at + 2 + 2 * i));
      *targets[k] = FromUtf16(w);
    } else {
      *targets[k] = FromCp1252(r.Bytes(at + 2, count));
    }
    at += 2 + bytesLen;
  }
  // Extra data blocks carry nothing we use.
  return link;
}

std::string LinkTargetPath(const ShellLinkData& link, bool preferNetwork) {
  if (preferNetwork && !link.networkPath.empty()) return link.networkPath;
  return link.localPath.empty() ? link.networkPath : link.localPath;
}

std::string RelativeLinkPath(std::string_view linkFile, std::string_view target) {
  std::string root = RootOf(linkFile);
  if (root.empty() || root != RootOf(target)) return {};
  std::vector<std::string> from = Components(linkFile), to = Components(target);
  if (from.empty() || to.empty()) return {};
  from.pop_back();  // the link's own name
  size_t common = 0;
  while (common < from.size() && common < to.size() - 1 &&
         SameIgnoringAsciiCase(from[common], to[common]))
    ++common;
  if (root != "/" && common == 0) return {};  // the drive itself differs
  std::string rel;
  if (common == from.size()) {
    rel = ".";
  } else {
    for (size_t i = common; i < from.size(); ++i) rel += i == common ? ".." : "\\..";
  }
  for (size_t i = common; i < to.size(); ++i) rel += "\\" + to[i];
  return rel;
}

}  // namespace platform
