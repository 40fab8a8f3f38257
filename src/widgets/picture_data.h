// Pictures as form designers stream them into layouts.
//
//   Picture.Data = { counted class name, then that graphic's own data }
//     "TBitmap":    32-bit length, then a BMP file of that length (0: an empty bitmap)
//     "TJPEGImage": 32-bit length, then a JPEG file of that length
//   Glyph.Data / BitmapUp.Data (a bare bitmap property): 32-bit length, then a BMP file
//
// Lengths are little-endian and checked against the data before anything is decoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bitmap.h"

namespace lpc::widgets {

// A picture property's data. Graphic classes without a decoder here (icons, metafiles) give an
// empty bitmap; data that contradicts itself raises "Invalid property value".
Bitmap DecodePictureData(const std::vector<uint8_t>& data);
// A bitmap property's data.
Bitmap DecodeBitmapData(const std::vector<uint8_t>& data);
// The bitmap property data for a bitmap (a 24-bit BMP), for tools that write layouts.
std::vector<uint8_t> EncodeBitmapData(const Bitmap& bitmap);

}  // namespace lpc::widgets
