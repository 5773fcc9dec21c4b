// The helpers of the file commands and the block copy.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "instari/ixstdf32/errorstate.h"
#include "instari/script/filecommands.h"
#include "platform/fileio.h"
#include "platform/filetime.h"
#include "platform/paths.h"

namespace instari::script::files {

namespace {

// The logical block of the copy and its progress; reads and writes go in
// runs of many blocks so that a large file copies at the speed of the disk.
constexpr size_t kBlock = 512;
constexpr size_t kBlocksPerRun = 2048;

constexpr uint64_t kTicksPerDay = 24ull * 3600 * platform::kFileTimeTicksPerSecond;

char SeparatorOf(std::string_view path) {
  if (path.find('\\') != std::string_view::npos) return '\\';
  if (path.size() >= 2 && path[1] == ':') return '\\';
  return '/';
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view WithoutTrailingSeparators(std::string_view p) {
  while (p.size() > 1 && IsSeparator(p.back())) p.remove_suffix(1);
  return p;
}

platform::FileTime LocalDay(platform::FileTime t) {
  platform::FileTime local = t;
  if (!platform::FileTimeToLocalFileTime(t, &local)) local = t;
  return local - local % kTicksPerDay;
}

bool WriteAll(int fd, const unsigned char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Progress of one copy, sent to the window when the percentage changes.
class CopyProgress {
 public:
  CopyProgress(Interpreter& in, uint64_t total)
      : in_(in), total_(total), start_(in.Facts().MillisecondsSinceStart()) {}
  ~CopyProgress() {
    if (!reported_) return;
    ProgressState& p = in_.Ui().Progress();
    p.remainingSeconds = 0;  // no copy running: the window hides the bar
    p.file = 0;
    in_.Ui().RefreshCopyProgress();
  }
  uint64_t Elapsed() const { return in_.Facts().MillisecondsSinceStart() - start_; }

  void Advance(uint64_t done) {
    if (total_ == 0) return;
    // the percentage of whole blocks done, as a block-by-block copy shows it
    uint64_t blocks = (total_ + kBlock - 1) / kBlock;
    uint64_t blocksDone = std::min<uint64_t>(blocks, (done + kBlock - 1) / kBlock);
    int percent = static_cast<int>(blocksDone * 100 / blocks);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    uint64_t elapsed = Elapsed();
    ProgressState& p = in_.Ui().Progress();
    p.file = percent;
    p.bytesCopied = done;
    p.bytesTotal = total_;
    if (done >= total_)
      p.remainingSeconds = 0;
    else if (elapsed == 0 || done == 0)
      p.remainingSeconds = -1;
    else
      p.remainingSeconds =
          static_cast<int>(std::max<uint64_t>(1, (elapsed * (total_ - done) / done + 999) / 1000));
    reported_ = true;
    in_.Ui().RefreshCopyProgress();
  }

 private:
  Interpreter& in_;
  uint64_t total_;
  uint64_t start_;
  int lastPercent_ = -1;
  bool reported_ = false;
};

}  // namespace

bool OperandsThenLog(const TokenBuffer& t, int operands) {
  if (t.count != operands + 1 && t.count != operands + 2) return false;
  for (int i = 1; i <= operands; ++i)
    if (!Op(t, i)) return false;
  return t.count == operands + 1 || Id(t, operands + 1);
}

std::optional<FILE*> LogStream(Interpreter& in, const TokenBuffer& t, int i) {
  if (i < 0 || i >= t.count) return static_cast<FILE*>(nullptr);
  std::optional<std::string> v = in.OperandValue(t, i);
  if (!v) return std::nullopt;
  // a text that is no number counts as 0, nothing logged; a number that
  // is no open stream is a failure
  std::optional<long long> h = ParseHandle(*v);
  if (!h || *h == 0) return static_cast<FILE*>(nullptr);
  FILE* f = in.Handles().Stream(*h);
  // said out loud: the command would otherwise do nothing, unnoticed
  if (!f) {
    in.ReportError("Log-Datei: '" + t.texts[i] + "' ist nicht geöffnet.");
    return std::nullopt;
  }
  return f;
}

void Log(FILE* f, const char* format, ...) {
  if (!f) return;
  va_list ap;
  va_start(ap, format);
  vfprintf(f, format, ap);
  va_end(ap);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && !IsSeparator(out.back())) out += SeparatorOf(dir);
  out.append(name);
  return out;
}

bool SamePath(std::string_view a, std::string_view b) {
  a = WithoutTrailingSeparators(a);
  b = WithoutTrailingSeparators(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (IsSeparator(x) && IsSeparator(y)) continue;
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

void RecordFailure(const std::string& text, int errnoValue) {
  ixstdf::SetSystemErrno(errnoValue);
  SetzeLetzteFehlerNr(IXSTDF_FAILURE, text.c_str());
}

std::string LastErrorText() { return GibLetztenFehlerText(); }

std::vector<std::string> ReadList(Interpreter& in, const char* name) {
  std::vector<std::string> list;
  for (int n = 1;; ++n) {
    const std::string* v = in.Fields().Find(std::string(name) + "[" + std::to_string(n) + "]");
    if (!v) break;
    list.push_back(*v);
  }
  return list;
}

bool ParseCopyOptions(const TokenBuffer& t, int from, CopyOptions* o, bool directoryCopy) {
  for (int i = from; i < t.count; ++i) {
    if (!Id(t, i)) return false;
    std::string w = t.texts[i];
    for (char& c : w)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (w == "ALWAYS") {
      o->always = true;
    } else if (w == "DATENEWERORSIZEDIFFERENT") {
      o->mode = 1;
    } else if (w == "DATEORSIZEDIFFERENT") {
      o->mode = 2;
    } else if (w == "DATEDIFFERENT") {
      o->mode = 3;
    } else if (w == "ONLYDAY") {
      o->mode = o->mode % 10 + 10;
    } else if (w == "PACK") {
      o->pack = true;
    } else if (w == "UNPACK") {
      o->unpack = true;
    } else if (directoryCopy && w == "PACKTO") {
      o->packTo = true;
    } else if (directoryCopy && w == "EXCLUDE") {
      o->exclude = true;
    } else if (directoryCopy && w == "DELETE_IF_NO_SOURCE") {
      o->deleteIfNoSource = true;
    } else {
      o->handleToken = i;  // the handle ends the list
      return true;
    }
  }
  return true;
}

bool NeedsCopy(const platform::FindData& src, const platform::FindData& dst, const CopyOptions& o) {
  if (o.always) return true;
  platform::FileTime ts = src.lastWriteTime, td = dst.lastWriteTime;
  if (o.mode >= 10) {
    ts = LocalDay(ts);
    td = LocalDay(td);
  }
  bool sizes = (src.size & 0xFFFFFFFFu) != (dst.size & 0xFFFFFFFFu);
  switch (o.mode % 10) {
    case 1:
      return sizes || ts > td;
    case 2:
      return sizes || ts != td;
    case 3:
      return ts != td;
    default:
      return ts > td;
  }
}

int BlockCopy(Interpreter& in, const std::string& src, const std::string& dst,
              const unsigned char* translate, CopyStats* stats) {
  return BlockCopyHost(in, src, dst, platform::HostPath(src), platform::HostPath(dst), translate,
                       stats);
}

int BlockCopyHost(Interpreter& in, const std::string& src, const std::string& dst,
                  const std::string& hs, const std::string& hd, const unsigned char* translate,
                  CopyStats* stats, bool dstMissing) {
  platform::UniqueFd from(hs.empty() ? -1 : open(hs.c_str(), O_RDONLY | O_CLOEXEC));
  if (from.Get() < 0) {
    RecordFailure("Datei " + src + " kann nicht geöffnet werden", hs.empty() ? ENOENT : errno);
    return 0;
  }
  struct stat st;
  if (fstat(from.Get(), &st) != 0) {
    RecordFailure("Read-Error Datei " + src, errno);
    return 0;
  }
  if (hd.empty()) {
    RecordFailure("Datei " + dst + " kann nicht erstellt werden", ENOENT);
    return 0;
  }
  platform::PendingFile to;
  // the source's permission bits from the start, always writable by its
  // owner as a freshly created file is
  const mode_t mode = (st.st_mode & 0777) | S_IWUSR;
  if (dstMissing ? !to.CreateNew(hd, mode) : !to.Create(hd, mode)) {
    RecordFailure("Datei " + dst + " kann nicht erstellt werden", errno);
    return 0;
  }
  // read-ahead only pays for files of some size
  if (st.st_size >= (off_t{1} << 20)) posix_fadvise(from.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  uint64_t total = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  CopyProgress progress(in, total);
  uint64_t done = 0;
  // Plain copies let the kernel move the data (no trip through our memory);
  // where it cannot, and for translations, a read and write loop.
  bool inKernel = translate == nullptr;
  std::vector<unsigned char> buffer;
  for (;;) {
    if (in.Ui().CancelRequested()) {
      RecordFailure("Datei " + dst + " kann nicht erstellt werden", ECANCELED);
      return 0;  // the pending file goes without a name
    }
    ssize_t n;
    if (inKernel) {
      n = copy_file_range(from.Get(), nullptr, to.Fd(), nullptr, kBlock * kBlocksPerRun, 0);
      if (n < 0 && done == 0 &&
          (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
        inKernel = false;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        // which side failed is not told: ask the source with a read
        int e = errno;
        char probe;
        if (pread(from.Get(), &probe, 1, static_cast<off_t>(done)) < 0)
          RecordFailure("Read-Error Datei " + src, errno);
        else
          RecordFailure("Write-Error Datei " + dst, e);
        return 0;
      }
    } else {
      if (buffer.empty()) buffer.resize(kBlock * kBlocksPerRun);
      n = read(from.Get(), buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        RecordFailure("Read-Error Datei " + src, errno);
        return 0;
      }
      if (n > 0 && translate)
        for (ssize_t i = 0; i < n; ++i) buffer[i] = translate[buffer[i]];
      if (n > 0 && !WriteAll(to.Fd(), buffer.data(), static_cast<size_t>(n))) {
        RecordFailure("Write-Error Datei " + dst, errno);
        return 0;
      }
    }
    if (n == 0) break;
    done += static_cast<uint64_t>(n);
    progress.Advance(done);
    in.Ui().DispatchPending();
  }
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(to.Fd(), times);
  if (!to.Close()) {
    RecordFailure("Write-Error Datei " + dst, errno);
    return 0;
  }
  if (!to.Commit()) {
    RecordFailure("Datei " + dst + " kann nicht erstellt werden", errno);
    return 0;
  }
  if (stats) {
    stats->bytes = done;
    stats->milliseconds = progress.Elapsed();
  }
  return 1;
}

bool MoveOneFile(const std::string& hostSrc, const std::string& hostDst) {
  if (rename(hostSrc.c_str(), hostDst.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  // another file system: copy, keep mode and times, then delete the source
  platform::UniqueFd from(open(hostSrc.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (from.Get() < 0 || fstat(from.Get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EXDEV;
    return false;
  }
  platform::PendingFile to;
  if (!to.Create(hostDst, 0600)) return false;
  std::vector<unsigned char> buffer(kBlock * kBlocksPerRun);
  for (;;) {
    ssize_t n = read(from.Get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (!WriteAll(to.Fd(), buffer.data(), static_cast<size_t>(n))) return false;
  }
  fchmod(to.Fd(), st.st_mode & 07777);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(to.Fd(), times);
  if (!to.Commit()) return false;
  return unlink(hostSrc.c_str()) == 0;
}

bool SourceAndTarget(Interpreter& in, TokenBuffer& t, std::string* src, std::string* dst) {
  std::optional<std::string> a = in.OperandValue(t, 1);
  if (!a) return false;
  std::optional<std::string> b = in.OperandValue(t, 2);
  if (!b) return false;
  *src = std::move(*a);
  *dst = std::move(*b);
  return true;
}

void Status(Interpreter& in, const std::string& text) {
  in.Ui().Progress().status = text;
  in.Ui().RefreshStatus();
  in.Ui().DispatchPending();
}

void SetResult(Interpreter& in, long long code, bool failed) {
  in.Fields().Set("__error__", std::to_string(code));
  in.Fields().Set("__Error__", failed ? "1" : "0");
}

std::vector<platform::FindData> ListDirectory(const std::string& dir) {
  std::vector<platform::FindData> out;
  platform::FindFile ff;
  if (ff.First(JoinPath(dir, "*"), platform::DotEntries::kSkip)) {
    do out.push_back(ff.Data());
    while (ff.Next());
  }
  std::sort(out.begin(), out.end(), [](const platform::FindData& a, const platform::FindData& b) {
    std::string x = a.name, y = b.name;
    for (char& c : x)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    for (char& c : y)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return x != y ? x < y : a.name < b.name;
  });
  return out;
}

}  // namespace instari::script::files
