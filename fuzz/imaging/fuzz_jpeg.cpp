// Feeds arbitrary bytes to the JPEG decoder: it may refuse them, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/errors.h"
#include "imaging/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A small pixel budget keeps each run fast; the size checks themselves are covered either way.
  const lpc::DecodeLimits limits{int64_t{1} << 18};
  try {
    const lpc::Bitmap b = lpc::DecodeJpeg(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.jpeg", limits);
    if (b.empty()) __builtin_trap();  // a decoder returns a picture or throws
  } catch (const lpc::Error&) {
  }
  return 0;
}
