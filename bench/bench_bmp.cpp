// The image hot paths on a 1920x1080 24-bit picture, each next to a plain
// memcpy of the same bytes in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "prentix/image/secdib.h"
#include "prentix/print/adjustcolours.h"

using namespace prentix;

namespace {

constexpr DWORD kWidth = 1920, kHeight = 1080;

void MakePicture(SECDib& img) {
  DeviceBitmap bm;
  bm.width = kWidth;
  bm.height = kHeight;
  bm.bitsPerPixel = 24;
  bm.stride = PaddedRowBytes(kWidth, 24);
  bm.bits.resize(bm.stride * kHeight);
  uint32_t s = 1;
  for (auto& b : bm.bits) b = static_cast<BYTE>((s = s * 1103515245u + 12345u) >> 16);
  img.CreateFromBitmap(bm);
}

const std::string& PicturePath() {
  static const std::string path = [] {
    const char* tmp = getenv("TMPDIR");
    std::string p =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_bmp_" + std::to_string(getpid()) + ".bmp";
    SECDib img;
    MakePicture(img);
    img.SaveImage(p.c_str());
    return p;
  }();
  return path;
}

int64_t PictureBytes() { return int64_t(PaddedRowBytes(kWidth, 24)) * kHeight; }

void BM_Memcpy(benchmark::State& state) {
  std::vector<char> a(PictureBytes(), 1), b(PictureBytes());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

void BM_Load(benchmark::State& state) {
  const std::string& path = PicturePath();
  for (auto _ : state) {
    SECDib img;
    if (!img.LoadImage(path.c_str())) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(img.m_pBits.data());
  }
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

void BM_Save(benchmark::State& state) {
  SECDib img;
  MakePicture(img);
  const std::string out = PicturePath() + ".out.bmp";
  for (auto _ : state)
    if (!img.SaveImage(out.c_str())) state.SkipWithError("save failed");
  unlink(out.c_str());
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

void BM_Rotate90(benchmark::State& state) {
  SECDib img;
  MakePicture(img);
  for (auto _ : state) img.Rotate90(true);
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

void BM_FlipVertical(benchmark::State& state) {
  SECDib img;
  MakePicture(img);
  for (auto _ : state) img.FlipVertical();
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

void BM_AdjustColoursThreshold(benchmark::State& state) {
  SECDib orig, img;
  MakePicture(orig);
  ColourAdjustSettings s;
  s.MonoR = s.MonoG = s.MonoB = s.MonoM = 132;
  for (auto _ : state) {
    state.PauseTiming();
    img.CopyImage(orig);
    state.ResumeTiming();
    AdjustColours(img, s);
  }
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

void BM_AdjustColoursGrey(benchmark::State& state) {
  SECDib orig, img;
  MakePicture(orig);
  ColourAdjustSettings s;
  s.GreyScale = 1;
  for (auto _ : state) {
    state.PauseTiming();
    img.CopyImage(orig);
    state.ResumeTiming();
    AdjustColours(img, s);
  }
  state.SetBytesProcessed(state.iterations() * PictureBytes());
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustColoursThreshold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustColoursGrey)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(PicturePath().c_str());
  return 0;
}
