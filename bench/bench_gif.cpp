// GIF hot paths on a 1920x1080 screen-like 24-bit picture: the reduction to
// 256 colours, the GIF write, both together, and the GIF read; a memcpy of
// the 24-bit rows in the same run for scale.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/screenpicture.h"
#include "prentix/image/colorreduce.h"
#include "prentix/image/secdib.h"
#include "prentix/image/secgif.h"

using namespace prentix;

namespace {

const SECDib& Picture() {
  static SECDib* pic = [] {
    auto* p = new SECDib;
    benchpic::MakeScreenPicture(*p);
    return p;
  }();
  return *pic;
}

const SECGif& Reduced() {
  static SECGif* red = [] {
    auto* g = new SECGif;
    g->CopyImage(Picture());
    ReduceTo256Colors(*g);
    return g;
  }();
  return *red;
}

const std::vector<uint8_t>& GifBytes() {
  static std::vector<uint8_t> bytes = [] {
    SECGif g;
    g.CopyImage(Reduced());
    CMemFile f;
    g.SaveImage(&f);
    return f.Data();
  }();
  return bytes;
}

void BM_Memcpy24(benchmark::State& state) {
  const MemBlock& src = Picture().m_pBits;
  std::vector<uint8_t> dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);

void BM_ReduceTo256(benchmark::State& state) {
  for (auto _ : state) {
    SECDib img;
    img.CopyImage(Picture());
    if (!ReduceTo256Colors(img)) state.SkipWithError("reduction failed");
  }
}
BENCHMARK(BM_ReduceTo256)->Unit(benchmark::kMillisecond);

void BM_WriteGif(benchmark::State& state) {
  SECGif g;
  g.CopyImage(Reduced());
  size_t bytes = 0;
  for (auto _ : state) {
    CMemFile f;
    if (!g.SaveImage(&f)) state.SkipWithError("write failed");
    bytes = f.Data().size();
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteGif)->Unit(benchmark::kMillisecond);

void BM_ReduceAndWriteGif(benchmark::State& state) {
  for (auto _ : state) {
    SECGif g;
    g.CopyImage(Picture());
    CMemFile f;
    if (!ReduceTo256Colors(g) || !g.SaveImage(&f)) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_ReduceAndWriteGif)->Unit(benchmark::kMillisecond);

void BM_ReadGif(benchmark::State& state) {
  const auto& bytes = GifBytes();
  for (auto _ : state) {
    CMemFile f(bytes.data(), bytes.size());
    SECGif g;
    if (!g.LoadImage(&f)) state.SkipWithError("read failed");
  }
}
BENCHMARK(BM_ReadGif)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
