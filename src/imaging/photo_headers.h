// What the authoring tool's photo importer learns from a photograph's headers before it decodes
// a single pixel: the EXIF orientation of a JPEG, the frames of a GIF, the size of a WebP and
// every picture a HEIF file would make the decoder build. The runtime never links this (it
// reads no WebP, HEIF or EXIF); lpctool and the fuzzers do. Bytes are untrusted: every reader
// here bounds its walk by the bytes present and allocates nothing of a picture's size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/picture.h"

namespace lpc {

// The Orientation tag of a JPEG's EXIF block: 1 (as stored) when there is none or it makes no
// sense.
int ExifOrientation(std::string_view jpeg);

// Frames of a GIF, counted by walking its records without decoding any; at least 1.
int GifFrameCount(std::string_view gif);

struct WebpHeader {
  int width = 0, height = 0;
  bool animated = false;
};
// The size a WebP file declares, checked against the budget (the readers' own budget check).
// FormatError naming `name` for an unreadable header or a picture over the limits.
WebpHeader CheckWebpHeader(std::string_view bytes, const std::string& name,
                           const DecodeLimits& limits);

// What decoding a HEIF file's main picture would build, from the sizes its items declare
// (their "ispe" properties): the picture itself and, for a grid or another derived picture,
// the pictures it is made of.
struct HeifCost {
  int64_t width = 0, height = 0;  // the main picture
  int64_t parts = 0;              // pictures it is made of (tiles of a grid), 0 for a plain one
  int64_t parts_pixels = 0;       // their pixels together
};
// Reads the item boxes and refuses, before any tile is decoded, a main picture over the limits,
// parts that together hold more than the budget or more than twice the main picture (tiles
// cover their grid once), a picture without a declared size, and malformed boxes. FormatError
// names `name`; the main picture's size passes through the readers' own budget check.
HeifCost CheckHeifHeader(std::string_view bytes, const std::string& name,
                         const DecodeLimits& limits);

}  // namespace lpc
