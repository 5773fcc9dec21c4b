#include "platform/mail.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

extern char** environ;

namespace platform {

namespace {

std::string OneLine(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return r;
}

bool PlainAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80 || c < 0x20) return false;
  return true;
}

std::string Base64(const std::string& in) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(in[i]) << 16 | static_cast<uint8_t>(in[i + 1]) << 8 |
                 static_cast<uint8_t>(in[i + 2]);
    out += kDigits[v >> 18];
    out += kDigits[v >> 12 & 63];
    out += kDigits[v >> 6 & 63];
    out += kDigits[v & 63];
  }
  if (i < in.size()) {
    uint32_t v = static_cast<uint8_t>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<uint8_t>(in[i + 1]) << 8;
    out += kDigits[v >> 18];
    out += kDigits[v >> 12 & 63];
    out += i + 1 < in.size() ? kDigits[v >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

// Starts argv with stdin from inputFd (-1: inherited) and waits for it.
MailOutcome RunTool(const std::string& path, const std::vector<std::string>& argv, int inputFd,
                    const std::function<void()>& idle) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (inputFd >= 0) posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return MailOutcome::kToolInvalid;
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, idle ? WNOHANG : 0);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return MailOutcome::kFailed;
    if (done == 0) {
      idle();
      timespec pause{0, 20 * 1000 * 1000};
      nanosleep(&pause, nullptr);
    }
  }
  // 126 and 127: the program was found but could not be executed
  if (WIFEXITED(status) && (WEXITSTATUS(status) == 126 || WEXITSTATUS(status) == 127))
    return MailOutcome::kToolInvalid;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? MailOutcome::kSent : MailOutcome::kFailed;
}

}  // namespace

std::string FindOnPath(const std::string& name, bool* present) {
  if (present) *present = false;
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "";
  size_t pos = 0;
  while (pos <= dirs.size()) {
    size_t colon = dirs.find(':', pos);
    std::string dir =
        dirs.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
    pos = colon == std::string::npos ? dirs.size() + 1 : colon + 1;
    if (dir.empty()) continue;  // the current directory is never searched
    std::string candidate = dir + "/" + name;
    struct stat st;
    if (stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (present) *present = true;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::string MailWireText(const MailMessage& m) {
  std::string subject = OneLine(m.subject);
  if (!PlainAscii(subject)) subject = "=?UTF-8?B?" + Base64(subject) + "?=";
  std::string text = "To: " + OneLine(m.recipient) + "\n";
  text += "Subject: " + subject + "\n";
  text += "MIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n";
  text += "Content-Transfer-Encoding: 8bit\n\n";
  text += m.text;
  if (text.back() != '\n') text += '\n';
  return text;
}

std::string MailtoUri(const std::string& recipient) {
  std::string uri = "mailto:";
  for (unsigned char c : recipient) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '@' || c == '.' || c == '_' || c == '-' || c == '+';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      char hex[4];
      snprintf(hex, sizeof hex, "%%%02X", c);
      uri += hex;
    }
  }
  return uri;
}

MailOutcome SendMailDirect(const MailMessage& m, const std::function<void()>& idle) {
  bool present = false;
  std::string tool = FindOnPath("sendmail", &present);
  if (tool.empty()) return present ? MailOutcome::kToolInvalid : MailOutcome::kToolMissing;
  // the message goes through an unnamed temporary file: no pipe that could
  // break half-way when the tool ends early
  FILE* input = tmpfile();
  if (!input) return MailOutcome::kFailed;
  std::string wire = MailWireText(m);
  bool written = fwrite(wire.data(), 1, wire.size(), input) == wire.size() && fflush(input) == 0;
  rewind(input);
  MailOutcome r =
      written ? RunTool(tool, {"sendmail", "-t", "-i"}, fileno(input), idle) : MailOutcome::kFailed;
  fclose(input);
  return r;
}

MailOutcome ComposeMail(const MailMessage& m, const std::function<void()>& idle) {
  bool present = false;
  std::string tool = FindOnPath("xdg-email", &present);
  if (tool.empty()) return present ? MailOutcome::kToolInvalid : MailOutcome::kToolMissing;
  std::vector<std::string> argv{"xdg-email", "--utf8", "--subject", m.subject, "--body", m.text};
  if (!m.attachment.empty()) argv.insert(argv.end(), {"--attach", m.attachment});
  // no recipient: the compose window asks for one
  if (!m.recipient.empty()) argv.push_back(MailtoUri(m.recipient));
  return RunTool(tool, argv, -1, idle);
}

}  // namespace platform
