// Arbitrary bytes as a file carrying a package: the reader finds, indexes and extracts it or
// refuses it with an error; it never crashes, hangs or writes outside the names it is given.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "fuzz_scratch.h"
#include "package/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = lpc::fuzz::InputFile(data, size, "input.scr");
  const std::string& dir = lpc::fuzz::ScratchFolder();
  try {
    const lpc::PackageIndex index = lpc::ReadPackageIndex(path);
    if (index.Count < 0 || index.Records.size() != static_cast<size_t>(index.Count)) __builtin_trap();
    for (const auto& r : index.Records) {
      if (r.Offset < 0 || r.Size < 0 || r.Offset + r.Size > static_cast<int64_t>(size)) __builtin_trap();
    }
    // Nested packages inside the records, as "LPC.res" and "LPFiles.res" are read.
    for (const auto& r : index.Records) {
      try {
        lpc::ReadPackageIndex(path, r.Offset, r.Offset + r.Size, "record");
      } catch (const lpc::Error&) {
      }
    }
  } catch (const lpc::Error&) {
  }
  try {
    const auto result = lpc::ExtractPackageRecords(path, {dir + "o1", dir + "o2", dir + "o3", dir + "o4"});
    if (result.Extracted < 0 || result.Extracted > 4) __builtin_trap();
  } catch (const lpc::Error&) {
  }
  try {
    lpc::ContentFileNames(std::string_view(reinterpret_cast<const char*>(data), size), "names");
  } catch (const lpc::Error&) {
  }
  return 0;
}
