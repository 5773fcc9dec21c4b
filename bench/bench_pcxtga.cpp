// PCX and Targa on a 1920x1080 picture: our load and save, and a load+save
// next to ImageMagick's `convert in out` of the same file in the same run,
// with the ratios printed at the end.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "prentix/image/secpcx.h"
#include "prentix/image/sectarga.h"

extern char** environ;

using namespace prentix;

namespace {

constexpr DWORD kWidth = 1920, kHeight = 1080;

uint32_t Next(uint32_t& s) { return (s = s * 1103515245u + 12345u) >> 16; }

// 24-bit noise: the worst case for nothing, the plain case for Targa.
void MakeTrueColour(SECImageBase& img) {
  DeviceBitmap bm;
  bm.width = kWidth;
  bm.height = kHeight;
  bm.bitsPerPixel = 24;
  bm.stride = PaddedRowBytes(kWidth, 24);
  bm.bits.resize(bm.stride * kHeight);
  uint32_t s = 1;
  for (auto& b : bm.bits) b = static_cast<BYTE>(Next(s));
  img.CreateFromBitmap(bm);
}

// 8-bit, runs of 1 to 40 equal pixels: what a reduced screen capture looks like.
void MakePalette(SECImageBase& img) {
  DeviceBitmap bm;
  bm.width = kWidth;
  bm.height = kHeight;
  bm.bitsPerPixel = 8;
  bm.stride = PaddedRowBytes(kWidth, 8);
  bm.bits.resize(bm.stride * kHeight);
  bm.colorTable.resize(256);
  uint32_t s = 7;
  for (auto& c : bm.colorTable)
    c = RGBQUAD{static_cast<BYTE>(Next(s)), static_cast<BYTE>(Next(s)), static_cast<BYTE>(Next(s)),
                0};
  for (size_t i = 0; i < bm.bits.size();) {
    const size_t run = 1 + Next(s) % 40;
    const BYTE v = static_cast<BYTE>(Next(s));
    for (size_t k = 0; k < run && i < bm.bits.size(); ++k) bm.bits[i++] = v;
  }
  img.CreateFromBitmap(bm);
}

std::string TempPath(const std::string& name) {
  const char* tmp = getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_pcxtga_" + std::to_string(getpid()) +
         "_" + name;
}

const std::string& PcxFile() {
  static const std::string path = [] {
    std::string p = TempPath("in.pcx");
    SECPcx img;
    MakePalette(img);
    img.SaveImage(p.c_str());
    return p;
  }();
  return path;
}

const std::string& TgaFile() {
  static const std::string path = [] {
    std::string p = TempPath("in.tga");
    SECTarga img;
    MakeTrueColour(img);
    img.SaveImage(p.c_str());
    return p;
  }();
  return path;
}

bool RunConvert(const std::string& in, const std::string& out) {
  const char* argv[] = {"/usr/bin/convert", in.c_str(), out.c_str(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template <class Image>
void BM_Load(benchmark::State& state, const std::string& (*file)()) {
  const std::string& path = file();
  for (auto _ : state) {
    Image img;
    if (!img.LoadImage(path.c_str())) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(img.m_pBits.data());
  }
}

template <class Image>
void BM_Save(benchmark::State& state, void (*make)(SECImageBase&)) {
  Image img;
  make(img);
  const std::string out = TempPath("save");
  for (auto _ : state)
    if (!img.SaveImage(out.c_str())) state.SkipWithError("save failed");
  unlink(out.c_str());
}

template <class Image>
void BM_LoadSave(benchmark::State& state, const std::string& (*file)(), const char* ext) {
  const std::string& path = file();
  const std::string out = TempPath(std::string("ours.") + ext);
  for (auto _ : state) {
    Image img;
    if (!img.LoadImage(path.c_str()) || !img.SaveImage(out.c_str()))
      state.SkipWithError("load+save failed");
  }
  unlink(out.c_str());
}

void BM_ConvertLoadSave(benchmark::State& state, const std::string& (*file)(), const char* ext) {
  const std::string& path = file();
  const std::string out = TempPath(std::string("im.") + ext);
  for (auto _ : state)
    if (!RunConvert(path, out)) state.SkipWithError("convert failed (make setup)");
  unlink(out.c_str());
}

// Keeps each result's wall time so that the ratios can follow the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

void BM_PcxLoad(benchmark::State& s) { BM_Load<SECPcx>(s, PcxFile); }
void BM_PcxSave(benchmark::State& s) { BM_Save<SECPcx>(s, MakePalette); }
void BM_TgaLoad(benchmark::State& s) { BM_Load<SECTarga>(s, TgaFile); }
void BM_TgaSave(benchmark::State& s) { BM_Save<SECTarga>(s, MakeTrueColour); }
void BM_PcxLoadSave(benchmark::State& s) { BM_LoadSave<SECPcx>(s, PcxFile, "pcx"); }
void BM_TgaLoadSave(benchmark::State& s) { BM_LoadSave<SECTarga>(s, TgaFile, "tga"); }
void BM_ConvertPcxLoadSave(benchmark::State& s) { BM_ConvertLoadSave(s, PcxFile, "pcx"); }
void BM_ConvertTgaLoadSave(benchmark::State& s) { BM_ConvertLoadSave(s, TgaFile, "tga"); }

BENCHMARK(BM_PcxLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxLoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertPcxLoadSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_TgaLoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertTgaLoadSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // names carry suffixes such as "/iterations:5/real_time"
  auto find = [&](const std::string& prefix) {
    for (const auto& [name, t] : reporter.times)
      if (name.rfind(prefix, 0) == 0) return t;
    return 0.0;
  };
  const struct {
    const char *kind, *ours, *im;
  } pairs[] = {{"pcx 8-bit", "BM_PcxLoadSave/", "BM_ConvertPcxLoadSave/"},
               {"tga 24-bit", "BM_TgaLoadSave/", "BM_ConvertTgaLoadSave/"}};
  for (const auto& p : pairs) {
    const double ours = find(p.ours), im = find(p.im);
    if (ours <= 0 || im <= 0) continue;
    std::printf("%s 1920x1080 load+save: ours %.1f ms, convert %.1f ms, convert/ours %.1fx\n",
                p.kind, ours, im, im / ours);
  }
  benchmark::Shutdown();
  unlink(PcxFile().c_str());
  unlink(TgaFile().c_str());
  return 0;
}
