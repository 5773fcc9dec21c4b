// pxconvert: converts pictures between the formats the capture program
// reads and writes, by the same rules as its Open and Save As.
//   pxconvert [LIMITS] IN OUT
//   pxconvert [LIMITS] -o DIR --to FORMAT IN...
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "prentix/image/document.h"
#include "prentix/image/picturelimits.h"

namespace {

void Usage(FILE* out) {
  fputs(
      "Usage: pxconvert [--max-megapixels N] [--max-side N] IN OUT\n"
      "       pxconvert [--max-megapixels N] [--max-side N] -o DIR --to FORMAT IN...\n"
      "Converts pictures: BMP/DIB/.pxi, GIF, PCX, Targa, JPEG, TIFF and PNG.\n"
      "The output format follows the output name as in Prentix's Save As: the first of\n"
      "\".gif\", \".tif\", \".jpg\", \".pcx\", \".tga\", \".png\" found in it, else the own\n"
      "bitmap format. GIF and PCX are reduced to 256 colours. An output is written whole or\n"
      "not at all. FORMAT is one of pxi, bmp, dib, gif, tif, tiff, jpg, pcx, tga, png.\n"
      "Two inputs that would give the same output name: the second is not converted.\n"
      "  --max-megapixels N  read pictures of up to N megapixels (default 100)\n"
      "  --max-side N        read pictures of up to N pixels a side (default 32768)\n"
      "  -h, --help          show this text\n"
      "Exit status 0 when every picture was converted, 1 otherwise, 2 for a wrong\n"
      "command line.\n",
      out);
}

bool Convert(const std::string& in, const std::string& out) {
  std::string reason, warning;
  bool ok = prentix::OpenImageDocument(in, &reason, &warning);
  if (ok && !warning.empty())
    fprintf(stderr, "pxconvert: %s: warning: %s\n", in.c_str(), warning.c_str());
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

// A whole number from 1 to `most`, 0 for anything else.
uint64_t PositiveNumber(const char* text, uint64_t most) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = strtoull(text, &end, 10);
  if (errno || end == text || *end || text[0] == '-' || v == 0 || v > most) return 0;
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  prentix::SetPictureLimitAdvice("--max-megapixels", "--max-side");
  prentix::PictureLimits limits;
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
    } else if ((a == "--max-megapixels" || a == "--max-side") && i + 1 < argc) {
      // sides stay below 2^31 so that every reader's arithmetic holds
      const bool side = a == "--max-side";
      const uint64_t n = PositiveNumber(argv[++i], side ? 0x7FFFFFFF : 1000000);
      if (!n) {
        fprintf(stderr, "pxconvert: %s needs a whole number above 0, not %s\n", a.c_str(), argv[i]);
        return 2;
      }
      if (side)
        limits.maxSide = static_cast<uint32_t>(n);
      else
        limits.maxPixels = n * 1000000;
    } else if (a.size() > 1 && a[0] == '-') {
      fprintf(stderr, "pxconvert: unknown option %s\n", a.c_str());
      Usage(stderr);
      return 2;
    } else {
      files.push_back(a);
    }
  }
  prentix::SetPictureLimits(limits);
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
  // a.bmp and a.tga both make a.png: the first keeps it
  std::set<std::string> written;
  for (const auto& in : files) {
    const std::string out = dir + "/" + BaseWithoutExtension(in) + "." + to;
    if (!written.insert(out).second) {
      fprintf(stderr,
              "pxconvert: %s -> %s: another input of this run has that name; not converted\n",
              in.c_str(), out.c_str());
      all = false;
      continue;
    }
    all = Convert(in, out) && all;
  }
  return all ? 0 : 1;
}
