// Arbitrary bytes as a packed image: it loads whole (picture, mask of the picture's size) or
// fails with an error and leaves the project empty.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include <string_view>

#include "base/byte_range.h"
#include "package/packed_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const lpc::ByteRange input = lpc::ByteRange::OfMemory(
      std::string_view(reinterpret_cast<const char*>(data), size), "input.lpp");
  lpc::PackedImage project;
  // A small pixel budget keeps each run fast; the size checks are covered either way.
  project.Limits.max_pixels = int64_t{1} << 16;
  try {
    project.Load(input);
    if (!project.Loaded) __builtin_trap();
    if (project.Mask.width() != project.Picture.width() ||
        project.Mask.height() != project.Picture.height()) {
      __builtin_trap();
    }
  } catch (const lpc::Error&) {
    if (project.Loaded || !project.Picture.empty() || !project.Mask.empty()) __builtin_trap();
  }
  try {
    project.LoadHeader(input);
  } catch (const lpc::Error&) {
  }
  return 0;
}
