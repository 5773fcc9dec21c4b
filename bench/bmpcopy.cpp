// pxbmpcopy IN OUT: loads a BMP file and saves it again; the driver for the
// load+save timing against ImageMagick.
#include <cstdio>

#include "prentix/image/secdib.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pxbmpcopy IN.bmp OUT.bmp\n");
    return 2;
  }
  prentix::SECDib img;
  if (!img.LoadImage(argv[1])) {
    std::fprintf(stderr, "pxbmpcopy: cannot load %s\n", argv[1]);
    return 1;
  }
  if (!img.SaveImage(argv[2])) {
    std::fprintf(stderr, "pxbmpcopy: cannot save %s\n", argv[2]);
    return 1;
  }
  return 0;
}
