// Helpers shared by the picture decoders.
#pragma once

#include <cstdint>
#include <string>

#include "base/bitmap.h"
#include "base/errors.h"
#include "imaging/picture.h"

namespace lpc::imaging_detail {

// Refuses a picture size the decoders will not allocate: zero or negative sides, sides above
// kMaxPictureSide, more pixels than the caller's budget. Throws FormatError naming `name`.
inline void CheckPictureSize(int64_t width, int64_t height, const std::string& name,
                             const DecodeLimits& limits) {
  if (width <= 0 || height <= 0) {
    throw FormatError(name, Format("picture has no pixels (%lld x %lld)",
                                   static_cast<long long>(width), static_cast<long long>(height)));
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide) {
    throw FormatError(name, Format("picture too large (%lld x %lld, at most %d on a side)",
                                   static_cast<long long>(width), static_cast<long long>(height),
                                   kMaxPictureSide));
  }
  if (width * height > limits.max_pixels) {
    throw FormatError(name, Format("picture too large (%lld x %lld, more than %lld pixels)",
                                   static_cast<long long>(width), static_cast<long long>(height),
                                   static_cast<long long>(limits.max_pixels)));
  }
}

}  // namespace lpc::imaging_detail
