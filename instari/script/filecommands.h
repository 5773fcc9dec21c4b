#pragma once
// Pieces shared by the file and directory commands: log handles, copy
// options and compare modes, the block copy, paths.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "instari/script/interpreter.h"
#include "platform/findfile.h"

namespace instari::script::files {

inline bool Op(const TokenBuffer& t, int i) { return Interpreter::IsOperand(t.kinds[i]); }
inline bool Id(const TokenBuffer& t, int i) { return t.kinds[i] == kIdentifier; }

// The shape "keyword x1 .. xn [h]": n operands, then an optional log
// handle identifier; and that handle's token (-1 without one).
bool OperandsThenLog(const TokenBuffer& t, int operands);
inline int LogToken(const TokenBuffer& t, int operands) {
  return t.count == operands + 2 ? operands + 1 : -1;
}

// The stream of the optional log handle at token i (i < 0 or past the end:
// none). A field of "0", or of a text that is no number, means no log.
// nullopt when the statement must stop:
// a missing field, or a number that is no open stream, was reported.
std::optional<FILE*> LogStream(Interpreter& in, const TokenBuffer& t, int i);

// One log line; nothing when f is null.
void Log(FILE* f, const char* format, ...) __attribute__((format(printf, 2, 3)));

// dir and name joined with the separator the directory is written with
// ('\' for DOS paths, '/' for host paths); no doubled separator.
std::string JoinPath(std::string_view dir, std::string_view name);
// Paths equal without regard to ASCII case, '\' and '/' alike, trailing
// separators ignored.
bool SamePath(std::string_view a, std::string_view b);

// Leaves text (with the system message of errnoValue unless it is 0) as the
// library's last error.
void RecordFailure(const std::string& text, int errnoValue);
std::string LastErrorText();

// The fields __<name>__[1], [2], ... up to the first missing index.
std::vector<std::string> ReadList(Interpreter& in, const char* name);

// Options after the two paths of the copy commands.
struct CopyOptions {
  int mode = 0;  // 0..3, plus 10 with ONLYDAY
  bool always = false;
  bool pack = false, unpack = false, packTo = false, exclude = false;
  bool deleteIfNoSource = false;
  int handleToken = -1;  // the log handle's token, -1 none
};
// Reads the options from token from on; false when a token before the
// handle is not an identifier. Any identifier that is no option is the log
// handle and ends the list (what follows it is not read). PACKTO, EXCLUDE
// and DELETE_IF_NO_SOURCE are options of directory copies only; for a file
// copy they name the handle like any other identifier.
bool ParseCopyOptions(const TokenBuffer& t, int from, CopyOptions* o, bool directoryCopy);
// Whether an existing destination must be replaced under the compare mode.
bool NeedsCopy(const platform::FindData& src, const platform::FindData& dst, const CopyOptions& o);

struct CopyStats {
  uint64_t bytes = 0;
  uint64_t milliseconds = 0;
};
// Copies src to dst (DOS or host paths) in 512-byte logical blocks with
// progress to the window, then gives dst the source's times. translate, when
// given, maps every byte. The destination is written under a temporary name
// and renamed over the old one, so a failed copy leaves it as it was.
// 1 on success, 0 on failure with the reason as the library's last error.
int BlockCopy(Interpreter& in, const std::string& src, const std::string& dst,
              const unsigned char* translate, CopyStats* stats);
// The same with the host paths already found; src and dst are the names
// the messages show. dstMissing: the caller has just seen that dst is not
// there (it is still replaced whole should it turn up).
int BlockCopyHost(Interpreter& in, const std::string& src, const std::string& dst,
                  const std::string& hostSrc, const std::string& hostDst,
                  const unsigned char* translate, CopyStats* stats, bool dstMissing = false);

// Moves a file (rename, or copy and delete across file systems); false with
// errno.
bool MoveOneFile(const std::string& hostSrc, const std::string& hostDst);

// The values of operands 1 and 2, source and target of the file commands;
// false when one cannot be had (only the first failure is reported).
bool SourceAndTarget(Interpreter& in, TokenBuffer& t, std::string* src, std::string* dst);

// Shows a status text at once.
void Status(Interpreter& in, const std::string& text);

// "1"/"0" style flags with a result code in __error__.
void SetResult(Interpreter& in, long long code, bool failed);

// Entries of a directory (no "." and ".."), sorted by name without regard
// to case; empty when it cannot be read.
std::vector<platform::FindData> ListDirectory(const std::string& dir);

// The expanding copy into a directory, as the library offers it.
using ExpandingCopy = int (*)(const char* source, const char* targetDirectory);
// copydir and its variants; lz null for the plain ones.
Outcome DirectoryCopy(Interpreter& in, TokenBuffer& t, bool recursive, ExpandingCopy lz);

void AddDirectoryCommands(CommandTable& table);
void AddTextFileCommands(CommandTable& table);
// The commands that stand on the library's dates and expanding copies.
void AddLibraryFileCommands(CommandTable& table);

}  // namespace instari::script::files
