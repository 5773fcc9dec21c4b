// pxconvert: converts pictures between the formats the capture program
// reads and writes, by the same rules as its Open and Save As.
//   pxconvert IN OUT
//   pxconvert -o DIR --to FORMAT IN...
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "prentix/image/document.h"

namespace {

void Usage(FILE* out) {
  fputs(
      "Usage: pxconvert IN OUT\n"
      "       pxconvert -o DIR --to FORMAT IN...\n"
      "Converts pictures: BMP/DIB/.pxi, GIF, PCX, Targa, JPEG, TIFF and PNG.\n"
      "The output format follows the output name as in Prentix's Save As: the first of\n"
      "\".gif\", \".tif\", \".jpg\", \".pcx\", \".tga\", \".png\" found in it, else the own\n"
      "bitmap format. GIF and PCX are reduced to 256 colours. An output is written whole or\n"
      "not at all. FORMAT is one of pxi, bmp, dib, gif, tif, tiff, jpg, pcx, tga, png.\n"
      "  -h, --help  show this text\n"
      "Exit status 0 when every picture was converted, 1 otherwise, 2 for a wrong\n"
      "command line.\n",
      out);
}

bool Convert(const std::string& in, const std::string& out) {
  std::string reason;
  bool ok = prentix::OpenImageDocument(in, &reason);
  if (ok) ok = prentix::SaveImageDocument(*prentix::CurrentImage(), out, &reason);
  if (!ok) {
    fprintf(stderr, "pxconvert: %s -> %s: %s", in.c_str(), out.c_str(),
            prentix::kCannotConvertText);
    if (!reason.empty()) fprintf(stderr, " (%s)", reason.c_str());
    fputc('\n', stderr);
  }
  prentix::ClearCurrent();
  return ok;
}

std::string BaseWithoutExtension(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

}  // namespace

int main(int argc, char** argv) {
  // past the file-size limit a write fails with EFBIG, handled like a full
  // disk, instead of the signal ending the program with nothing reported
  signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> files;
  std::string dir, to;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    }
    if ((a == "-o" || a == "--to") && i + 1 < argc) {
      (a == "-o" ? dir : to) = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      fprintf(stderr, "pxconvert: unknown option %s\n", a.c_str());
      Usage(stderr);
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (dir.empty() && to.empty()) {
    if (files.size() != 2) {
      Usage(stderr);
      return 2;
    }
    return Convert(files[0], files[1]) ? 0 : 1;
  }
  // ".jpeg" is not among the names the rules know, so it is not offered
  static const char* const kFormats[] = {"pxi",  "bmp", "dib", "gif", "tif",
                                         "tiff", "jpg", "pcx", "tga", "png"};
  bool known = false;
  for (const char* f : kFormats) known = known || to == f;
  if (dir.empty() || !known || files.empty()) {
    Usage(stderr);
    return 2;
  }
  bool all = true;
  for (const auto& in : files)
    all = Convert(in, dir + "/" + BaseWithoutExtension(in) + "." + to) && all;
  return all ? 0 : 1;
}
