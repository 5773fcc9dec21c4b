#include "instari/script/interpreter.h"

#include <sys/stat.h>

#include <errno.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "instari/script/evaluate.h"
#include "platform/paths.h"
#include "platform/utf8.h"

namespace instari::script {

namespace {

// Includes nest at most this deep; a file that includes itself would
// otherwise recurse until the stack ends.
constexpr int kMaxIncludeDepth = 16;
// Scripts larger than this are refused: no installation script is, and a
// mistaken name (an image, a disk) must not be read into memory.
constexpr off_t kMaxScriptBytes = off_t{64} << 20;
// Percent substitution stops re-scanning after this many names, so a value
// that refers to itself cannot loop for ever.
constexpr int kMaxSubstitutions = 100;
// A physical line is read in pieces of at most this many characters.
constexpr int kReadPiece = 598;

// Bounds of a run whose error reports no one answers: the same statement
// failing this often is a loop that will not get better, and a log this
// size holds nothing more worth reading.
constexpr int kMaxRepeatedErrors = 10;
constexpr int kMaxUnansweredErrors = 1000;
constexpr long kMaxErrorLogBytes = 1L << 20;

std::string MissingField(std::string_view name) {
  return "Feld: '" + std::string(name) + "' ist nicht definiert.";
}

std::string CutToSlot(std::string s) {
  if (s.size() >= kTokenSize) s = std::string(platform::Utf8Prefix(s, kTokenSize - 1));
  return s;
}

// The file-name part after the last separator.
std::string_view BaseName(std::string_view name) {
  size_t slash = name.find_last_of("\\/");
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// "/c" and one separator start the one-line mode. Here absolute paths begin
// with '/' too, so "/cdrom/setup.inf" or "/c/setup.inf" name a script: a
// character that can go on a file name is not taken as the separator.
bool IsOneLineArgument(std::string_view arg) {
  if (arg.substr(0, 2) != "/c") return false;
  if (arg.size() == 2) return true;
  unsigned char sep = static_cast<unsigned char>(arg[2]);
  return !(isalnum(sep) || sep >= 0x80 || strchr("/._-~+", sep));
}

}  // namespace

std::string DateStamp(const std::tm& t) {
  char buffer[64];
  snprintf(buffer, sizeof buffer, "%02d-%02d-%02d %02d:%02d:%02d", t.tm_year, t.tm_mon + 1,
           t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

// ---------------------------------------------------------------- table

void CommandTable::AddStatement(int keyword, CommandHandler h) {
  if (IsKeyword(keyword)) statements_[keyword - kFirstKeyword] = h;
}
void CommandTable::AddFunction(int keyword, CommandHandler h) {
  if (IsKeyword(keyword)) functions_[keyword - kFirstKeyword] = h;
}
CommandHandler CommandTable::Statement(int keyword) const {
  return IsKeyword(keyword) ? statements_[keyword - kFirstKeyword] : nullptr;
}
CommandHandler CommandTable::Function(int keyword) const {
  return IsKeyword(keyword) ? functions_[keyword - kFirstKeyword] : nullptr;
}

void AddCoreCommands(CommandTable& table) {
  AddControlCommands(table);
  AddStringCommands(table);
  AddDateCommands(table);
  AddFileCommands(table);
  AddSystemCommands(table);
}

CommandTable CoreCommands() {
  CommandTable t;
  AddCoreCommands(t);
  return t;
}

// ---------------------------------------------------------------- fields

Interpreter::Interpreter(InstallerUi& ui, SystemFacts& facts, CommandTable commands)
    : ui_(ui), facts_(facts), commands_(commands) {}

std::string Interpreter::ResolveName(std::string_view name) {
  if (name.find('[') == std::string_view::npos) return std::string(name);
  std::string out;
  size_t pos = 0;
  while (pos < name.size()) {
    size_t open = name.find('[', pos);
    if (open == std::string_view::npos) {
      out.append(name.substr(pos));
      break;
    }
    size_t close = name.find(']', open + 1);
    if (close == std::string_view::npos) {
      out.append(name.substr(pos, open - pos));  // a '[' without ']' cuts the name
      break;
    }
    out.append(name.substr(pos, open + 1 - pos));
    std::string_view sub = name.substr(open + 1, close - open - 1);
    size_t first = sub.find_first_not_of(' ');
    sub = first == std::string_view::npos ? std::string_view() : sub.substr(first);
    long long index = 0;
    if (!sub.empty() && sub[0] >= '0' && sub[0] <= '9') {
      index = LeadingInteger(sub);
    } else {
      std::string_view fieldName = sub.substr(0, sub.find(' '));
      if (const std::string* v = fields_.Find(fieldName))
        index = LeadingInteger(*v);
      else
        ReportError(MissingField(fieldName));
    }
    out += std::to_string(index);
    out += ']';
    pos = close + 1;
  }
  return out;
}

const std::string* Interpreter::GetField(std::string_view name) {
  if (name.find('[') == std::string_view::npos) return fields_.Find(name);
  return fields_.Find(ResolveName(name));
}

void Interpreter::SetField(std::string_view name, std::string_view value) {
  if (name.find('[') == std::string_view::npos)
    fields_.Set(name, value);
  else
    fields_.Set(ResolveName(name), value);
}

std::optional<std::string> Interpreter::OperandValue(const TokenBuffer& t, int i) {
  if (t.kinds[i] == kLiteral) return t.texts[i];
  if (const std::string* v = GetField(t.texts[i])) return *v;
  ReportError(MissingField(t.texts[i]));
  return std::nullopt;
}

void Interpreter::SetSuccess() {
  fields_.Set("__error__", "1");
  fields_.Set("__Error__", "0");
}

void Interpreter::SetFailure() {
  fields_.Set("__error__", "0");
  fields_.Set("__Error__", "1");
}

void Interpreter::Abort(int code) {
  if (!aborted_) exitCode_ = code;
  aborted_ = true;
}

// ---------------------------------------------------------------- errors

int Interpreter::ReportError(const std::string& message) {
  // after a Cancel nothing more is asked
  if (ui_.CancelRequested()) Abort(1);
  if (aborted_) return 0;
  std::string report = checking_ ? "Syntax-Check: " : "Runtime-Error: ";
  if (args_.size() > 1) report += args_[1];
  report += "\n\n";
  int count = static_cast<int>(program_.size());
  int index = index_;
  int from = index - 5 < 0 ? 0 : index - 5;
  for (int i = from; i < from + 8 && i < count; ++i) {
    char number[32];
    snprintf(number, sizeof number, "     %02d", program_[i].lineNumber);
    report += number;
    report += ":   ";
    report += program_[i].text;
    report += "\n";
    if (i == index) report += ">>>>>> " + message + "\n";
  }
  // a report outside the program (reading, one-liners) still names the message
  if (index < 0 || index >= count) report += ">>>>>> " + message + "\n";

  AppendToErrorLog(DateStamp(facts_.LocalTime()) + "\n" + report + "\n");
  int answer = ui_.MessageBox(report, ui_.ApplicationTitle(), mb::kOkCancel | mb::kIconQuestion);
  if (answer == id::kCancel) {
    Abort(1);
    return 0;
  }
  ++errorReports_;
  SetFailure();
  // With no one to answer, OK would let a failing loop run for ever.
  if (ui_.Unattended()) {
    size_t at = index < 0 ? 0 : static_cast<size_t>(index) + 1;
    if (unansweredAt_.size() <= at) unansweredAt_.resize(at + 1);
    int line = index >= 0 && index < count ? program_[index].lineNumber : 0;
    char why[200];
    if (onError_ == OnError::kStop) {
      snprintf(why, sizeof why, "stopped at the first error (line %d), no one to answer", line);
      StopUnattended(why);
    } else if (++unansweredAt_[at] >= kMaxRepeatedErrors) {
      snprintf(why, sizeof why,
               "stopped: the statement in line %d failed %d times with no one to answer", line,
               unansweredAt_[at]);
      StopUnattended(why);
    } else if (++unanswered_ >= kMaxUnansweredErrors || logBytes_ >= kMaxErrorLogBytes) {
      snprintf(why, sizeof why, "stopped: %d error reports with no one to answer", unanswered_);
      StopUnattended(why);
    }
  }
  return 0;
}

// Appends to instari.err in the Windows directory; one run writes at most
// kMaxErrorLogBytes of reports, then one line that says so.
void Interpreter::AppendToErrorLog(const std::string& text, bool always) {
  if (logBytes_ > kMaxErrorLogBytes && !always) return;
  std::string entry = text;
  if (!always && logBytes_ + static_cast<long>(text.size()) > kMaxErrorLogBytes) {
    entry = DateStamp(facts_.LocalTime()) + "\nfurther error reports of this run are not logged\n";
    logBytes_ = kMaxErrorLogBytes + 1;
  } else {
    logBytes_ += static_cast<long>(text.size());
  }
  std::string log = platform::WindowsDirectory() + "/instari.err";
  if (FILE* f = fopen(log.c_str(), "a")) {
    fputs(entry.c_str(), f);
    fclose(f);
  }
}

void Interpreter::StopUnattended(const std::string& reason) {
  stopReason_ = reason;
  AppendToErrorLog(DateStamp(facts_.LocalTime()) + "\n" + reason + "\n", true);
  Abort(3);
}

void Interpreter::TooManyTokens() {
  ui_.MessageBox("zu viele Parameter je Zeile", ui_.ApplicationTitle(), mb::kOk);
  Abort(1);
}

// ---------------------------------------------------------------- reading

int Interpreter::ReadLine(std::string_view line, int lineNumber) {
  std::string current(line);
  for (;;) {
    if (aborted_) return 1;
    size_t newline = current.find('\n');
    if (newline != std::string::npos) current.resize(newline);
    for (char& c : current)
      if (c == '\t') c = ' ';
    size_t first = current.find_first_not_of(' ');
    if (first == std::string::npos) return 0;
    std::string_view rest = std::string_view(current).substr(first);

    TokenBuffer buf;
    bool inComment = blockComment_;
    if (!Tokenize(rest, buf, blockComment_)) {
      TooManyTokens();
      return 1;
    }
    if (!inComment && blockComment_) blockCommentLine_ = lineNumber;
    if (blockComment_) return 0;
    int kind = buf.kinds[0];
    if (kind == kEol || kind == kBlockComment) return 0;
    if (kind == kw_eof) return 1;
    if (kind == kw_include && buf.kinds[1] == kLiteral)
      return ReadScriptFile(buf.texts[1], lineNumber) ? 0 : 1;

    int semicolon = -1;
    for (int i = 0; i < buf.count; ++i) {
      if (buf.kinds[i] == ';') {
        semicolon = i;
        break;
      }
    }
    if (semicolon < 0) {
      program_.push_back({std::string(rest), -1, -1, -1, kind, lineNumber});
      return 0;
    }
    // Rebuilt texts are re-escaped, so a split statement means what it said.
    auto rebuild = [&buf](int from, int to) {
      std::string text;
      for (int i = from; i < to; ++i) {
        text += buf.kinds[i] == kLiteral ? QuoteLiteral(buf.texts[i]) : buf.texts[i];
        text += ' ';
      }
      return text;
    };
    if (semicolon > 0) program_.push_back({rebuild(0, semicolon), -1, -1, -1, kind, lineNumber});
    current = rebuild(semicolon + 1, buf.count);
  }
}

bool Interpreter::ReadScriptFile(const std::string& name, std::optional<int> includeLine,
                                 bool* opened) {
  std::string host = platform::HostPath(name);
  FILE* f = nullptr;
  std::string reason;
  if (includeDepth_ >= kMaxIncludeDepth) {
    reason = "include nested too deeply";
  } else {
    f = host.empty() ? nullptr : fopen(host.c_str(), "r");
    if (!f) reason = strerror(host.empty() ? ENOENT : errno);
  }
  // a script is a regular file of a sane size: a device or a pipe could be
  // read for ever, and a folder reads as nothing at all
  struct stat st {};
  if (f && fstat(fileno(f), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      reason = strerror(EISDIR);
    } else if (!S_ISREG(st.st_mode)) {
      reason = "not a regular file";
    } else if (st.st_size > kMaxScriptBytes) {
      reason = "larger than " + std::to_string(kMaxScriptBytes >> 20) + " MiB";
    }
    if (!reason.empty()) {
      fclose(f);
      f = nullptr;
    }
  }
  if (!f) {
    ui_.MessageBox("Error open file: " + name + "\n[" + reason + "]", ui_.ApplicationTitle(),
                   mb::kOk);
    return false;
  }
  if (opened) *opened = true;
  ++includeDepth_;
  char buffer[kReadPiece + 1];
  int number = 0;
  while (fgets(buffer, sizeof buffer, f)) {
    ++number;
    size_t n = strlen(buffer);
    if (n > 0 && buffer[n - 1] == '\n') buffer[--n] = 0;
    if (n > 0 && buffer[n - 1] == '\r') buffer[--n] = 0;
    std::string_view line(buffer, n);
    // many editors start a UTF-8 file with a byte-order mark
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    if (ReadLine(line, includeLine ? *includeLine : number) != 0) break;
  }
  --includeDepth_;
  fclose(f);
  return !aborted_;
}

// ---------------------------------------------------------------- run

int Interpreter::RunScript(const std::vector<std::string>& args) {
  args_ = args;
  program_.clear();
  fields_.Clear();
  handles_.CloseAll();
  aborted_ = false;
  exitCode_ = 0;
  errorReports_ = 0;
  blockComment_ = false;
  stopReason_.clear();
  unansweredAt_.clear();
  unanswered_ = 0;
  logBytes_ = 0;
  index_ = -1;
  backgroundCreated_ = false;

  fields_.Set("__ARGC__", std::to_string(args.size()));
  for (size_t i = 0; i < args.size(); ++i)
    fields_.Set("__ARGV__[" + std::to_string(i) + "]", args[i]);

  if (args.size() > 1 && IsOneLineArgument(args[1])) {
    fields_.Set("__InstariFileName__", "/c");
    CreateStartFields();
    ReadLine(args[1].size() > 3 ? std::string_view(args[1]).substr(3) : std::string_view(), 1);
  } else {
    std::string fileName = args.size() > 1 ? args[1] : "instari.inf";
    if (args.size() > 2) {
      std::string dir = platform::HostPath(args[2]);
      if (dir.empty() || chdir(dir.c_str()) != 0) {
        ui_.MessageBox("Error open directory: " + args[2] + "\n[" + strerror(errno) + "]",
                       ui_.ApplicationTitle(), mb::kOk);
        return 2;
      }
    }
    fields_.Set("__InstariFileName__", fileName);
    ui_.Progress().status = "Read Inf-File: " + fileName;
    ui_.RefreshStatus();
    CreateStartFields();
    if (BaseName(fileName).find(".inz") == std::string_view::npos) {
      bool opened = false;
      ReadScriptFile(fileName, std::nullopt, &opened);
      if (!opened) return 2;  // nothing is checked or run
    }
  }
  if (aborted_) return exitCode_;
  // A "/*" never closed hides the rest of the script; left set, it would
  // also turn every statement read before it into a comment.
  if (blockComment_) {
    blockComment_ = false;
    checking_ = true;
    char message[96];
    snprintf(message, sizeof message, "Kommentar ab Zeile %d wird nicht mit */ beendet.",
             blockCommentLine_);
    ReportError(message);
    if (aborted_) return exitCode_;
  }

  int count = static_cast<int>(program_.size());
  ui_.Progress().status = "Syntax-Check";
  ui_.RefreshStatus();
  checking_ = true;
  for (index_ = 0; index_ < count && !aborted_; ++index_) {
    if (!TokenizeStatement(program_[index_].text, tokens_)) break;
    Execute(tokens_);
  }
  checking_ = false;
  for (index_ = 0; index_ < count && !aborted_; ++index_) {
    ui_.Progress().overall = static_cast<int>(static_cast<long long>(index_) * 100 / count);
    if (!TokenizeStatement(program_[index_].text, tokens_)) break;
    if (Execute(tokens_) != 0) break;
  }
  // a Cancel during the last statement still ends the run as cancelled
  if (ui_.CancelRequested()) Abort(1);
  handles_.CloseAll();
  ui_.CloseBackground();
  // fields and statements stay readable until the next run or the end of the
  // interpreter, so a caller can look at the outcome
  return aborted_ ? exitCode_ : 0;
}

bool Interpreter::TokenizeStatement(const std::string& text, TokenBuffer& t) {
  if (Tokenize(text, t, blockComment_)) return true;
  TooManyTokens();
  return false;
}

// ---------------------------------------------------------------- preparing

void Interpreter::SetLateFields(const TokenBuffer& t) {
  bool date = false, ip = false, adapter = false, host = false, user = false;
  for (int i = 0; i < t.count; ++i) {
    const std::string& s = t.texts[i];
    if (s.find("__") == std::string::npos) continue;
    date |= s.find("__Date__") != std::string::npos;
    ip |= s.find("__IpAdresse__") != std::string::npos;
    adapter |= s.find("__Netzadapter__") != std::string::npos;
    host |= s.find("__Hostname__") != std::string::npos;
    user |= s.find("__UserName__") != std::string::npos;
  }
  if (date) fields_.Set("__Date__", DateStamp(facts_.LocalTime()));
  if (ip && !lateIp_) {
    lateIp_ = true;
    fields_.Set("__IpAdresse__", facts_.IpAdresse());
  }
  if (adapter && !lateAdapter_) {
    lateAdapter_ = true;
    fields_.Set("__Netzadapter__", facts_.Netzadapter());
  }
  if (host && !lateHost_) {
    lateHost_ = true;
    fields_.Set("__Hostname__", facts_.Hostname());
  }
  if (user && !lateUser_) {
    lateUser_ = true;
    std::optional<std::string> name = facts_.NetworkUserName();
    std::string value = " ";
    if (name && !name->empty()) {
      value = std::string(platform::Utf8Prefix(*name, 100));
      for (char& c : value)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    fields_.Set("__UserName__", value);
  }
}

void Interpreter::CollapseGroup(TokenBuffer& t) {
  int open = -1, close = -1, depth = 0;
  for (int i = 0; i < t.count; ++i) {
    if (t.kinds[i] == '(') {
      if (open < 0) open = i;
      ++depth;
    } else if (t.kinds[i] == ')') {
      if (--depth < 0) return;  // a ')' before its '('
      close = i;
    }
  }
  if (open < 0 || depth != 0 || close < open) return;
  std::string joined;
  for (int i = open; i <= close; ++i) {
    const std::string* v = nullptr;
    if (t.kinds[i] == kIdentifier && !checking_) v = GetField(t.texts[i]);
    joined += v ? *v : t.texts[i];
  }
  if (!checking_) {
    EvalResult r = Evaluate(joined);
    if (r.code != kEvalOk) return;
    joined = FormatWhole(r.value);
  }
  t.kinds[open] = kLiteral;
  t.texts[open] = CutToSlot(std::move(joined));
  t.grouped[open] = true;
  int shift = close - open;
  for (int i = close + 1; i <= t.count; ++i) {
    t.kinds[i - shift] = t.kinds[i];
    std::swap(t.texts[i - shift], t.texts[i]);
    t.grouped[i - shift] = t.grouped[i];
  }
  t.count -= shift;
}

void Interpreter::SubstitutePercents(std::string& text) {
  size_t pos = 0;
  int substitutions = 0;
  while (pos < text.size()) {
    size_t first = text.find('%', pos);
    if (first == std::string::npos) break;
    size_t second = text.find('%', first + 1);
    if (second == std::string::npos) break;  // a single '%' stays
    if (second == first + 1) {
      text.erase(first, 1);  // "%%" is one '%'
      pos = first + 1;
      continue;
    }
    if (substitutions >= kMaxSubstitutions || text.size() >= kTokenSize) break;
    ++substitutions;
    std::string name = text.substr(first + 1, second - first - 1);
    const std::string* v = GetField(name);
    std::string value = v ? *v : std::string();
    text.replace(first, second - first + 1, value);
    pos = first;  // a substituted value is searched again
  }
  text = CutToSlot(std::move(text));
}

void Interpreter::Prepare(TokenBuffer& t) {
  SetLateFields(t);
  CollapseGroup(t);
  for (int i = 0; i < t.count; ++i)
    if (t.kinds[i] == kLiteral && t.texts[i].find('%') != std::string::npos)
      SubstitutePercents(t.texts[i]);
  std::string& status = ui_.Progress().status;
  status.clear();
  for (int i = 0; i < t.count; ++i) {
    if (i) status += ' ';
    status += t.texts[i];
  }
  if (dialogLogging_) {
    ui_.RefreshStatus();
    ui_.DispatchPending();
  }
}

// ---------------------------------------------------------------- executing

int Interpreter::Execute(TokenBuffer& t) {
  if (ui_.CancelRequested()) Abort(1);
  if (checking_)
    CollapseGroup(t);
  else
    Prepare(t);
  if (aborted_) return 1;
  if (t.kinds[0] == kw_exit) return 1;
  return Dispatch(t) == Outcome::kExit ? 1 : 0;
}

Outcome Interpreter::Dispatch(TokenBuffer& t) {
  Outcome o = Assignment(t);
  if (o != Outcome::kNoMatch) return o;

  int first = t.kinds[0];
  if (IsKeyword(first)) {
    CommandHandler h = commands_.Statement(first);
    if (!h) {
      ReportError("Kommando unbekannt.");
      return Outcome::kDone;
    }
    o = h(*this, t);
    if (o != Outcome::kNoMatch) return o;
  } else if (first == kLabel) {
    return Outcome::kDone;
  } else if (first == kIdentifier && t.kinds[1] == '=' && IsKeyword(t.kinds[2])) {
    CommandHandler h = commands_.Function(t.kinds[2]);
    if (!h) {
      ReportError("Kommando unbekannt.");
      return Outcome::kDone;
    }
    o = h(*this, t);
    if (o != Outcome::kNoMatch) return o;
  }

  if (t.texts[0] == "//") return Outcome::kDone;
  if (first == kIdentifier && t.kinds[1] == '=') return ExpressionAssignment(t);
  ReportError("Kommando unbekannt.");
  return Outcome::kDone;
}

Outcome Interpreter::Assignment(TokenBuffer& t) {
  if (t.kinds[0] != kIdentifier) return Outcome::kNoMatch;
  const std::string& target = t.texts[0];

  // F++ and F--
  if (t.count == 3 && (t.kinds[1] == '+' || t.kinds[1] == '-') && t.kinds[2] == t.kinds[1]) {
    if (checking_) return Outcome::kDone;
    const std::string* v = GetField(target);
    if (!v) return ReportError(MissingField(target)), Outcome::kDone;
    if (!IsNumeric(*v))
      return ReportError("Wert: '" + target + "' ist nicht numerisch."), Outcome::kDone;
    double r = NumericValue(*v) + (t.kinds[1] == '+' ? 1 : -1);
    if (!std::isfinite(r)) return ReportError(EvalErrorMessage(kEvalMath)), Outcome::kDone;
    SetField(target, FormatWhole(r));
    return Outcome::kDone;
  }

  // F op= x
  if (t.count == 4 && t.kinds[1] < 128 && t.kinds[1] > 0 && strchr("+-*/|&%", t.kinds[1]) &&
      t.kinds[2] == '=' && IsOperand(t.kinds[3])) {
    if (checking_) return Outcome::kDone;
    const std::string* v = GetField(target);
    if (!v) return ReportError(MissingField(target)), Outcome::kDone;
    if (!IsNumeric(*v))
      return ReportError("Wert: '" + target + "' ist nicht numerisch."), Outcome::kDone;
    double a = NumericValue(*v);
    std::optional<std::string> x = OperandValue(t, 3);
    if (!x) return Outcome::kDone;
    if (!IsNumeric(*x))
      return ReportError("Wert: '" + t.texts[3] + "' ist nicht numerisch."), Outcome::kDone;
    double b = NumericValue(*x);
    double r = 0;
    switch (t.kinds[1]) {
      case '+':
        r = a + b;
        break;
      case '-':
        r = a - b;
        break;
      case '*':
        r = a * b;
        break;
      case '/':
        if (b == 0) return ReportError(EvalErrorMessage(kEvalDivisionByZero)), Outcome::kDone;
        r = a / b;
        break;
      case '|':
        r = static_cast<uint32_t>(ToInt32(a) | ToInt32(b));
        break;
      case '&':
        r = static_cast<uint32_t>(ToInt32(a) & ToInt32(b));
        break;
      case '%': {
        long long ia = ToInt64(a), ib = ToInt64(b);
        if (ib == 0) return ReportError(EvalErrorMessage(kEvalDivisionByZero)), Outcome::kDone;
        r = ib == -1 ? 0 : static_cast<double>(ia % ib);
        break;
      }
    }
    // an overflow as the same sum in an expression reports it
    if (!std::isfinite(r)) return ReportError(EvalErrorMessage(kEvalMath)), Outcome::kDone;
    SetField(target, FormatWhole(r));
    return Outcome::kDone;
  }

  // F = 't' and F = G
  if (t.count == 3 && t.kinds[1] == '=' && IsOperand(t.kinds[2])) {
    if (checking_) return Outcome::kDone;
    std::optional<std::string> v = OperandValue(t, 2);
    if (v) SetField(target, *v);
    return Outcome::kDone;
  }
  return Outcome::kNoMatch;
}

Outcome Interpreter::ExpressionAssignment(TokenBuffer& t) {
  if (checking_) return Outcome::kDone;
  std::string joined;
  for (int i = 2; i < t.count; ++i) {
    if (t.kinds[i] == kIdentifier) {
      const std::string* v = GetField(t.texts[i]);
      joined += v ? *v : t.texts[i];
    } else if (t.kinds[i] == kLiteral && t.grouped[i]) {
      // a folded group keeps its parentheses: 2*(0-3) stays 2*(-3), ln(0) a call
      joined += "(" + t.texts[i] + ")";
    } else {
      joined += t.texts[i];
    }
  }
  EvalResult r = Evaluate(joined);
  if (r.code != kEvalOk) {
    ReportError(EvalErrorMessage(r.code));
    return Outcome::kDone;
  }
  SetField(t.texts[0], FormatWhole(r.value));
  return Outcome::kDone;
}

}  // namespace instari::script
