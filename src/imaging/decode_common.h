// Helpers shared by the picture decoders.
#pragma once

#include <cstdint>
#include <string>

#include "base/bitmap.h"
#include "base/errors.h"
#include "imaging/picture.h"

namespace lpc::imaging_detail {

// Records a request that passed the budget (LargestPixelRequest).
void NotePixelRequest(int64_t pixels);

// "100 megapixels" for a whole number of millions, else "262144 pixels".
std::string PixelLimitText(int64_t pixels);

// Zero or negative sides and sides above kMaxPictureSide are a FormatError naming `name`.
// The sides alone (no budget, nothing noted): for readers that do arithmetic on a size before
// they come to allocate it.
inline void CheckPictureSides(int64_t width, int64_t height, const std::string& name) {
  if (width <= 0 || height <= 0) {
    throw FormatError(name, Format("picture has no pixels (%lld x %lld)",
                                   static_cast<long long>(width), static_cast<long long>(height)));
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide) {
    throw FormatError(name, Format("picture too large (%lld x %lld, at most %d on a side)",
                                   static_cast<long long>(width), static_cast<long long>(height),
                                   kMaxPictureSide));
  }
}

// The readers' one budget check, asked right before a picture, frame or canvas of this size is
// allocated (after every cheaper check the file can fail): the sides as above, then more pixels
// than the caller's budget is a FormatError naming `name`; otherwise the request is noted.
inline void CheckPictureSize(int64_t width, int64_t height, const std::string& name,
                             const DecodeLimits& limits) {
  CheckPictureSides(width, height, name);
  if (width * height > limits.max_pixels) {
    throw FormatError(name, Format("the picture is %lld x %lld, larger than the limit of %s",
                                   static_cast<long long>(width), static_cast<long long>(height),
                                   PixelLimitText(limits.max_pixels).c_str()));
  }
  NotePixelRequest(width * height);
}

}  // namespace lpc::imaging_detail
