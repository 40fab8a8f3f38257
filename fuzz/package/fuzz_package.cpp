// Arbitrary bytes as a program file carrying a package: the reader finds, indexes and locates
// its records or refuses it with an error; it never crashes, hangs or reads outside the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/byte_range.h"
#include "base/errors.h"
#include "package/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const lpc::ByteRange input = lpc::ByteRange::OfMemory(bytes, "input.scr");
  const int64_t end = static_cast<int64_t>(size);
  try {
    const lpc::PackageIndex index = lpc::ReadPackageIndex(input);
    if (index.Count < 0 || index.Records.size() != static_cast<size_t>(index.Count)) __builtin_trap();
    for (const auto& r : index.Records) {
      if (r.Offset < 0 || r.Size < 0 || r.Offset + r.Size > end) __builtin_trap();
    }
    // Nested packages inside the records, as "LPC.res" and "LPFiles.res" are read.
    for (const auto& r : index.Records) {
      try {
        lpc::ReadPackageIndex(input, r.Offset, r.Offset + r.Size);
      } catch (const lpc::Error&) {
      }
    }
  } catch (const lpc::Error&) {
  }
  try {
    const auto result = lpc::LocatePackageRecords(input, 0, -1, 4);
    if (result.Extracted < 0 || result.Extracted > 4) __builtin_trap();
    for (const auto& r : result.Records) {
      if (r.Offset < 0 || r.Size < 0 || r.Offset + r.Size > end) __builtin_trap();
      (void)input.Sub(r.Offset, r.Size, "record");
    }
  } catch (const lpc::Error&) {
  }
  try {
    lpc::ContentFileNames(bytes, "names");
  } catch (const lpc::Error&) {
  }
  return 0;
}
