#include "prentix/image/document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fileio.h"
#include "platform/paths.h"
#include "prentix/image/colorreduce.h"
#include "prentix/image/secgif.h"
#include "prentix/image/secjpeg.h"
#include "prentix/image/secpcx.h"
#include "prentix/image/secpng.h"
#include "prentix/image/sectarga.h"
#include "prentix/image/sectiff.h"

namespace prentix {

namespace {

std::unique_ptr<SECDib> g_image;
std::unique_ptr<std::string> g_text;

std::unique_ptr<SECImageBase> MakeCodec(ImageFormat f) {
  switch (f) {
    case ImageFormat::kGif:
      return std::make_unique<SECGif>();
    case ImageFormat::kTiff:
      return std::make_unique<SECTiff>();
    case ImageFormat::kJpeg:
      return std::make_unique<SECJpeg>();
    case ImageFormat::kPcx:
      return std::make_unique<SECPcx>();
    case ImageFormat::kTarga:
      return std::make_unique<SECTarga>();
    case ImageFormat::kPng:
      return std::make_unique<SECPng>();
    case ImageFormat::kDib:
      break;
  }
  return std::make_unique<SECDib>();
}

void Say(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
}

}  // namespace

SECDib* CurrentImage() { return g_image.get(); }

void SetCurrentImage(std::unique_ptr<SECDib> image) {
  g_image = std::move(image);
  if (g_image) g_text.reset();
}

const std::string* CurrentText() { return g_text.get(); }

void FreeCurrentText() { g_text.reset(); }

void SetCurrentText(std::string text) {
  g_text = std::make_unique<std::string>(std::move(text));
  g_image.reset();
}

void ClearCurrent() {
  g_image.reset();
  g_text.reset();
}

ImageFormat FormatForPath(std::string_view path) {
  std::string up(path);
  std::transform(up.begin(), up.end(), up.begin(),
                 [](unsigned char c) { return static_cast<char>(toupper(c)); });
  struct Rule {
    const char* text;
    ImageFormat format;
  };
  for (const Rule& r : {Rule{".GIF", ImageFormat::kGif}, Rule{".TIF", ImageFormat::kTiff},
                        Rule{".JPG", ImageFormat::kJpeg}, Rule{".PCX", ImageFormat::kPcx},
                        Rule{".TGA", ImageFormat::kTarga}, Rule{".PNG", ImageFormat::kPng}})
    if (up.find(r.text) != std::string::npos) return r.format;
  return ImageFormat::kDib;
}

bool OpenImageDocument(const std::string& path, std::string* reason, std::string* warning) {
  if (warning) warning->clear();
  // the picture shown stays until another one has been read
  const std::string host = platform::HostPath(path);
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0) {
    Say(reason, strerror(host.empty() ? ENOENT : errno));
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    Say(reason, strerror(EISDIR));
    return false;
  }
  const ImageFormat format = FormatForPath(path);
  auto dib = std::make_unique<SECDib>();
  if (format == ImageFormat::kDib) {
    if (!dib->LoadImage(host.c_str())) {
      const std::string why = dib->LoadError();
      Say(reason, why.empty() ? "not a picture this program reads" : why);
      return false;
    }
    Say(warning, dib->LoadWarning());
  } else {
    auto codec = MakeCodec(format);
    if (!codec->LoadImage(host.c_str())) {
      const std::string why = codec->LoadError();
      Say(reason, why.empty() ? "not a picture this program reads" : why);
      return false;
    }
    Say(warning, codec->LoadWarning());
    if (!dib->TakeOver(*codec)) {
      Say(reason, "out of memory");
      return false;
    }
  }
  g_image = std::move(dib);
  g_text.reset();
  return true;
}

bool SaveImageDocument(SECDib& image, const std::string& path, std::string* reason) {
  const std::string target = platform::HostPath(path);
  if (target.empty()) {
    Say(reason, "no such drive");
    return false;
  }
  struct stat st;
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && (S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0)) {
    Say(reason, strerror(S_ISDIR(st.st_mode) ? EISDIR : EACCES));  // read-only, as on Windows
    return false;
  }
  // the new file gets the old one's mode, or the usual mode of a new file
  platform::PendingFile out;
  if (!out.CreateNamed(target,
                       exists ? (st.st_mode & 07777) : (0666 & ~platform::CurrentUmask()))) {
    Say(reason, strerror(errno));
    return false;
  }
  const char* temp = out.Path().c_str();

  bool ok;
  const ImageFormat format = FormatForPath(path);
  if (format == ImageFormat::kDib) {
    ok = image.SaveImage(temp);
  } else {
    SECDib copy;
    ok = copy.CopyImage(image);
    if (ok && (format == ImageFormat::kGif || format == ImageFormat::kPcx))
      ReduceTo256Colors(copy);  // as before: a failed reduction leaves the writer to refuse
    if (ok) {
      auto codec = MakeCodec(format);
      ok = codec->TakeOver(copy) && codec->SaveImage(temp);
    }
  }
  if (!ok) {
    Say(reason, "the picture could not be written in this format");
    return false;
  }
  if (!out.Commit()) {
    Say(reason, strerror(errno));
    return false;
  }
  return true;
}

}  // namespace prentix
