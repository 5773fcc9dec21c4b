// pxpngbench: PNG save and load of a 1920x1080 screen-like picture, ours
// against Qt's QImage (what the desktop's own tools use) and ImageMagick's
// convert, in one run, best of several; then the two PNG libraries on the
// same rows with the same zlib settings, which decided the library.
//   pxpngbench [RUNS]
#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "bench/screenpicture.h"
#include "prentix/image/secpng.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
double BestMs(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto t = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t).count());
  }
  return best;
}

long FileSize(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  fseek(f, 0, SEEK_END);
  const long n = ftell(f);
  fclose(f);
  return n;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// --- the two libraries, same rows, same zlib settings ---------------------------

struct Sink {
  std::vector<unsigned char> bytes;
};

void SinkWrite(png_structp png, png_bytep data, size_t n) {
  auto* s = static_cast<Sink*>(png_get_io_ptr(png));
  s->bytes.insert(s->bytes.end(), data, data + n);
}

void SinkFlush(png_structp) {}

void LibpngEncode(const std::vector<unsigned char>& rgb, int w, int h, int level, int strategy,
                  Sink& out) {
  out.bytes.clear();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, SinkWrite, SinkFlush);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, 0, 0, 0);
  png_set_compression_level(png, level);
  png_set_compression_strategy(png, strategy);
  png_set_filter(png, 0, PNG_ALL_FILTERS);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, rgb.data() + size_t(y) * w * 3);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
}

void LibpngDecode(const Sink& in, std::vector<unsigned char>& rgb) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&img, in.bytes.data(), in.bytes.size());
  img.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(img));
  png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr);
}

void SpngEncode(const std::vector<unsigned char>& rgb, int w, int h, int level, int strategy,
                Sink& out) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = w;
  ihdr.height = h;
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
  spng_set_ihdr(ctx, &ihdr);
  spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level);
  spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, strategy);
  spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_ALL);
  spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  size_t n = 0;
  int err = 0;
  auto* p = static_cast<unsigned char*>(spng_get_png_buffer(ctx, &n, &err));
  out.bytes.assign(p, p + n);
  free(p);
  spng_ctx_free(ctx);
}

void SpngDecode(const Sink& in, std::vector<unsigned char>& rgb) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, in.bytes.data(), in.bytes.size());
  size_t n = 0;
  spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &n);
  rgb.resize(n);
  spng_decode_image(ctx, rgb.data(), n, SPNG_FMT_RGB8, 0);
  spng_ctx_free(ctx);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  const char* tmp = getenv("TMPDIR");
  const std::string dir =
      std::string(tmp && *tmp ? tmp : "/tmp") + "/pxpngbench." + std::to_string(getpid());
  if (!Shell("mkdir -p '" + dir + "'")) return 1;
  const int w = 1920, h = 1080;
  prentix::SECPng pic;
  if (!benchpic::MakeScreenPicture(pic, w, h)) return 1;
  std::vector<unsigned char> rgb(size_t(w) * h * 3);
  QImage q(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    const unsigned char* in = pic.Row(h - 1 - y);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) rgb[(size_t(y) * w + x) * 3 + c] = in[3 * x + 2 - c];
    std::copy_n(&rgb[size_t(y) * w * 3], w * 3, q.scanLine(y));
  }
  const std::string ours = dir + "/ours.png", qt = dir + "/qt.png", im = dir + "/im.png",
                    ppm = dir + "/in.ppm";

  bool ok = true;
  const double oursSave = BestMs(runs, [&] { ok = pic.SaveImage(ours.c_str()) && ok; });
  prentix::SECPng back;
  const double oursLoad = BestMs(runs, [&] { ok = back.LoadImage(ours.c_str()) && ok; });
  const double qtSave = BestMs(runs, [&] { ok = q.save(QString::fromStdString(qt), "PNG") && ok; });
  QImage qback;
  const double qtLoad = BestMs(runs, [&] { ok = qback.load(QString::fromStdString(qt)) && ok; });
  if (!ok || qback.isNull() || back.m_dwWidth != uint32_t(w)) {
    fprintf(stderr, "pxpngbench: a save or load failed\n");
    return 1;
  }
  q.save(QString::fromStdString(ppm), "PPM");
  const double imSave = BestMs(runs, [&] { Shell("/usr/bin/convert '" + ppm + "' '" + im + "'"); });
  const double imLoad =
      BestMs(runs, [&] { Shell("/usr/bin/convert '" + im + "' ppm:- > /dev/null"); });
  const long oursBytes = FileSize(ours), qtBytes = FileSize(qt), imBytes = FileSize(im);

  printf("PNG, 1920x1080 screen-like picture, best of %d:\n", runs);
  printf("  %-10s save %6.1f ms  load %5.1f ms  save+load %6.1f ms  %8ld bytes\n", "ours", oursSave,
         oursLoad, oursSave + oursLoad, oursBytes);
  printf("  %-10s save %6.1f ms  load %5.1f ms  save+load %6.1f ms  %8ld bytes\n", "QImage", qtSave,
         qtLoad, qtSave + qtLoad, qtBytes);
  printf("  %-10s save %6.1f ms  load %5.1f ms  save+load %6.1f ms  %8ld bytes (with start-up)\n",
         "convert", imSave, imLoad, imSave + imLoad, imBytes);
  printf("  vs QImage:  %.2fx faster (goal 2), %.3fx its size (goal at most 1.1)\n",
         (qtSave + qtLoad) / (oursSave + oursLoad), double(oursBytes) / qtBytes);
  printf("  vs convert: %.2fx faster, %.3fx its size\n", (imSave + imLoad) / (oursSave + oursLoad),
         double(oursBytes) / imBytes);

  // the libraries with identical zlib settings write identical bytes; what
  // differs is their own time around zlib
  printf("libpng and libspng, same rows, same zlib settings (all filters):\n");
  for (auto [level, strategy, name] :
       {std::tuple{6, Z_FILTERED, "level 6"}, std::tuple{4, Z_FILTERED, "level 4"}}) {
    Sink a, b;
    std::vector<unsigned char> out;
    const double pe = BestMs(runs, [&] { LibpngEncode(rgb, w, h, level, strategy, a); });
    const double pd = BestMs(runs, [&] { LibpngDecode(a, out); });
    const double se = BestMs(runs, [&] { SpngEncode(rgb, w, h, level, strategy, b); });
    const double sd = BestMs(runs, [&] { SpngDecode(b, out); });
    printf(
        "  %-8s libpng  encode %6.1f decode %5.1f ms %8zu bytes | libspng encode %6.1f decode "
        "%5.1f ms %8zu bytes\n",
        name, pe, pd, a.bytes.size(), se, sd, b.bytes.size());
  }
  Shell("rm -rf '" + dir + "'");
  return 0;
}
