// Text files and directory searches. Their handles are numbers of the
// interpreter's handle table.

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "instari/script/filecommands.h"
#include "platform/paths.h"

namespace instari::script::files {

namespace {

// fgets reads at most this many characters, fread at most that many bytes.
constexpr int kLine = 255;
constexpr long long kMaxRead = 259;

// Up to max characters of a text stream, CR LF read as LF, stopping after
// a line end when line is set. Empty at the end of the file.
std::string ReadText(FILE* f, size_t max, bool line) {
  std::string out;
  while (out.size() < max) {
    int c = getc(f);
    if (c == EOF) break;
    if (c == '\r') {
      int next = getc(f);
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        ungetc(next, f);
    }
    out += static_cast<char>(c);
    if (line && c == '\n') break;
  }
  return out;
}

// The handle number in the field named by token i: nullopt when the field is
// missing (reported) or holds no number (failure flags).
std::optional<long long> HandleOf(Interpreter& in, const TokenBuffer& t, int i) {
  std::optional<std::string> v = in.OperandValue(t, i);
  if (!v) return std::nullopt;
  std::optional<long long> h = ParseHandle(*v);
  if (!h) in.SetFailure();
  return h;
}

// The open stream of the handle in token i; null (failure flags set, or a
// missing field reported) otherwise.
FILE* StreamOf(Interpreter& in, const TokenBuffer& t, int i, long long* number = nullptr) {
  std::optional<long long> h = HandleOf(in, t, i);
  if (!h) return nullptr;
  FILE* f = *h ? in.Handles().Stream(*h) : nullptr;
  if (!f) in.SetFailure();
  if (number) *number = *h;
  return f;
}

// F = fopen name mode
Outcome FOpen(Interpreter& in, TokenBuffer& t) {
  if (t.count != 5 || !Id(t, 0) || !Op(t, 3) || !Op(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> name = in.OperandValue(t, 3);
  if (!name) return Outcome::kDone;
  std::optional<std::string> mode = in.OperandValue(t, 4);
  if (!mode) return Outcome::kDone;
  long long h;
  if (*name == "stdout") {
    h = in.Handles().AddStream(stdout, false);
  } else if (*name == "stdin") {
    h = in.Handles().AddStream(stdin, false);
  } else {
    // 't' asks for text mode elsewhere; here text mode is this file's own
    // reading of CR LF as a line end
    std::string m;
    for (char c : *mode)
      if (c != 't') m += c;
    std::string host = platform::HostPath(*name);
    FILE* f = host.empty() || m.empty() ? nullptr : fopen(host.c_str(), m.c_str());
    if (!f) {
      in.ReportError("Datei: '" + *name + "' kann nicht geöffnet werden.");
      return Outcome::kDone;
    }
    h = in.Handles().AddStream(f, true, m.find('b') != std::string::npos);
  }
  in.SetField(t.texts[0], std::to_string(h));
  in.SetSuccess();
  return Outcome::kDone;
}

// fclose h
Outcome FClose(Interpreter& in, TokenBuffer& t) {
  if (t.count != 2 || !Id(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<long long> h = HandleOf(in, t, 1);
  if (!h) return Outcome::kDone;
  if (*h != 0 && !in.Handles().CloseStream(*h)) {
    in.SetFailure();
    return Outcome::kDone;
  }
  in.SetSuccess();
  return Outcome::kDone;
}

// fputs h x
Outcome FPuts(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || !Id(t, 1) || !Op(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  FILE* f = StreamOf(in, t, 1);
  if (!f) return Outcome::kDone;
  std::optional<std::string> text = in.OperandValue(t, 2);
  if (!text) return Outcome::kDone;
  if (fwrite(text->data(), 1, text->size(), f) != text->size() || fflush(f) != 0) {
    clearerr(f);
    in.ReportError("Satz kann nicht geschrieben werden.");
    return Outcome::kDone;
  }
  in.SetSuccess();
  return Outcome::kDone;
}

// fgets h F
Outcome FGets(Interpreter& in, TokenBuffer& t) {
  if (t.count != 3 || !Id(t, 1) || !Id(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  long long number = 0;
  FILE* f = StreamOf(in, t, 1, &number);
  if (!f) return Outcome::kDone;
  std::string text;
  bool got;
  if (in.Handles().IsBinary(number)) {
    char buffer[kLine + 1];
    got = fgets(buffer, sizeof buffer, f) != nullptr;
    if (got) text = buffer;
  } else {
    text = ReadText(f, kLine, true);
    got = !text.empty();
  }
  if (!got) {
    // the end: the stream goes and the handle field says so
    in.Handles().CloseStream(number);
    in.SetField(t.texts[1], "0");
    in.SetFailure();
    return Outcome::kDone;
  }
  in.SetField(t.texts[2], text);
  in.SetSuccess();
  return Outcome::kDone;
}

// fread h F n
Outcome FRead(Interpreter& in, TokenBuffer& t) {
  if (t.count != 4 || !Id(t, 1) || !Id(t, 2) || !Op(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  long long number = 0;
  FILE* f = StreamOf(in, t, 1, &number);
  if (!f) return Outcome::kDone;
  std::optional<std::string> n = in.OperandValue(t, 3);
  if (!n) return Outcome::kDone;
  if (!IsNumeric(*n)) {
    in.ReportError("Wert: '" + t.texts[3] + "' ist nicht numerisch.");
    return Outcome::kDone;
  }
  long long want = std::clamp(LeadingInteger(*n), 0LL, kMaxRead);
  std::string text;
  if (in.Handles().IsBinary(number)) {
    char buffer[kMaxRead];
    text.assign(buffer, want > 0 ? fread(buffer, 1, static_cast<size_t>(want), f) : 0);
  } else {
    text = ReadText(f, static_cast<size_t>(want), false);
  }
  const size_t got = text.size();
  in.SetField(t.texts[2], text);
  // bytes read before the end still count; only a read that brought nothing
  // at the end fails
  if (got == 0 && want > 0)
    in.SetFailure();
  else
    in.SetSuccess();
  return Outcome::kDone;
}

void SetFound(Interpreter& in, const TokenBuffer& t, int nameToken, const platform::FindData& d) {
  in.SetField(t.texts[nameToken], d.name);
  if (nameToken + 1 < t.count) in.SetField(t.texts[nameToken + 1], d.IsDirectory() ? "1" : "0");
}

bool SearchShape(const TokenBuffer& t) {
  return (t.count == 5 || t.count == 6) && Id(t, 0) && Op(t, 3) && Id(t, 4) &&
         (t.count == 5 || Id(t, 5));
}

// H = findfirstfile pattern F [D]
Outcome FindFirstFile(Interpreter& in, TokenBuffer& t) {
  if (!SearchShape(t)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<std::string> pattern = in.OperandValue(t, 3);
  if (!pattern) return Outcome::kDone;
  platform::FindFile search;
  if (!search.First(*pattern, platform::DotEntries::kSkip)) {
    in.SetField(t.texts[4], "");
    in.SetField(t.texts[0], "0");
    in.SetFailure();
    return Outcome::kDone;
  }
  platform::FindData first = search.Data();
  long long h = in.Handles().AddSearch(std::move(search));
  SetFound(in, t, 4, first);
  in.SetField(t.texts[0], std::to_string(h));
  in.SetSuccess();
  return Outcome::kDone;
}

// H = findnextfile H F [D]
Outcome FindNextFile(Interpreter& in, TokenBuffer& t) {
  if (!SearchShape(t) || !Id(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<long long> h = HandleOf(in, t, 3);
  if (!h) return Outcome::kDone;
  if (*h == 0) {
    in.ReportError(">>>Fehler beim Aufruf<<<");
    return Outcome::kDone;
  }
  platform::FindFile* search = in.Handles().Search(*h);
  if (!search || !search->Next()) {
    // the end, or no search of that number: the search goes
    in.Handles().CloseSearch(*h);
    in.SetField(t.texts[4], "");
    in.SetField(t.texts[0], "0");
    in.SetFailure();
    return Outcome::kDone;
  }
  SetFound(in, t, 4, search->Data());
  in.SetField(t.texts[0], std::to_string(*h));
  in.SetSuccess();
  return Outcome::kDone;
}

// findfileclose H
Outcome FindFileClose(Interpreter& in, TokenBuffer& t) {
  if (t.count != 2 || !Id(t, 1)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::optional<long long> h = HandleOf(in, t, 1);
  if (!h) return Outcome::kDone;
  if (*h != 0 && !in.Handles().CloseSearch(*h)) {
    in.SetFailure();
    return Outcome::kDone;
  }
  in.SetSuccess();
  return Outcome::kDone;
}

}  // namespace

void AddTextFileCommands(CommandTable& table) {
  table.AddFunction(kw_fopen, FOpen);
  table.AddStatement(kw_fclose, FClose);
  table.AddStatement(kw_fputs, FPuts);
  table.AddStatement(kw_fgets, FGets);
  table.AddStatement(kw_fread, FRead);
  table.AddFunction(kw_findfirstfile, FindFirstFile);
  table.AddFunction(kw_findnextfile, FindNextFile);
  table.AddStatement(kw_findfileclose, FindFileClose);
}

}  // namespace instari::script::files
