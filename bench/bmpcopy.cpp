// pxbmpcopy [--rotate] IN OUT: loads a BMP file (turns it a quarter turn
// clockwise) and saves it again; the driver for the load+save and the turn
// timings against ImageMagick.
#include <cstdio>
#include <cstring>

#include "prentix/image/secdib.h"

int main(int argc, char** argv) {
  const bool rotate = argc == 4 && std::strcmp(argv[1], "--rotate") == 0;
  if (rotate) ++argv, --argc;
  if (argc != 3) {
    std::fprintf(stderr, "usage: pxbmpcopy [--rotate] IN.bmp OUT.bmp\n");
    return 2;
  }
  prentix::SECDib img;
  if (!img.LoadImage(argv[1])) {
    std::fprintf(stderr, "pxbmpcopy: cannot load %s\n", argv[1]);
    return 1;
  }
  if (rotate && !img.Rotate90(true)) return 1;
  if (!img.SaveImage(argv[2])) {
    std::fprintf(stderr, "pxbmpcopy: cannot save %s\n", argv[2]);
    return 1;
  }
  return 0;
}
