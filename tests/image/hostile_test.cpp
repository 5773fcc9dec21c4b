// Files whose headers promise more than they hold: every reader refuses them
// (naming the limit or the missing data) before it takes memory for pixels,
// and reads truncated small pictures with a warning. Each file is opened in
// a child process whose peak resident memory is measured.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include "common/testutil.h"
#include "image/testimages.h"
#include "prentix/image/document.h"
#include "prentix/image/picturelimits.h"
#include "prentix/image/secjpeg.h"

extern char** environ;

using namespace prentix;

namespace {

std::string Le16(unsigned v) { return {char(v & 255), char(v >> 8 & 255)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16 & 255), char(v >> 8 & 255), char(v & 255)};
}

std::string Pcx(unsigned w, unsigned h, const std::string& data) {
  std::string f(128, '\0');
  f[0] = 10, f[1] = 5, f[2] = 1, f[3] = 8, f[65] = 1;
  f.replace(8, 4, Le16(w - 1) + Le16(h - 1));
  f.replace(66, 2, Le16(w));
  return f + data;
}

std::string Gif(unsigned w, unsigned h, const std::string& data) {
  return "GIF89a" + Le16(w) + Le16(h) + std::string("\x80\0\0", 3) +
         std::string("\0\0\0\xFF\xFF\xFF", 6) + "\x2C" + std::string(4, '\0') + Le16(w) + Le16(h) +
         std::string("\0\x08", 2) + data + std::string("\0\x3B", 2);
}

std::string RleBmp(unsigned w, unsigned h, const std::string& data) {
  const uint32_t off = 14 + 40 + 1024;
  return "BM" + Le32(off + data.size()) + Le32(0) + Le32(off) + Le32(40) + Le32(w) + Le32(h) +
         Le16(1) + Le16(8) + Le32(1) + Le32(data.size()) + std::string(16, '\0') +
         std::string(1024, '\0') + data;
}

std::string Targa(unsigned w, unsigned h, const std::string& data) {
  return std::string("\0\0\x0A", 3) + std::string(9, '\0') + Le16(w) + Le16(h) +
         std::string("\x18\0", 2) + data;
}

// One grey strip of `strip` bytes.
std::string Tiff(uint32_t w, uint32_t h, unsigned compression, const std::string& strip) {
  struct Entry {
    unsigned tag, type;
    uint32_t value;
  };
  const Entry entries[] = {{256, 4, w},           {257, 4, h}, {258, 3, 8},
                           {259, 3, compression}, {262, 3, 1}, {273, 4, 0},
                           {277, 3, 1},           {278, 4, h}, {279, 4, uint32_t(strip.size())}};
  const uint32_t n = sizeof entries / sizeof entries[0], dataAt = 8 + 2 + 12 * n + 4;
  std::string f = std::string("II*\0", 4) + Le32(8) + Le16(n);
  for (const Entry& e : entries)
    f += Le16(e.tag) + Le16(e.type) + Le32(1) + Le32(e.tag == 273 ? dataAt : e.value);
  return f + Le32(0) + strip;
}

std::string PngChunk(const char* type, const std::string& data) {
  const std::string body = type + data;
  return Be32(data.size()) + body +
         Be32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}

std::string Zlib(const std::string& raw) {
  uLongf n = compressBound(raw.size());
  std::string out(n, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(raw.data()),
            raw.size(), 9);
  out.resize(n);
  return out;
}

std::string Png(uint32_t w, uint32_t h, int depth, int colourType, const std::string& idat,
                const std::string& plte = "") {
  const std::string ihdr =
      Be32(w) + Be32(h) + char(depth) + char(colourType) + std::string(3, '\0');
  return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", ihdr) +
         (plte.empty() ? "" : PngChunk("PLTE", plte)) + PngChunk("IDAT", idat) +
         PngChunk("IEND", "");
}

// A real JPEG of 16 x 16 pixels with the frame's size replaced and the scan
// cut `keep` bytes after its header.
std::string Jpeg(unsigned w, unsigned h, size_t keep) {
  SECJpeg jpeg;
  imgtest::Fill(jpeg, 24, 16, 16);
  CMemFile out;
  EXPECT_TRUE(jpeg.SaveImage(&out));
  std::string f(out.Data().begin(), out.Data().end());
  const size_t sof = f.find("\xFF\xC0");
  f[sof + 5] = char(h >> 8), f[sof + 6] = char(h & 255), f[sof + 7] = char(w >> 8),
          f[sof + 8] = char(w & 255);
  const size_t sos = f.find("\xFF\xDA");
  return f.substr(0, sos + 2 + (uint8_t(f[sos + 2]) << 8 | uint8_t(f[sos + 3])) + keep);
}

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field) + 1));
  return -1;
}

struct Outcome {
  bool loaded = false;
  long peakKb = -1;  // above what the child had when it started
  std::string reason, warning;
};

// Opens `path` in a child process: whether it loaded, why not or what was
// wrong, and how far its resident memory rose while it did.
Outcome OpenInChild(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    // the high-water mark starts again from what the child holds now
    std::ofstream("/proc/self/clear_refs") << "5";
    const long base = StatusKb("VmHWM:");
    std::string reason, warning;
    const bool ok = OpenImageDocument(path, &reason, &warning);
    const std::string msg = std::string(ok ? "1" : "0") + "\n" +
                            std::to_string(StatusKb("VmHWM:") - base) + "\n" + reason + "\n" +
                            warning;
    const ssize_t n = write(fds[1], msg.data(), msg.size());
    _exit(n == ssize_t(msg.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string msg;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) msg.append(buf, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Outcome o;
  const size_t a = msg.find('\n'), b = msg.find('\n', a + 1), c = msg.find('\n', b + 1);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || c == std::string::npos) return o;
  o.loaded = msg[0] == '1';
  o.peakKb = std::stol(msg.substr(a + 1, b - a - 1));
  o.reason = msg.substr(b + 1, c - b - 1);
  o.warning = msg.substr(c + 1);
  return o;
}

// Exit status and everything the program wrote on stderr.
int RunCapturing(const std::vector<std::string>& args, std::string& err) {
  const std::string log = pxtest::TestRoot() + "/stderr.txt";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&fa);
  err = pxtest::ReadFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr long kMostKb = 64 * 1024;

}  // namespace

TEST(HostileFiles, RefusedBeforeTheirPixelsTakeMemory) {
  const std::string idat100 = Zlib(std::string(1 << 20, '\0')).substr(0, 100);
  // a flat grey picture that is what it says: it must load and cost its size
  const std::string flatLines = Zlib(std::string(size_t{6001} * 6000, '\0'));
  struct Case {
    const char* name;
    std::string bytes;
    const char* expect;  // part of the refusal; "" loads clean, "!" loads with a warning
    long leastKb = 0;    // a load that must take at least this much
  };
  const Case cases[] = {
      {"budget.pcx", Pcx(30000, 16383, std::string("\xFF\0", 2)), "100 megapixels"},
      {"data.pcx", Pcx(9000, 9000, std::string("\xFF\0", 2)), "too few"},
      {"budget.jpg", Jpeg(16000, 20000, 4), "100 megapixels"},
      {"data.jpg", Jpeg(9000, 9000, 4), "too few"},
      {"budget.gif", Gif(16384, 16384, ""), "100 megapixels"},
      {"data.gif", Gif(9000, 9000, ""), "too few"},
      {"budget.tif", Tiff(16000, 20000, 1, std::string(16, '\0')), "100 megapixels"},
      {"data.tif", Tiff(9000, 9000, 1, std::string(16, '\0')), "too few"},
      {"deflate.tif", Tiff(9000, 9000, 8, idat100), "too few"},
      {"budget.png", Png(16000, 16000, 8, 2, idat100), "100 megapixels"},
      {"data.png", Png(9000, 9000, 8, 2, idat100), "too few"},
      {"side.png", Png(40000, 10, 8, 0, idat100), "32768 pixels a side"},
      {"budget.bmp", RleBmp(16000, 16000, std::string("\0\1", 2)), "100 megapixels"},
      {"data.bmp", RleBmp(9000, 9000, std::string("\0\1", 2)), "too few"},
      {"budget.tga", Targa(30000, 30000, std::string("\xFF\0\0\0", 4)), "100 megapixels"},
      {"data.tga", Targa(9000, 9000, std::string("\xFF\0\0\0", 4)), "fewer pixels"},
      // small pictures whose data ends early are read, and say so
      {"short.pcx", Pcx(100, 100, std::string("\xFF\0", 2)), "!"},
      {"short.gif", Gif(100, 100, ""), "!"},
      {"short.bmp", RleBmp(100, 100, "\x02\x05"), "!"},
      {"short.jpg", Jpeg(64, 64, 4), "!"},
      {"whole.bmp", RleBmp(100, 100, std::string("\x64\x05\0\1", 4)), ""},
      {"flat.png", Png(6000, 6000, 8, 0, flatLines), "", 6000 * 6000 / 1024},
  };
  for (const Case& c : cases) {
    const std::string path = pxtest::TestRoot() + "/" + c.name;
    ASSERT_TRUE(pxtest::WriteFile(path, c.bytes));
    const Outcome o = OpenInChild(path);
    ASSERT_GE(o.peakKb, 0) << c.name;
    const std::string expect = c.expect;
    if (expect.empty() || expect == "!") {
      EXPECT_TRUE(o.loaded) << c.name << ": " << o.reason;
      EXPECT_EQ(o.warning.empty(), expect.empty()) << c.name << ": " << o.warning;
      EXPECT_GE(o.peakKb, c.leastKb) << c.name;
    } else {
      EXPECT_FALSE(o.loaded) << c.name;
      EXPECT_NE(o.reason.find(expect), std::string::npos) << c.name << ": " << o.reason;
    }
    if (!c.leastKb) {
      EXPECT_LT(o.peakKb, kMostKb) << c.name << ": " << o.reason;
    }
  }
}

// The widest desktops fit the budget; a picture just past it is refused by
// name until the option raises the limit. 1-bit pictures keep the work small.
TEST(HostileFiles, BudgetEdgeThroughPxconvert) {
  const std::string tool = pxtest::BuiltProgram("pxconvert");
  const std::string dir = pxtest::TestRoot();
  auto bilevel = [](uint32_t w, uint32_t h) {
    std::string line(1 + (w + 7) / 8, '\0'), raw;
    for (size_t i = 1; i < line.size(); ++i) line[i] = char(i * 37 % 251);
    raw.reserve(line.size() * h);
    for (uint32_t y = 0; y < h; ++y) raw += line;
    return Png(w, h, 1, 3, Zlib(raw), std::string("\0\0\0\xFF\xFF\xFF", 6));
  };
  ASSERT_TRUE(pxtest::WriteFile(dir + "/fits.png", bilevel(23040, 4320)));
  ASSERT_TRUE(pxtest::WriteFile(dir + "/over.png", bilevel(23040, 4341)));
  std::string err;
  EXPECT_EQ(RunCapturing({tool, dir + "/fits.png", dir + "/fits.bmp"}, err), 0) << err;
  ASSERT_TRUE(OpenImageDocument(dir + "/fits.bmp"));
  EXPECT_EQ(CurrentImage()->m_dwWidth, 23040u);
  EXPECT_EQ(CurrentImage()->m_dwHeight, 4320u);
  ClearCurrent();

  EXPECT_EQ(RunCapturing({tool, dir + "/over.png", dir + "/over.bmp"}, err), 1);
  EXPECT_NE(err.find("more than the limit of 100 megapixels (raise it with --max-megapixels)"),
            std::string::npos)
      << err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/over.bmp"));
  EXPECT_EQ(
      RunCapturing({tool, "--max-megapixels", "101", dir + "/over.png", dir + "/over.bmp"}, err), 0)
      << err;
  EXPECT_EQ(RunCapturing({tool, "--max-side", "20000", dir + "/fits.png", dir + "/x.bmp"}, err), 1);
  EXPECT_NE(err.find("20000 pixels a side (raise it with --max-side)"), std::string::npos) << err;
  EXPECT_EQ(RunCapturing({tool, "--max-megapixels", "0", dir + "/fits.png", dir + "/x.bmp"}, err),
            2);

  // a picture read although its data ends early is named on stderr
  ASSERT_TRUE(pxtest::WriteFile(dir + "/short.gif", Gif(100, 100, "")));
  EXPECT_EQ(RunCapturing({tool, dir + "/short.gif", dir + "/short.bmp"}, err), 0);
  EXPECT_NE(err.find("short.gif: warning: the picture data ends early"), std::string::npos) << err;
}
