// Pictures on disk for the configuration window's component tests.
#pragma once

#include <string>

#include "base/bitmap.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "package/temp_dir.h"

namespace lpc::testing {

using testing_support::TempDir;

// A packed image whose picture and thumbnail are flat colours.
inline std::string WritePackedImage(const TempDir& dir, const std::string& name,
                                    const std::string& title, Color picture, Color thumbnail,
                                    int width = 64, int height = 48) {
  PackedImageData d;
  d.Title = title;
  d.Artist = "Artist";
  d.ThumbnailJpeg = EncodeJpeg(Bitmap(80, 60, thumbnail), 95);
  d.PictureJpeg = EncodeJpeg(Bitmap(width, height, picture), 95);
  d.MaskRuns = {width, height, width * height * 10};
  return dir.Write(name, EncodePackedImage(d));
}

// Channels within a JPEG's rounding of each other.
inline bool Near(Color a, Color b, int tolerance = 6) {
  auto close = [&](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
  return close(RedOf(a), RedOf(b)) && close(GreenOf(a), GreenOf(b)) &&
         close(BlueOf(a), BlueOf(b));
}

}  // namespace lpc::testing
