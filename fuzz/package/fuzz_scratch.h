// A private scratch folder for one fuzzing process: the readers under test take file paths.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/fileio.h"

namespace lpc::fuzz {

inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "lpcfuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    return pattern + "/";
  }();
  return folder;
}

// Writes the input to a file in the scratch folder and returns its path.
inline std::string InputFile(const uint8_t* data, size_t size, const char* name) {
  const std::string path = ScratchFolder() + name;
  WriteFileBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
  return path;
}

}  // namespace lpc::fuzz
