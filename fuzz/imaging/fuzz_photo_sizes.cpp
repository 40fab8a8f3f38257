// Feeds arbitrary bytes to the size checks the photo importer runs before decoding: the HEIF
// item walk, the WebP header and the GIF record walk. They may refuse, never crash or hang,
// and what they accept stays within the budget.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/errors.h"
#include "imaging/photo_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const lpc::HeifCost cost = lpc::CheckHeifHeader(bytes, "fuzz.heic", lpc::kAuthoringLimits);
    if (cost.width * cost.height > lpc::kMaxAuthoringPixels ||
        cost.parts_pixels > lpc::kMaxAuthoringPixels) {
      __builtin_trap();
    }
  } catch (const lpc::Error&) {
  }
  try {
    const lpc::WebpHeader h = lpc::CheckWebpHeader(bytes, "fuzz.webp", lpc::kAuthoringLimits);
    if (!h.animated && int64_t{h.width} * h.height > lpc::kMaxAuthoringPixels) __builtin_trap();
  } catch (const lpc::Error&) {
  }
  if (lpc::GifFrameCount(bytes) < 1) __builtin_trap();
  return 0;
}
