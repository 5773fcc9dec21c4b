// The TIFF adapter next to bare libtiff in one run, on the same 1920x1080
// screen-like picture: an uncompressed 24-bit one-strip file read into a
// bottom-up BGR picture and written back as such. Both sides go through
// files in TMPDIR (the page cache), as the adapter works by path.
#include <benchmark/benchmark.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/screenpicture.h"
#include "prentix/image/sectiff.h"

using namespace prentix;

namespace {

constexpr DWORD kWidth = 1920, kHeight = 1080;

std::string TempPath(const char* name) {
  const char* tmp = getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_tiff_" + std::to_string(getpid()) +
         "_" + name;
}

const std::string& InputFile() {
  static const std::string path = [] {
    std::string p = TempPath("in.tif");
    SECTiff img;
    if (!benchpic::MakeScreenPicture(img, kWidth, kHeight) || !img.SaveImage(p.c_str()))
      std::abort();
    return p;
  }();
  return path;
}

void Pixels(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

// What a program using libtiff alone would do for the same result.
bool BareRead(const std::string& path, std::vector<uint8_t>& bgr, uint32_t& w, uint32_t& h) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (!t) return false;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  const size_t stride = (size_t{w} * 3 + 3) & ~size_t{3};
  bgr.assign(stride * h, 0);
  std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(t)));
  uint32_t rps = h;
  TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rps);
  for (uint32_t y = 0; y < h; y += rps) {
    if (TIFFReadEncodedStrip(t, TIFFComputeStrip(t, y, 0), strip.data(), -1) < 0) break;
    for (uint32_t r = 0; r < rps && y + r < h; ++r) {
      const uint8_t* in = strip.data() + size_t{r} * w * 3;
      uint8_t* out = bgr.data() + (h - 1 - y - r) * stride;
      for (uint32_t x = 0; x < w; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
  }
  TIFFClose(t);
  return true;
}

bool BareWrite(const std::string& path, const std::vector<uint8_t>& bgr, uint32_t w, uint32_t h) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (!t) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
  const size_t stride = (size_t{w} * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> strip(size_t{w} * 3 * h);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* in = bgr.data() + (h - 1 - y) * stride;
    uint8_t* out = strip.data() + size_t{y} * w * 3;
    for (uint32_t x = 0; x < w; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  const bool ok = TIFFWriteEncodedStrip(t, 0, strip.data(), static_cast<tmsize_t>(strip.size())) >=
                      0 &&
                  TIFFWriteDirectory(t);
  TIFFClose(t);
  return ok;
}

void BM_BareReadWrite(benchmark::State& state) {
  const std::string& in = InputFile();
  const std::string out = TempPath("bare.tif");
  std::vector<uint8_t> bgr;
  for (auto _ : state) {
    uint32_t w = 0, h = 0;
    if (!BareRead(in, bgr, w, h) || !BareWrite(out, bgr, w, h)) state.SkipWithError("failed");
  }
  unlink(out.c_str());
  Pixels(state);
}

void BM_AdapterReadWrite(benchmark::State& state) {
  const std::string& in = InputFile();
  const std::string out = TempPath("adapter.tif");
  for (auto _ : state) {
    SECTiff img;
    if (!img.LoadImage(in.c_str()) || !img.SaveImage(out.c_str())) state.SkipWithError("failed");
  }
  unlink(out.c_str());
  Pixels(state);
}

}  // namespace

BENCHMARK(BM_BareReadWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdapterReadWrite)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(InputFile().c_str());
  return 0;
}
