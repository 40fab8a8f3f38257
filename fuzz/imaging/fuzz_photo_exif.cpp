// Feeds arbitrary bytes to the photo importer's EXIF walk: any answer from 1 to 8, never a
// crash or hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "imaging/photo_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int orientation =
      lpc::ExifOrientation(std::string_view(reinterpret_cast<const char*>(data), size));
  if (orientation < 1 || orientation > 8) __builtin_trap();
  return 0;
}
