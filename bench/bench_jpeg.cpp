// The JPEG adapter next to the bare library in one run, on the same 1920x1080
// screen-like picture held in memory: what the adapter adds over libjpeg
// itself (stream glue, bitmap rows, header) without process start-up or disk.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/screenpicture.h"
#include "prentix/image/cfile.h"
#include "prentix/image/secjpeg.h"

using namespace prentix;

namespace {

constexpr DWORD kWidth = 1920, kHeight = 1080;

const SECJpeg& Picture() {
  static const SECJpeg* img = [] {
    auto* p = new SECJpeg();
    if (!benchpic::MakeScreenPicture(*p, kWidth, kHeight)) std::abort();
    return p;
  }();
  return *img;
}

const std::vector<uint8_t>& JpegBytes() {
  static const std::vector<uint8_t> bytes = [] {
    SECJpeg img;
    img.CopyImage(Picture());
    CMemFile out;
    if (!img.SaveImage(&out)) std::abort();
    return out.Data();
  }();
  return bytes;
}

void Pixels(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

// The same settings the adapter uses, rows handed over bottom-up in place.
void BM_BareEncode(benchmark::State& state) {
  const SECJpeg& img = Picture();
  for (auto _ : state) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < kHeight) {
      JSAMPROW row = const_cast<BYTE*>(img.Row(kHeight - 1 - cinfo.next_scanline));
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    benchmark::DoNotOptimize(out);
    free(out);
  }
  Pixels(state);
}

void BM_AdapterEncode(benchmark::State& state) {
  SECJpeg img;
  img.CopyImage(Picture());
  for (auto _ : state) {
    CMemFile out;
    if (!img.SaveImage(&out)) state.SkipWithError("save failed");
    benchmark::DoNotOptimize(out.Data().data());
  }
  Pixels(state);
}

void BM_BareDecode(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = JpegBytes();
  const size_t stride = PaddedRowBytes(kWidth, 24);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    std::vector<BYTE> pixels(stride * cinfo.image_height);  // a fresh picture each time, too
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels.data() + (cinfo.output_height - 1 - cinfo.output_scanline) * stride;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
  Pixels(state);
}

void BM_AdapterDecode(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = JpegBytes();
  for (auto _ : state) {
    CMemFile in(bytes.data(), bytes.size());
    SECJpeg img;
    if (!img.LoadImage(&in)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(img.m_pBits.data());
  }
  Pixels(state);
}

}  // namespace

BENCHMARK(BM_BareEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdapterEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdapterDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
