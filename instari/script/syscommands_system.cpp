// Drives, environment, versions, directories, waiting, text search,
// network connections and mail.

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "instari/script/syscommands.h"
#include "platform/fileversion.h"
#include "platform/mail.h"
#include "platform/netconn.h"
#include "platform/paths.h"
#include "platform/volume.h"
#include "platform/winerror.h"

extern char** environ;

namespace instari::script::sys {

namespace {

// Lines of scanfile are read in pieces of at most this many characters.
constexpr size_t kScanPiece = 598;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Host directory of the drive named by the first character of x.
std::string DriveRoot(const std::string& x) {
  if (x.empty()) return {};
  return platform::HostPath(std::string(1, Upper(x[0])) + ":\\");
}

Outcome DiskSize(Interpreter& in, TokenBuffer& t, bool free) {
  if (!FunctionShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  std::optional<platform::DiskSpace> space = platform::DiskSpaceOf(DriveRoot(*x));
  if (!space) return Flags(in, false);
  return Result(in, t.texts[0], std::to_string(free ? space->freeBytes : space->totalBytes));
}
Outcome GetDiskSize(Interpreter& in, TokenBuffer& t) { return DiskSize(in, t, false); }
Outcome GetDiskSizeFree(Interpreter& in, TokenBuffer& t) { return DiskSize(in, t, true); }

Outcome GetDiskName(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  char letter = x->empty() ? 0 : Upper((*x)[0]);
  if (letter < 'A' || letter > 'Z') {
    in.ReportError("Bitte einen Laufwerksbuchstaben (A-->Z).");
    return Outcome::kDone;
  }
  if (std::optional<std::string> remote = platform::NetworkConnection(std::string(1, letter)))
    return Result(in, t.texts[0], *remote);
  std::string root = DriveRoot(*x);
  if (root.empty() || access(root.c_str(), F_OK) != 0) {
    in.SetField(t.texts[0], "");
    return Flags(in, false);
  }
  return Result(in, t.texts[0], platform::VolumeLabelOf(root).value_or(""));
}

Outcome GetEnvironmentVariable(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  // __ALL__ is written as a name; it stands for itself unless a field has it
  std::optional<std::string> x;
  if (t.kinds[3] == kIdentifier && t.texts[3] == "__ALL__" && !in.GetField(t.texts[3]))
    x = t.texts[3];
  else
    x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  if (*x == "__ALL__") {
    std::string all;
    for (char** e = environ; e && *e; ++e) {
      all += *e;
      all += '\n';
    }
    return Result(in, t.texts[0], all);
  }
  const char* value = getenv(x->c_str());
  if (!value) return Flags(in, false);
  return Result(in, t.texts[0], value);
}

Outcome GetVersion(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 3);
  if (!x) return Outcome::kDone;
  std::string block;
  switch (platform::GetFileVersionInfo(platform::HostPath(*x), &block)) {
    case platform::VersionInfoStatus::kMissingFile:
      return Flags(in, false);
    case platform::VersionInfoStatus::kNoVersionInfo:
      return Result(in, t.texts[0], "");
    case platform::VersionInfoStatus::kFound:
      break;
  }
  std::string language = "040904E4";
  if (auto translation = platform::FirstTranslation(block)) {
    char buffer[16];
    snprintf(buffer, sizeof buffer, "%04x%04x", translation->first, translation->second);
    language = buffer;
  }
  std::optional<std::string> version =
      platform::VerQueryValue(block, "\\StringFileInfo\\" + language + "\\ProductVersion");
  if (!version) return Flags(in, false);
  return Result(in, t.texts[0], *version);
}

Outcome Pwd(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  std::string dir(4096, '\0');
  while (!getcwd(dir.data(), dir.size())) {
    if (errno != ERANGE || dir.size() > (1u << 20)) return Flags(in, false);
    dir.resize(dir.size() * 2);
  }
  dir.resize(strlen(dir.c_str()));
  return Result(in, t.texts[0], dir);
}

Outcome Cd(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  std::string host = platform::HostPath(*x);
  return Flags(in, !host.empty() && chdir(host.c_str()) == 0);
}

Outcome Sleep(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  long long ms = LeadingInteger(*x);
  using Clock = std::chrono::steady_clock;
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
  // the window keeps answering while the script waits
  for (;;) {
    in.Ui().DispatchPending();
    Clock::time_point now = Clock::now();
    if (now >= end || in.Ui().CancelRequested()) break;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(end - now, std::chrono::milliseconds(20)));
  }
  in.SetSuccess();
  return Outcome::kDone;
}

Outcome ScanFile(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 7)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 3);
  if (!v) return Outcome::kDone;
  const std::string& pattern = (*v)[3];
  long long column = LeadingInteger((*v)[1]);
  long long length = LeadingInteger((*v)[2]);
  if (column < 1) column = 1;
  if (length < 1) length = 1;
  std::string host = platform::HostPath((*v)[0]);
  FILE* f = host.empty() ? nullptr : fopen(host.c_str(), "r");
  if (f) {
    char buffer[kScanPiece + 1];
    while (fgets(buffer, sizeof buffer, f)) {
      std::string line = buffer;
      if (!line.empty() && line.back() == '\n') line.pop_back();
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // as a C comparison of at most length characters that stops at the
      // end of either text; a column past the line's end compares ""
      std::string_view from = static_cast<size_t>(column - 1) < line.size()
                                  ? std::string_view(line).substr(column - 1)
                                  : std::string_view();
      size_t n = static_cast<size_t>(length);
      std::string_view a = from.substr(0, n), b = std::string_view(pattern).substr(0, n);
      if (a == b) {
        fclose(f);
        return Result(in, t.texts[0], line);
      }
    }
    fclose(f);
  }
  in.SetField(t.texts[0], " ");
  return Flags(in, false);
}

Outcome AddNetworkConnection(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 3) && !StatementShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  std::string password = v->size() > 2 ? (*v)[2] : "";
  int32_t rc = platform::AddNetworkConnection((*v)[0], (*v)[1], password);
  return Flags(in, rc == platform::ERROR_SUCCESS || rc == platform::ERROR_ALREADY_ASSIGNED);
}

Outcome CancelNetworkConnection(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  return Flags(in, platform::CancelNetworkConnection(*x) == platform::ERROR_SUCCESS);
}

Outcome SendMail(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  platform::MailMessage m{(*v)[0], (*v)[1], (*v)[2], {}};
  auto idle = [&in] { in.Ui().DispatchPending(); };
  using platform::MailOutcome;
  MailOutcome direct = platform::SendMailDirect(m, idle);
  if (direct == MailOutcome::kSent) return Flags(in, true);
  MailOutcome composed = platform::ComposeMail(m, idle);
  if (composed == MailOutcome::kSent) return Flags(in, true);
  const char* message = "\"Nachricht senden\" scheiterte beim Senden der Nachricht.";
  if (direct == MailOutcome::kToolMissing && composed == MailOutcome::kToolMissing)
    message = "Systemunterstützung für elektronische Post kann nicht geladen werden.";
  else if (composed == MailOutcome::kToolInvalid ||
           (composed == MailOutcome::kToolMissing && direct == MailOutcome::kToolInvalid))
    message = "Die System-DLL für elektronische Post ist ungültig.";
  in.Ui().MessageBox(message, in.Ui().ApplicationTitle(), mb::kOk | mb::kIconHand);
  return Flags(in, false);
}

}  // namespace

void AddSystemValueCommands(CommandTable& table) {
  table.AddFunction(kw_getdisksize, GetDiskSize);
  table.AddFunction(kw_getdisksizefree, GetDiskSizeFree);
  table.AddFunction(kw_getdiskname, GetDiskName);
  table.AddFunction(kw_getenvironmentvariable, GetEnvironmentVariable);
  table.AddFunction(kw_getversion, GetVersion);
  table.AddFunction(kw_pwd, Pwd);
  table.AddStatement(kw_cd, Cd);
  table.AddStatement(kw_sleep, Sleep);
  table.AddFunction(kw_scanfile, ScanFile);
  table.AddStatement(kw_addnetworkconnection, AddNetworkConnection);
  table.AddStatement(kw_cancelnetworkconnection, CancelNetworkConnection);
  table.AddStatement(kw_sendmail, SendMail);
}

}  // namespace instari::script::sys
