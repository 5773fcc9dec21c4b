// pxjpegtiff IN [OUT]: loads a BMP, JPEG or TIFF file (by extension) and,
// given OUT, saves it in the format OUT's extension names. For
// compare_jpeg.sh.
#include <cstdio>
#include <memory>
#include <string>

#include "prentix/image/secdib.h"
#include "prentix/image/secjpeg.h"
#include "prentix/image/sectiff.h"

using namespace prentix;

static std::unique_ptr<SECImageBase> ForName(const std::string& name) {
  const std::string ext = name.substr(name.find_last_of('.') + 1);
  if (ext == "jpg" || ext == "jpeg") return std::make_unique<SECJpeg>();
  if (ext == "tif" || ext == "tiff") return std::make_unique<SECTiff>();
  return std::make_unique<SECDib>();
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: pxjpegtiff IN [OUT]\n");
    return 2;
  }
  auto in = ForName(argv[1]);
  if (!in->LoadImage(argv[1])) {
    std::fprintf(stderr, "pxjpegtiff: cannot load %s\n", argv[1]);
    return 1;
  }
  if (argc == 3) {
    auto out = ForName(argv[2]);
    out->TakeOver(*in);
    if (!out->SaveImage(argv[2])) {
      std::fprintf(stderr, "pxjpegtiff: cannot save %s\n", argv[2]);
      return 1;
    }
  }
  return 0;
}
