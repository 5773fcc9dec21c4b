#pragma once
// The capture program's document below the window: the current picture and
// clipboard text, and opening and saving pictures by file name.

#include <memory>
#include <string>
#include <string_view>

#include "prentix/image/secdib.h"

namespace prentix {

// The one current picture (null when there is none) and the current
// clipboard text; at most one of them is set.
SECDib* CurrentImage();
void SetCurrentImage(std::unique_ptr<SECDib> image);  // frees the text
const std::string* CurrentText();
void SetCurrentText(std::string text);  // deletes the picture
void FreeCurrentText();
void ClearCurrent();

// The class that reads and writes a file, chosen from the upper-cased path:
// the first of ".GIF", ".TIF", ".JPG", ".PCX", ".TGA", ".PNG" found anywhere
// in it, else the own bitmap format (".pxi", ".bmp", ".dib" and all other
// names).
enum class ImageFormat { kDib, kGif, kTiff, kJpeg, kPcx, kTarga, kPng };
ImageFormat FormatForPath(std::string_view path);

inline constexpr const char* kCannotConvertText = "Sorry, can not convert this graphic file";

// Replaces the current picture with the file's; when the file cannot be
// read the picture shown stays. False when no class can read it; *reason, when
// given, then says why if that is known. *warning, when given, says what was
// wrong with a picture read anyway (its data ended early), empty otherwise.
bool OpenImageDocument(const std::string& path, std::string* reason = nullptr,
                       std::string* warning = nullptr);

// Saves a picture by the name's format: a deep copy reduced to 256 colours
// for GIF and PCX, the picture itself never changed. The file is written
// under a temporary name beside the target and renamed over it only when
// complete, so a failed save leaves an existing file as it was.
bool SaveImageDocument(SECDib& image, const std::string& path, std::string* reason = nullptr);

}  // namespace prentix
