#include "prentix/app/tracelog.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/paths.h"
#include "prentix/app/settings.h"

namespace prentix {

namespace {

struct TraceLogState {
  std::mutex mutex;
  int fd = -1;
  bool failed = false;
  bool append = false;  // the next open keeps the lines

  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  ~TraceLogState() { Close(); }
};

TraceLogState& State() {
  static TraceLogState state;
  return state;
}

// Write errors are ignored: the log must never disturb the program.
void WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

// The message formatted whole; unlike a fixed buffer it cannot overflow.
std::string Format(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int n = vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string text(static_cast<size_t>(n) + 1, '\0');
  vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(n));
  return text;
}

}  // namespace

std::string TraceTimeStamp(const std::tm& local) {
  char stamp[64];
  snprintf(stamp, sizeof stamp, "%02d-%02d-%02d %02d:%02d:%02d", local.tm_year, local.tm_mon + 1,
           local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return stamp;
}

void VTraceLog(const char* format, va_list args) {
  TraceLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const std::string& logging = LiveSettings().Logging;
  if (logging.empty() || state.failed) return;
  if (state.fd < 0) {
    std::string path = platform::HostPath(logging);
    if (!path.empty())
      state.fd = ::open(path.c_str(),
                        O_WRONLY | O_CREAT | O_CLOEXEC | (state.append ? O_APPEND : O_TRUNC), 0666);
    state.append = false;
    if (state.fd < 0) {
      state.failed = true;
      return;
    }
  }
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::string line = TraceTimeStamp(local) + " ";
  if (format && strlen(format) <= kTraceFormatLimit) line += Format(format, args);
  WriteAll(state.fd, line);
}

void TraceLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VTraceLog(format, args);
  va_end(args);
}

void CloseTraceLog(bool keepLines) {
  TraceLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.Close();
  state.append = keepLines;
}

void ResetTraceLog() {
  TraceLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.Close();
  state.failed = false;
  state.append = false;
}

bool TraceLogOpen() {
  TraceLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.fd >= 0;
}

bool TraceLogFailed() {
  TraceLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.failed;
}

}  // namespace prentix
