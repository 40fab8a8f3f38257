// Object text from anywhere: the reader must either build a tree or raise its own error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/object_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const lpc::ObjectNode root = lpc::ReadObjectText(text);
    (void)root.CountObjects();
  } catch (const lpc::ObjectTextError&) {
  }
  return 0;
}
