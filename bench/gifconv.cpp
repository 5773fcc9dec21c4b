// pxgifconv IN OUT: loads a BMP or GIF file (by extension) and saves it as
// BMP or GIF, reducing to 256 colours before a GIF save; the driver for the
// timings against ImageMagick. pxgifconv --picture OUT.bmp writes the
// screen-like test picture.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench/screenpicture.h"
#include "prentix/image/colorreduce.h"
#include "prentix/image/secdib.h"
#include "prentix/image/secgif.h"

using namespace prentix;

namespace {

bool IsGif(const std::string& path) {
  return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".gif") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--picture") == 0) {
    SECDib img;
    return benchpic::MakeScreenPicture(img) && img.SaveImage(argv[2]) ? 0 : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: pxgifconv IN OUT | --picture OUT.bmp\n");
    return 2;
  }
  std::unique_ptr<SECImageBase> in;
  if (IsGif(argv[1]))
    in = std::make_unique<SECGif>();
  else
    in = std::make_unique<SECDib>();
  if (!in->LoadImage(argv[1])) {
    std::fprintf(stderr, "pxgifconv: cannot load %s\n", argv[1]);
    return 1;
  }
  std::unique_ptr<SECImageBase> out;
  if (IsGif(argv[2])) {
    if (in->m_nSrcBitsPerPixel > 8 && !ReduceTo256Colors(*in)) return 1;
    out = std::make_unique<SECGif>();
  } else {
    out = std::make_unique<SECDib>();
  }
  out->TakeOver(*in);
  if (!out->SaveImage(argv[2])) {
    std::fprintf(stderr, "pxgifconv: cannot save %s\n", argv[2]);
    return 1;
  }
  return 0;
}
