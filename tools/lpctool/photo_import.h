// Photographs as phones, cameras and editors write them, made into pictures the screensaver
// shows as the author saw them: turned upright, 16-bit and transparent pictures flattened,
// WebP and HEIC decoded, everything the runtime cannot show stored as JPEG.
#pragma once

#include <string>

#include "base/bitmap.h"

namespace lpctool {

struct ImportOptions {
  // Keep pictures the runtime cannot show without loss (as BMP) instead of JPEG at kQuality.
  bool lossless = false;
  // Store every picture as JPEG (a packed image holds nothing else); lossless then means
  // quality 100.
  bool jpeg_only = false;
  static constexpr int kQuality = 95;
};

struct ImportedPicture {
  lpc::Bitmap pixels;      // upright, as the screensaver will show it
  std::string bytes;       // what to store: a JPEG, BMP or GIF stream
  std::string ext;         // its extension: ".jpg", ".bmp" or ".gif"
  bool own_bytes;          // bytes are the file's own, unchanged
  std::string conversion;  // "PNG converted to JPEG at quality 95", empty when kept
};

// Whether the file is a picture by its extension: one ImportPicture reads or a kind people
// have that it refuses by name (TIFF, AVIF, raw camera files, ...).
bool IsPictureFile(const std::string& path);

// Reads a picture file (JPEG, PNG, BMP, GIF, WebP, HEIC/HEIF). Every change made on the way
// (turned, flattened, frames left out) is one note line on stderr naming the file; the
// conversion is left to the caller to tell, with the name it stores. A picture that does not
// decode is a FormatError naming the file and the fault.
ImportedPicture ImportPicture(const std::string& path, const ImportOptions& options);

// What the help adds about HEIC/HEIF pictures: "" where they are read, else why not (the
// Windows build has no HEIF decoder).
extern const char* const kHeifNote;

}  // namespace lpctool
