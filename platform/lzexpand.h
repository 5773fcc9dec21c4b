#pragma once
// LZ expansion of files packed by compress.exe (the SZDD format), standing
// in for LZOpenFile, LZCopy and GetExpandedName. A file without the SZDD
// header is copied as it is.
//
// Layout: the magic "SZDD\x88\xf0\x27\x33", mode 'A', the last character of
// the original name (0 when unknown), the expanded size as 32-bit little
// endian, then the data: a flag byte whose bits, least significant first,
// tell for each of the next eight items whether it is a literal byte (1) or
// a back reference (0) of two bytes: a 12-bit position in a 4096-byte ring
// (low eight bits in the first byte, high four in the high half of the
// second) and a length of (low half of the second byte) + 3. The ring
// starts filled with blanks and writing starts at 4096 - 16.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr size_t kSzddHeaderSize = 14;

struct SzddHeader {
  char lastChar = 0;  // the original name's last character, 0 when unknown
  uint32_t expandedSize = 0;
};

// The header of a compressed file from its first bytes; nullopt when the
// bytes do not start with the magic and mode 'A'.
std::optional<SzddHeader> ParseSzddHeader(std::string_view first);

// The name a file expands to: a name ending in '_' gets the stored last
// character back, in the case of the name's other letters. Other names are
// kept.
std::string ExpandedName(std::string_view name, const SzddHeader& header);

enum class LzResult {
  kOk,
  kReadError,   // reading the source failed (errno tells why)
  kWriteError,  // the sink refused bytes (errno tells why)
  kBadData,     // compressed data that do not give the stated size
};

// Where expanded bytes go; false stops the copy with kWriteError.
using LzSink = std::function<bool(const char* data, size_t n)>;

// Expands a whole compressed buffer (header included) into out.
LzResult ExpandSzddBuffer(std::string_view compressed, std::string* out);

// Copies the open source to the sink, expanding it when it is compressed.
// *written receives the number of bytes handed to the sink.
LzResult LzCopy(int sourceFd, const LzSink& sink, uint64_t* written);

// Copies the open source into the open target: expanded, or for an
// uncompressed source the fastest way the kernel offers. *written as above.
// size: the source's size when known (a small file is then read in one go).
LzResult LzCopyToFd(int sourceFd, int targetFd, uint64_t* written,
                    uint64_t size = UINT64_MAX);

// GetExpandedName: name, the caller's spelling of the file at hostPath,
// expanded when the file is compressed and kept otherwise; nullopt when the
// file cannot be opened or read (errno tells why).
std::optional<std::string> GetExpandedName(const std::string& hostPath, std::string_view name);

}  // namespace platform
